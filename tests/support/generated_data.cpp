// Generates the image set into a scratch tree once and reads pixels back for the data tests.
#include "support/generated_data.h"

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

TImage LoadGenerated(const std::string& rel) {
  TImage img;
  const std::string file = GeneratedTree().File("data/" + rel);
  EXPECT_TRUE(rel.ends_with(".tga") ? ReadTGA(file, img) : DecodeJpeg(file, img)) << rel;
  return img;
}

Px PixelAt(const TImage& img, int x, int y, bool bottomUp) {
  const int bpp = img.Bits / 8;
  const uint8_t* p = &img.Pixels[(size_t(bottomUp ? img.Height - 1 - y : y) * img.Width + x) * bpp];
  return {p[2], p[1], p[0], bpp == 4 ? p[3] : 255};
}
