// Fuzz target: JPEG decoding of any bytes returns a whole 24-bit picture or nothing, never aborts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "render/l_jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  TImage img;
  if (!DecodeJpegMemory(bytes.data(), bytes.size(), img)) return 0;
  if (img.Width <= 0 || img.Height <= 0 || img.Bits != 24) abort();
  if (img.Pixels.size() != size_t(img.Width) * img.Height * 3) abort();
  return 0;
}
