// TGA reader and JPEG decoder: every supported layout, both flips, and damaged files.
#include <gtest/gtest.h>

#include "render/l_jpeg.h"
#include "render/l_tga.h"
#include "support/image_files.h"
#include "support/test_env.h"

static bool ReadTga(const TgaSpec& spec, TImage& out) {
  std::vector<uint8_t> f = MakeTga(spec);
  return ReadTGAMemory(f.data(), f.size(), out);
}

static TgaSpec Rgb24(uint16_t w, uint16_t h) {
  TgaSpec s;
  s.width = w;
  s.height = h;
  for (int i = 0; i < w * h * 3; ++i) s.pixels.push_back(static_cast<uint8_t>(i * 7 + 1));
  return s;
}

TEST(Tga, TrueColour24ReturnedAsStored) {
  TgaSpec s = Rgb24(3, 2);
  s.idLength = 5;  // the image ID is skipped
  TImage img;
  ASSERT_TRUE(ReadTga(s, img));
  EXPECT_EQ(img.Width, 3);
  EXPECT_EQ(img.Height, 2);
  EXPECT_EQ(img.Bits, 24);
  EXPECT_EQ(img.Pixels, s.pixels);
}

TEST(Tga, TopDownFileEqualsBottomUpFile) {
  TgaSpec bottomUp = Rgb24(2, 3);
  TgaSpec topDown = bottomUp;
  topDown.descriptor = 0x20;
  // Same picture stored top row first: rows in the opposite order.
  topDown.pixels.clear();
  for (int r = 2; r >= 0; --r)
    topDown.pixels.insert(topDown.pixels.end(), bottomUp.pixels.begin() + r * 6,
                          bottomUp.pixels.begin() + r * 6 + 6);
  TImage a, b;
  ASSERT_TRUE(ReadTga(bottomUp, a));
  ASSERT_TRUE(ReadTga(topDown, b));
  EXPECT_EQ(a.Pixels, b.Pixels);
}

TEST(Tga, RightToLeftReversesEachRow) {
  TgaSpec s = Rgb24(3, 1);
  s.descriptor = 0x10;
  TImage img;
  ASSERT_TRUE(ReadTga(s, img));
  for (int x = 0; x < 3; ++x)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(img.Pixels[x * 3 + c], s.pixels[(2 - x) * 3 + c]);
}

TEST(Tga, ThirtyTwoBitsKeepAlpha) {
  TgaSpec s;
  s.depth = 32;
  s.width = 2;
  s.pixels = {1, 2, 3, 4, 5, 6, 7, 200};
  TImage img;
  ASSERT_TRUE(ReadTga(s, img));
  EXPECT_EQ(img.Bits, 32);
  EXPECT_EQ(img.Pixels, s.pixels);
}

TEST(Tga, SixteenBitChannelsExpandWithLowBitsClear) {
  TgaSpec s;
  s.depth = 16;
  s.width = 3;
  s.pixels = {0xFF, 0x7F, 0x00, 0x80, 0x1F, 0x00};  // 0x7FFF, 0x8000, pure blue 0x001F
  TImage img;
  ASSERT_TRUE(ReadTga(s, img));
  EXPECT_EQ(img.Bits, 24);
  std::vector<uint8_t> want = {248, 248, 248, 0, 0, 0, 248, 0, 0};
  EXPECT_EQ(img.Pixels, want);
}

TEST(Tga, GreyscaleAndPalette) {
  TgaSpec grey;
  grey.imageType = 3;
  grey.depth = 8;
  grey.pixels = {100};
  TImage img;
  ASSERT_TRUE(ReadTga(grey, img));
  EXPECT_EQ(img.Pixels, (std::vector<uint8_t>{100, 100, 100}));

  TgaSpec pal;
  pal.imageType = 1;
  pal.mapType = 1;
  pal.depth = 8;
  pal.mapEntrySize = 24;
  pal.mapLength = 2;
  pal.palette = {10, 20, 30, 40, 50, 60};
  pal.width = 2;
  pal.pixels = {1, 0};
  ASSERT_TRUE(ReadTga(pal, img));
  EXPECT_EQ(img.Pixels, (std::vector<uint8_t>{40, 50, 60, 10, 20, 30}));

  pal.pixels = {1, 2};  // index 2 is past a two-entry palette
  EXPECT_FALSE(ReadTga(pal, img));
  pal.pixels = {0, 1};
  pal.mapEntrySize = 16;
  EXPECT_FALSE(ReadTga(pal, img));
  pal.mapEntrySize = 24;
  pal.mapType = 0;
  EXPECT_FALSE(ReadTga(pal, img));
}

TEST(Tga, RefusesUnsupportedAndDamagedFiles) {
  TImage img;
  TgaSpec rle = Rgb24(2, 2);
  rle.imageType = 10;
  EXPECT_FALSE(ReadTga(rle, img));
  TgaSpec odd = Rgb24(2, 2);
  odd.depth = 15;
  EXPECT_FALSE(ReadTga(odd, img));
  TgaSpec shortData = Rgb24(4, 4);
  shortData.pixels.pop_back();
  EXPECT_FALSE(ReadTga(shortData, img));
  TgaSpec huge = Rgb24(1, 1);
  huge.width = 65535;
  huge.height = 65535;
  EXPECT_FALSE(ReadTga(huge, img));
  TgaSpec empty = Rgb24(1, 1);
  empty.width = 0;
  EXPECT_FALSE(ReadTga(empty, img));
  std::vector<uint8_t> tiny = {0, 0, 2, 0, 0};
  EXPECT_FALSE(ReadTGAMemory(tiny.data(), tiny.size(), img));
  TgaSpec longId = Rgb24(1, 1);
  std::vector<uint8_t> f = MakeTga(longId);
  f[0] = 255;  // an image ID running past the end
  EXPECT_FALSE(ReadTGAMemory(f.data(), f.size(), img));
  EXPECT_TRUE(img.Pixels.empty());
}

TEST(Tga, ReadsThroughGamePaths) {
  ScratchDir dir;
  WriteBytes(dir.File("Pic.TGA"), MakeTga(Rgb24(2, 2)));
  TImage img;
  EXPECT_TRUE(ReadTGA(dir.Path() + "\\pic.tga", img));
  EXPECT_FALSE(ReadTGA(dir.Path() + "\\missing.tga", img));
}

static std::vector<uint8_t> Gradient(int w, int h) {
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = 200;               // red
      p[1] = static_cast<uint8_t>(y * 255 / (h - 1));  // green grows downward
      p[2] = 20;                // blue
    }
  return rgb;
}

TEST(Jpeg, DecodesBlueFirstTopRowFirst) {
  std::vector<uint8_t> file = MakeJpeg(64, 32, Gradient(64, 32));
  TImage img;
  ASSERT_TRUE(DecodeJpegMemory(file.data(), file.size(), img));
  EXPECT_EQ(img.Width, 64);
  EXPECT_EQ(img.Height, 32);
  EXPECT_EQ(img.Bits, 24);
  ASSERT_EQ(img.Pixels.size(), 6144u);
  // Row 1 starts at byte 192; the top row is dark green, the bottom one bright.
  EXPECT_NEAR(img.Pixels[0], 20, 8);   // blue
  EXPECT_NEAR(img.Pixels[2], 200, 8);  // red
  EXPECT_LT(img.Pixels[1], 20);
  EXPECT_GT(img.Pixels[31 * 192 + 1], 235);
}

TEST(Jpeg, GreyscaleGivesEqualChannels) {
  std::vector<uint8_t> rgb(16 * 16 * 3, 90);
  std::vector<uint8_t> file = MakeJpeg(16, 16, rgb, 1);
  TImage img;
  ASSERT_TRUE(DecodeJpegMemory(file.data(), file.size(), img));
  EXPECT_EQ(img.Pixels[0], img.Pixels[1]);
  EXPECT_EQ(img.Pixels[1], img.Pixels[2]);
  EXPECT_NEAR(img.Pixels[0], 90, 2);
}

TEST(Jpeg, DamagedOrMissingFilesFailQuietly) {
  TImage img;
  EXPECT_FALSE(DecodeJpeg("no\\such\\file.jpg", img));
  std::vector<uint8_t> file = MakeJpeg(32, 32, Gradient(32, 32));
  std::vector<uint8_t> cut(file.begin(), file.begin() + file.size() / 3);
  // A stream that ends early fails rather than decoding padded with grey.
  EXPECT_FALSE(DecodeJpegMemory(cut.data(), cut.size(), img));
  EXPECT_TRUE(img.Pixels.empty());
  std::vector<uint8_t> junk(500, 0x5A);
  EXPECT_FALSE(DecodeJpegMemory(junk.data(), junk.size(), img));
  std::vector<uint8_t> header(file.begin(), file.begin() + 20);
  EXPECT_FALSE(DecodeJpegMemory(header.data(), header.size(), img));
  // Garbage inside the entropy-coded data.
  std::vector<uint8_t> bad = file;
  for (size_t i = bad.size() / 2; i < bad.size() / 2 + 40; ++i) bad[i] = 0xFF;
  DecodeJpegMemory(bad.data(), bad.size(), img);
  ScratchDir dir;
  WriteBytes(dir.File("a.jpg"), file);
  EXPECT_TRUE(DecodeJpeg(dir.File("A.JPG"), img));
}
