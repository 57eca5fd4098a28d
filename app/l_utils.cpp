// Millisecond timer, decimal conversion, file check and the global random generator.
#include "app/l_utils.h"

#include <ctime>
#include <random>

#include "platform/p_file.h"
#include "platform/p_timer.h"

int32_t CounterMilliseconds(uint64_t count, uint64_t freq) {
  if (freq == 0) return 0;
  // Whole seconds and the rest apart: count * 1000 itself would pass 64 bits after about
  // 106 days of uptime with the nanosecond counters of this platform, and the clock would
  // leap. The split truncates exactly as the product divided by the frequency would.
  uint64_t ms = (count / freq) * 1000u + (count % freq) * 1000u / freq;
  return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

int32_t GetTimer() {
  // The frequency is read on every call, never cached.
  return CounterMilliseconds(PlatformCounter(), PlatformCounterFrequency());
}

std::string IntToString(int32_t value) { return std::to_string(value); }

bool FileExists(const std::string& fileName) { return GameFileExists(fileName); }

static std::mt19937& Generator() {
  static std::mt19937 gen(12345u);
  return gen;
}

void Randomize() { RandomSeed(static_cast<uint32_t>(std::time(nullptr)) ^ static_cast<uint32_t>(GetTimer())); }

void RandomSeed(uint32_t seed) { Generator().seed(seed); }

int32_t RandomInt(int32_t n) {
  if (n <= 0) return 0;
  return static_cast<int32_t>(Generator()() % static_cast<uint32_t>(n));
}

float RandomFloat() {
  // 24 random bits: every value is exactly representable and strictly below 1.
  return static_cast<float>(Generator()() >> 8) * (1.0f / 16777216.0f);
}
