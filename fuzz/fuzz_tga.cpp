// Fuzz target: the TGA reader accepts or refuses any bytes, and what it accepts fills its picture.
#include <cstdlib>

#include "render/l_tga.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);  // exact size: any over-read is caught
  TImage img;
  if (!ReadTGAMemory(bytes.data(), bytes.size(), img)) return 0;
  if (img.Width <= 0 || img.Height <= 0 || (img.Bits != 24 && img.Bits != 32)) abort();
  if (img.Pixels.size() != size_t(img.Width) * img.Height * (img.Bits / 8)) abort();
  return 0;
}
