// Millisecond timer, decimal conversion, file check and the global random generator.
#include "app/l_utils.h"

#include <ctime>
#include <random>

#include "platform/p_file.h"
#include "platform/p_timer.h"

int32_t GetTimer() {
  // Frequency is read on every call, and the product divided in floating point,
  // so the result truncates exactly as the counter arithmetic intends.
  int64_t freq = static_cast<int64_t>(PlatformCounterFrequency());
  int64_t count = static_cast<int64_t>(PlatformCounter());
  int64_t product = count * 1000;
  int64_t ms = static_cast<int64_t>(static_cast<double>(product) / static_cast<double>(freq));
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ms)));
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
