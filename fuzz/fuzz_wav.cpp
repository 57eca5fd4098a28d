// Fuzz target: the WAV header reader must accept or refuse any bytes without reading outside them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "audio/l_wave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);  // exactly the input's size: a read past it is caught
  TWaveData wave;
  if (!ParseWave(bytes.data(), bytes.size(), wave)) return 0;
  const PlatformWaveFormat& f = wave.format;
  if (wave.data < bytes.data() || wave.length > bytes.size() || wave.data + wave.length > bytes.data() + bytes.size() ||
      f.bitsPerSample < 8 || f.bitsPerSample % 8 || f.channels == 0 || f.samplesPerSec == 0 || f.blockAlign == 0)
    abort();
  volatile uint8_t sum = 0;  // every data byte touched through the returned range
  for (uint32_t i = 0; i < wave.length; i++) sum = static_cast<uint8_t>(sum + wave.data[i]);
  return 0;
}
