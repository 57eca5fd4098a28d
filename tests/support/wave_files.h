// Builders for WAV files in memory: well-formed ones and deliberately damaged ones.
#pragma once
#include "support/test_env.h"

struct WaveLayout {
  uint16_t formatTag = 1, channels = 1;
  uint32_t rate = 44100;
  uint16_t bits = 16;
  // Values written into the record; the reader is expected to recompute them.
  uint32_t avgBytes = 12345;
  uint16_t blockAlign = 7;
  bool overrideLength = false;
  uint32_t length = 0;  // written at offset 40 when overrideLength
};

// A canonical 44-byte header followed by data; the length field is data.size() unless the layout overrides it.
std::vector<uint8_t> MakeWave(const WaveLayout& layout, const std::vector<uint8_t>& data);
// Mono 16-bit little-endian sine.
std::vector<uint8_t> SineData16(uint32_t frames, float frequency, uint32_t rate, float amplitude);
