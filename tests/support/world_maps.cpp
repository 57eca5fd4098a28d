// Height images for the world tests.
#include "support/world_maps.h"

TImage MakeHeightImage(int w, int h, const std::function<uint8_t(int, int)>& blue) {
  TImage img;
  img.Width = w;
  img.Height = h;
  img.Bits = 24;
  img.Pixels.assign(size_t(w) * h * 3, 0);
  for (int j = 0; j < h; ++j)
    for (int k = 0; k < w; ++k) img.Pixels[(size_t(j) * w + k) * 3] = blue(k, j);
  return img;
}
