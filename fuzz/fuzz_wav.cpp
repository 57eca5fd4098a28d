// Fuzz target: the WAV header reader must accept or refuse any bytes without reading outside them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "audio/l_wave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input size, so any read past the end is caught.
  std::vector<uint8_t> bytes(data, data + size);
  TWaveData wave;
  if (!ParseWave(bytes.data(), bytes.size(), wave)) return 0;
  if (wave.data < bytes.data() || wave.length > bytes.size() ||
      wave.data + wave.length > bytes.data() + bytes.size())
    abort();
  if (wave.format.bitsPerSample < 8 || wave.format.bitsPerSample % 8 || wave.format.channels == 0 ||
      wave.format.samplesPerSec == 0 || wave.format.blockAlign == 0)
    abort();
  // Touch every data byte through the returned range.
  volatile uint8_t sum = 0;
  for (uint32_t i = 0; i < wave.length; i++) sum = static_cast<uint8_t>(sum + wave.data[i]);
  (void)sum;
  return 0;
}
