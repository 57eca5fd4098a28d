// WAV builders for the sound tests.
#include "support/wave_files.h"

#include <algorithm>
#include <cmath>
#include <cstring>

static void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

static void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<uint8_t> MakeWave(const WaveLayout& s, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> b(44 + data.size(), 0);
  std::memcpy(&b[0], "RIFF", 4);
  Put32(b, 4, static_cast<uint32_t>(36 + data.size()));
  std::memcpy(&b[8], "WAVE", 4);
  std::memcpy(&b[12], "fmt ", 4);
  Put32(b, 16, 16);
  Put16(b, 20, s.formatTag);
  Put16(b, 22, s.channels);
  Put32(b, 24, s.rate);
  Put32(b, 28, s.avgBytes);
  Put16(b, 32, s.blockAlign);
  Put16(b, 34, s.bits);
  std::memcpy(&b[36], "data", 4);
  Put32(b, 40, s.overrideLength ? s.length : static_cast<uint32_t>(data.size()));
  std::copy(data.begin(), data.end(), b.begin() + 44);
  return b;
}

std::vector<uint8_t> SineData16(uint32_t frames, float frequency, uint32_t rate, float amplitude) {
  std::vector<uint8_t> d(frames * 2);
  for (uint32_t i = 0; i < frames; i++) {
    double v = amplitude * 32767.0 * std::sin(2.0 * 3.14159265358979323846 * frequency * i / rate);
    auto s = static_cast<int16_t>(std::lround(v));
    d[2 * i] = static_cast<uint8_t>(s & 0xFF);
    d[2 * i + 1] = static_cast<uint8_t>((static_cast<uint16_t>(s) >> 8) & 0xFF);
  }
  return d;
}
