// Millisecond timer, integer-to-text conversion, file check and the game's random generator.
#pragma once
#include <cstdint>
#include <string>

int32_t GetTimer();
// Milliseconds of a counter reading at the given frequency, truncated, low 32 bits kept.
int32_t CounterMilliseconds(uint64_t count, uint64_t freq);
std::string IntToString(int32_t value);
bool FileExists(const std::string& fileName);

// One global generator, seeded once at start-up (tests seed it for repeatable runs).
void Randomize();
void RandomSeed(uint32_t seed);
int32_t RandomInt(int32_t n);  // uniform in [0, n); 0 when n <= 0
float RandomFloat();           // uniform in [0, 1)
