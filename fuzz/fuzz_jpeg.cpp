// Fuzz target: JPEG decoding of any bytes returns a whole 24-bit picture or nothing, never aborts.
#include <cstdlib>

#include "render/l_jpeg.h"

// A few hundred bytes of progressive stream can claim a picture of the decoder's full size,
// and decoding it honestly takes seconds. Such inputs prove nothing new about the decoder,
// so the target refuses pictures over four million pixels.
static constexpr unsigned long kFuzzMaxPixels = 4ul << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);  // exact size: any over-read is caught
  TImage img;
  if (DecodeJpegMemory(bytes.data(), bytes.size(), img, kFuzzMaxPixels) &&
      (img.Width <= 0 || img.Height <= 0 || img.Bits != 24 || img.Pixels.size() != size_t(img.Width) * img.Height * 3))
    abort();
  return 0;
}
