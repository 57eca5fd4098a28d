// The generated image set in a scratch tree, shared by the data tests, and pixel access to it.
#pragma once

#include "render/l_image.h"
#include "support/test_env.h"

// The tree written by GenerateImages once per test binary; the data folder is "data".
const ScratchDir& GeneratedTree();
// Decoded with the game's reader for its extension; fails the test when it does not decode.
TImage LoadGenerated(const std::string& rel);  // e.g. "textures/hud.tga"

// Pixel (x, y) of a decoded image, red first, y counted from the picture's top (a
// bottom-up TGA is turned round).
struct Px {
  int r, g, b, a;
};
Px PixelAt(const TImage& img, int x, int y, bool bottomUp);
inline bool OnBorder(const TImage& img, int x, int y) {
  return x == 0 || y == 0 || x == img.Width - 1 || y == img.Height - 1;
}
