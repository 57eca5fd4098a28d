// WAV builders for the sound tests.
#include "support/wave_files.h"

#include <numbers>

// Little-endian values of the given byte widths, one after another, from offset `at`.
static void Put(std::vector<uint8_t>& b, size_t at, std::initializer_list<std::pair<uint32_t, int>> values) {
  for (const auto& [v, width] : values)
    for (int i = 0; i < width; i++) b[at++] = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<uint8_t> MakeWave(const WaveLayout& s, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> b(44, 0);
  std::memcpy(b.data(), "RIFF....WAVEfmt ", 16);
  std::memcpy(&b[36], "data", 4);
  const uint32_t size = static_cast<uint32_t>(data.size());
  Put(b, 4, {{36 + size, 4}});
  Put(b, 16,
      {{16, 4}, {s.formatTag, 2}, {s.channels, 2}, {s.rate, 4}, {s.avgBytes, 4}, {s.blockAlign, 2}, {s.bits, 2}});
  Put(b, 40, {{s.overrideLength ? s.length : size, 4}});
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

std::vector<uint8_t> SineData16(uint32_t frames, float frequency, uint32_t rate, float amplitude) {
  std::vector<uint8_t> d(frames * 2);
  for (uint32_t i = 0; i < frames; i++) {
    const double v = amplitude * 32767.0 * std::sin(2 * std::numbers::pi * frequency * i / rate);
    const auto s = static_cast<uint16_t>(std::lround(v));
    d[2 * i] = static_cast<uint8_t>(s);
    d[2 * i + 1] = static_cast<uint8_t>(s >> 8);
  }
  return d;
}
