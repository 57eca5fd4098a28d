// Height images for the world tests, built in memory.
#pragma once
#include <cstdint>
#include <functional>

#include "render/l_image.h"

// blue(k, j) gives the height byte of vertex (k, j): y = blue / 8.
TImage MakeHeightImage(int w, int h, const std::function<uint8_t(int k, int j)>& blue);
inline TImage FlatHeightImage(int w, int h, uint8_t blue) {
  return MakeHeightImage(w, h, [blue](int, int) { return blue; });
}
