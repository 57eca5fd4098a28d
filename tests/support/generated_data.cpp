// Generates the image set into a scratch tree once and reads pixels back for the data tests.
#include "support/generated_data.h"

#include <filesystem>

#include "generators.h"
#include "render/l_jpeg.h"
#include "render/l_tga.h"

const ScratchDir& GeneratedTree() {
  static ScratchDir* dir = [] {
    auto* d = new ScratchDir;
    TGenOutput out;
    out.Root = d->File("data");
    GenerateImages(out);
    EXPECT_TRUE(out.Ok);
    return d;
  }();
  return *dir;
}

std::string GeneratedFile(const std::string& rel) { return GeneratedTree().File("data/" + rel); }

TImage LoadGenerated(const std::string& rel) {
  TImage img;
  const bool tga = rel.size() > 4 && rel.substr(rel.size() - 4) == ".tga";
  const std::string file = GeneratedFile(rel);
  EXPECT_TRUE(tga ? ReadTGA(file, img) : DecodeJpeg(file, img)) << rel;
  return img;
}

Px PixelAt(const TImage& img, int x, int y, bool bottomUp) {
  const int row = bottomUp ? img.Height - 1 - y : y;
  const int bpp = img.Bits / 8;
  const uint8_t* p = &img.Pixels[(size_t(row) * img.Width + x) * bpp];
  return {p[2], p[1], p[0], bpp == 4 ? p[3] : 255};
}

bool OnBorder(const TImage& img, int x, int y) {
  return x == 0 || y == 0 || x == img.Width - 1 || y == img.Height - 1;
}

InGeneratedTree::InGeneratedTree() : old_(std::filesystem::current_path().string()) {
  std::filesystem::current_path(GeneratedTree().Path());
}

InGeneratedTree::~InGeneratedTree() { std::filesystem::current_path(old_); }
