// TGA reader and JPEG decoder: every supported layout, both flips, and damaged files.

#include "render/l_jpeg.h"
#include "render/l_tga.h"
#include "support/image_files.h"
#include "support/test_env.h"

using Bytes = std::vector<uint8_t>;

// w x h pixels of the given type and depth, the rest at the writer's defaults.
static TgaSpec Layout(uint8_t type, uint8_t depth, uint16_t w, Bytes px, uint16_t h = 1, uint8_t descriptor = 0) {
  return {.imageType = type, .depth = depth, .descriptor = descriptor, .width = w, .height = h,
          .pixels = std::move(px)};
}

// n bytes 1, 8, 15, ...
static Bytes Seq(int n) {
  Bytes b(n);
  for (int i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + 1);
  return b;
}

static TgaSpec Palette(Bytes px, uint8_t mapType = 1, uint8_t entrySize = 24) {
  return {.imageType = 1, .depth = 8, .width = 2, .mapType = mapType, .mapLength = 2, .mapEntrySize = entrySize,
          .palette = {10, 20, 30, 40, 50, 60}, .pixels = std::move(px)};
}

TEST(Tga, EveryLayoutAndBothFlips) {
  TgaSpec withId = Layout(2, 24, 3, Seq(18), 2);
  withId.idLength = 5;  // the image ID is skipped
  const std::tuple<const char*, TgaSpec, int, Bytes> cases[] = {
      {"24 bits", withId, 24, Seq(18)},
      {"top-down: rows reversed", Layout(2, 24, 2, Seq(18), 3, 0x20), 24,
       {85, 92, 99, 106, 113, 120, 43, 50, 57, 64, 71, 78, 1, 8, 15, 22, 29, 36}},
      {"right-to-left", Layout(2, 24, 3, Seq(9), 1, 0x10), 24, {43, 50, 57, 22, 29, 36, 1, 8, 15}},
      {"32 bits keep alpha", Layout(2, 32, 2, {1, 2, 3, 4, 5, 6, 7, 200}), 32, {1, 2, 3, 4, 5, 6, 7, 200}},
      // 0x7FFF, 0x8000, pure blue 0x001F: channels expand with their low bits clear
      {"16 bits", Layout(2, 16, 3, {0xFF, 0x7F, 0x00, 0x80, 0x1F, 0x00}), 24, {248, 248, 248, 0, 0, 0, 248, 0, 0}},
      {"grey", Layout(3, 8, 1, {100}), 24, {100, 100, 100}},
      {"palette", Palette({1, 0}), 24, {40, 50, 60, 10, 20, 30}}};
  for (const auto& [what, spec, bits, want] : cases) {
    Bytes f = MakeTga(spec);
    TImage img;
    ASSERT_TRUE(ReadTGAMemory(f.data(), f.size(), img)) << what;
    EXPECT_EQ(std::tuple(img.Width, img.Height, img.Bits, img.Pixels), std::tuple(spec.width, spec.height, bits, want))
        << what;
  }
}

TEST(Tga, RefusesUnsupportedAndDamagedFiles) {
  Bytes longId = MakeTga(Layout(2, 24, 1, {1, 2, 3}));
  longId[0] = 255;  // an image ID running past the end
  const std::pair<const char*, Bytes> files[] = {
      {"run-length", MakeTga(Layout(10, 24, 2, Seq(12), 2))},
      {"15 bits", MakeTga(Layout(2, 15, 2, Seq(12), 2))},
      {"short data", MakeTga(Layout(2, 24, 4, Seq(47), 4))},
      {"huge", MakeTga(Layout(2, 24, 65535, {1, 2, 3}, 65535))},
      {"no width", MakeTga(Layout(2, 24, 0, {1, 2, 3}))},
      {"five bytes", {0, 0, 2, 0, 0}},
      {"long ID", longId},
      {"index past a two-entry palette", MakeTga(Palette({1, 2}))},
      {"16-bit palette", MakeTga(Palette({0, 1}, 1, 16))},
      {"palette image without a map", MakeTga(Palette({0, 1}, 0))}};
  TImage img;
  for (const auto& [what, f] : files)
    EXPECT_FALSE(ReadTGAMemory(f.data(), f.size(), img) || !img.Pixels.empty()) << what;
}

// Red 200, blue 20, green growing downward.
static Bytes Gradient(int w, int h) {
  Bytes rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) rgb.insert(rgb.end(), {200, static_cast<uint8_t>(y * 255 / (h - 1)), 20});
  return rgb;
}

TEST(Jpeg, DecodesBlueFirstTopRowFirstAndGreyscaleAsRgb) {
  Bytes file = MakeJpeg(64, 32, Gradient(64, 32));
  TImage img;
  ASSERT_TRUE(DecodeJpegMemory(file.data(), file.size(), img));
  EXPECT_EQ(std::tuple(img.Width, img.Height, img.Bits), std::tuple(64, 32, 24));
  ASSERT_EQ(img.Pixels.size(), 6144u);
  // Blue about 20, red about 200; row 1 starts at byte 192: the top row is dark green, the bottom one bright.
  EXPECT_TRUE(std::abs(img.Pixels[0] - 20) <= 8 && std::abs(img.Pixels[2] - 200) <= 8);
  EXPECT_TRUE(img.Pixels[1] < 20 && img.Pixels[31 * 192 + 1] > 235);
  file = MakeJpeg(16, 16, Bytes(16 * 16 * 3, 90), 1);
  ASSERT_TRUE(DecodeJpegMemory(file.data(), file.size(), img));
  EXPECT_TRUE(img.Pixels[0] == img.Pixels[1] && img.Pixels[1] == img.Pixels[2] && std::abs(img.Pixels[0] - 90) <= 2);
}

TEST(Jpeg, DamagedOrMissingFilesFailQuietly) {
  TImage img;
  EXPECT_FALSE(DecodeJpeg("no\\such\\file.jpg", img));
  Bytes file = MakeJpeg(32, 32, Gradient(32, 32));
  // A stream that ends early fails rather than decoding padded with grey.
  for (const Bytes& bad : {Bytes(file.begin(), file.begin() + file.size() / 3), Bytes(500, 0x5A)})
    EXPECT_FALSE(DecodeJpegMemory(bad.data(), bad.size(), img) || !img.Pixels.empty()) << bad.size();
  // Garbage inside the entropy-coded data: either answer, but no crash.
  Bytes bad = file;
  for (size_t i = bad.size() / 2; i < bad.size() / 2 + 40; ++i) bad[i] = 0xFF;
  DecodeJpegMemory(bad.data(), bad.size(), img);
  ScratchDir dir;
  EXPECT_TRUE((WriteBytes(dir.File("a.jpg"), file), DecodeJpeg(dir.File("A.JPG"), img)));
}
