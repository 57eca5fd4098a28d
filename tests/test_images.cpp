// TGA reader and JPEG decoder: every supported layout, both flips, and damaged files.
#include <gtest/gtest.h>

#include "render/l_jpeg.h"
#include "render/l_tga.h"
#include "support/image_files.h"
#include "support/test_env.h"

using Bytes = std::vector<uint8_t>;

static bool ReadTga(const TgaSpec& layout, TImage& out) {
  Bytes f = MakeTga(layout);
  return ReadTGAMemory(f.data(), f.size(), out);
}

// Decodes a file that must be accepted.
static TImage Tga(const TgaSpec& layout) {
  TImage img;
  EXPECT_TRUE(ReadTga(layout, img));
  return img;
}

// One row of w pixels (or w x h) of the given type and depth, the rest at the writer's defaults.
static TgaSpec Layout(uint8_t type, uint8_t depth, uint16_t w, Bytes pixels, uint16_t h = 1) {
  TgaSpec s;
  s.imageType = type, s.depth = depth, s.width = w, s.height = h, s.pixels = std::move(pixels);
  return s;
}

static TgaSpec Rgb24(uint16_t w, uint16_t h) {
  Bytes px;
  for (int i = 0; i < w * h * 3; ++i) px.push_back(static_cast<uint8_t>(i * 7 + 1));
  return Layout(2, 24, w, px, h);
}

TEST(Tga, TrueColour24ReturnedAsStored) {
  TgaSpec s = Rgb24(3, 2);
  s.idLength = 5;  // the image ID is skipped
  TImage img = Tga(s);
  EXPECT_EQ(img.Width, 3);
  EXPECT_EQ(img.Height, 2);
  EXPECT_EQ(img.Bits, 24);
  EXPECT_EQ(img.Pixels, s.pixels);
}

TEST(Tga, TopDownFileEqualsBottomUpFile) {
  TgaSpec bottomUp = Rgb24(2, 3), topDown = bottomUp;
  topDown.descriptor = 0x20;
  // Same picture stored top row first: rows in the opposite order.
  topDown.pixels.clear();
  for (int r = 2; r >= 0; --r)
    topDown.pixels.insert(topDown.pixels.end(), bottomUp.pixels.begin() + r * 6, bottomUp.pixels.begin() + r * 6 + 6);
  EXPECT_EQ(Tga(bottomUp).Pixels, Tga(topDown).Pixels);
}

TEST(Tga, RightToLeftReversesEachRow) {
  TgaSpec s = Rgb24(3, 1);
  s.descriptor = 0x10;
  TImage img = Tga(s);
  ASSERT_EQ(img.Pixels.size(), 9u);
  for (int x = 0; x < 3; ++x)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(img.Pixels[x * 3 + c], s.pixels[(2 - x) * 3 + c]);
}

TEST(Tga, ThirtyTwoBitsKeepAlpha) {
  TgaSpec s = Layout(2, 32, 2, {1, 2, 3, 4, 5, 6, 7, 200});
  TImage img = Tga(s);
  EXPECT_EQ(img.Bits, 32);
  EXPECT_EQ(img.Pixels, s.pixels);
}

TEST(Tga, SixteenBitChannelsExpandWithLowBitsClear) {
  // 0x7FFF, 0x8000, pure blue 0x001F
  TImage img = Tga(Layout(2, 16, 3, {0xFF, 0x7F, 0x00, 0x80, 0x1F, 0x00}));
  EXPECT_EQ(img.Bits, 24);
  EXPECT_EQ(img.Pixels, (Bytes{248, 248, 248, 0, 0, 0, 248, 0, 0}));
}

TEST(Tga, GreyscaleAndPalette) {
  EXPECT_EQ(Tga(Layout(3, 8, 1, {100})).Pixels, (Bytes{100, 100, 100}));
  TgaSpec pal = Layout(1, 8, 2, {1, 0});
  pal.mapType = 1, pal.mapLength = 2, pal.mapEntrySize = 24, pal.palette = {10, 20, 30, 40, 50, 60};
  EXPECT_EQ(Tga(pal).Pixels, (Bytes{40, 50, 60, 10, 20, 30}));
  TImage img;
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
  TgaSpec rle = Rgb24(2, 2), odd = Rgb24(2, 2), shortData = Rgb24(4, 4), huge = Rgb24(1, 1), empty = Rgb24(1, 1);
  rle.imageType = 10;
  odd.depth = 15;
  shortData.pixels.pop_back();
  huge.width = huge.height = 65535;
  empty.width = 0;
  Bytes longId = MakeTga(Rgb24(1, 1));
  longId[0] = 255;  // an image ID running past the end
  const std::pair<const char*, Bytes> files[] = {
      {"run-length", MakeTga(rle)}, {"15 bits", MakeTga(odd)},   {"short data", MakeTga(shortData)},
      {"huge", MakeTga(huge)},      {"no width", MakeTga(empty)}, {"five bytes", {0, 0, 2, 0, 0}},
      {"long ID", longId}};
  for (const auto& [what, f] : files) {
    TImage img;
    EXPECT_FALSE(ReadTGAMemory(f.data(), f.size(), img)) << what;
    EXPECT_TRUE(img.Pixels.empty()) << what;
  }
}

// Red 200, blue 20, green growing downward.
static Bytes Gradient(int w, int h) {
  Bytes rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) rgb.insert(rgb.end(), {200, static_cast<uint8_t>(y * 255 / (h - 1)), 20});
  return rgb;
}

TEST(Jpeg, DecodesBlueFirstTopRowFirst) {
  Bytes file = MakeJpeg(64, 32, Gradient(64, 32));
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
  Bytes file = MakeJpeg(16, 16, Bytes(16 * 16 * 3, 90), 1);
  TImage img;
  ASSERT_TRUE(DecodeJpegMemory(file.data(), file.size(), img));
  EXPECT_EQ(img.Pixels[0], img.Pixels[1]);
  EXPECT_EQ(img.Pixels[1], img.Pixels[2]);
  EXPECT_NEAR(img.Pixels[0], 90, 2);
}

TEST(Jpeg, DamagedOrMissingFilesFailQuietly) {
  TImage img;
  EXPECT_FALSE(DecodeJpeg("no\\such\\file.jpg", img));
  Bytes file = MakeJpeg(32, 32, Gradient(32, 32));
  Bytes cut(file.begin(), file.begin() + file.size() / 3);
  // A stream that ends early fails rather than decoding padded with grey.
  EXPECT_FALSE(DecodeJpegMemory(cut.data(), cut.size(), img));
  EXPECT_TRUE(img.Pixels.empty());
  Bytes junk(500, 0x5A);
  EXPECT_FALSE(DecodeJpegMemory(junk.data(), junk.size(), img));
  Bytes header(file.begin(), file.begin() + 20);
  EXPECT_FALSE(DecodeJpegMemory(header.data(), header.size(), img));
  // Garbage inside the entropy-coded data: either answer, but no crash.
  Bytes bad = file;
  for (size_t i = bad.size() / 2; i < bad.size() / 2 + 40; ++i) bad[i] = 0xFF;
  DecodeJpegMemory(bad.data(), bad.size(), img);
  ScratchDir dir;
  WriteBytes(dir.File("a.jpg"), file);
  EXPECT_TRUE(DecodeJpeg(dir.File("A.JPG"), img));
}
