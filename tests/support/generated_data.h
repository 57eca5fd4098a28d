// The generated image set in a scratch tree, shared by the data tests, and pixel access to it.
#pragma once
#include <string>

#include "render/l_image.h"
#include "support/test_env.h"

// The tree written by GenerateImages once per test binary; the data folder is "data".
const ScratchDir& GeneratedTree();
std::string GeneratedFile(const std::string& rel);  // "textures/hud.tga" -> its full path
// Decoded with the game's reader for its extension; fails the test when it does not decode.
TImage LoadGenerated(const std::string& rel);

// Pixel (x, y) of a decoded image, red first, y counted from the picture's top (a
// bottom-up TGA is turned round).
struct Px {
  int r, g, b, a;
};
Px PixelAt(const TImage& img, int x, int y, bool bottomUp);
bool OnBorder(const TImage& img, int x, int y);

// The generated tree as the current directory, for the game's loaders, while it lives.
class InGeneratedTree {
 public:
  InGeneratedTree();
  ~InGeneratedTree();

 private:
  std::string old_;
};
