// The generated images: readable by the game's decoders at their sizes, and fit for their use.
#include <png.h>

#include <array>
#include <map>

#include "app/l_icon.h"
#include "gen_images.h"
#include "generators.h"
#include "support/generated_data.h"

namespace {

// Every file below textures/ unless named with its folder: width, height and bits per pixel.
const std::tuple<const char*, int, int, int> kFiles[] = {
    {"maps/map1_height.jpg", 128, 128, 24}, {"maps/map1.jpg", 512, 512, 24}, {"detail.jpg", 256, 256, 24},
    {"sky_1.jpg", 512, 512, 24}, {"sky_2.jpg", 512, 512, 24}, {"sky_3.jpg", 512, 512, 24}, {"sky_4.jpg", 512, 512, 24},
    {"sky_5.jpg", 512, 512, 24}, {"env.jpg", 256, 256, 24}, {"shadow.jpg", 64, 64, 24}, {"crosshair.tga", 32, 32, 32},
    {"hud.tga", 128, 32, 32}, {"smoke.tga", 64, 64, 32}, {"ricochet.tga", 64, 64, 32}, {"blood.tga", 64, 64, 32},
    {"fire.jpg", 128, 128, 24}, {"gibs.tga", 8, 8, 24}, {"menu/blur.jpg", 256, 256, 24}};

// Calls f(x, y, pixel) for every pixel of the picture.
template <class F>
void EachPixel(const TImage& img, bool bottomUp, F f) {
  for (int y = 0; y < img.Height; ++y)
    for (int x = 0; x < img.Width; ++x) f(x, y, PixelAt(img, x, y, bottomUp));
}

TEST(DataImages, EveryFileDecodesWithItsSizeAndDepth) {
  for (const auto& [name, w, h, bits] : kFiles) {
    TImage img = LoadGenerated(std::string(name).starts_with("maps/") ? name : std::string("textures/") + name);
    EXPECT_EQ(std::tuple(img.Width, img.Height, img.Bits), std::tuple(w, h, bits)) << name;
  }
}

TEST(DataImages, HeightImageKeepsItsHeightsThroughCompression) {
  int worst = 0;
  EachPixel(LoadGenerated("maps/map1_height.jpg"), false, [&](int k, int j, Px p) {  // the game reads blue
    worst = std::max(worst, std::abs(p.b - int(std::lround(TerrainHeight(2.0f * k, 2.0f * j) * 8))));
  });
  EXPECT_LE(worst, 2);
}

// The sky box as it is drawn: corners at (s, t) = (0, 0), (1, 0), (0, 1) per face (sky_1 .. sky_5:
// +x, -z, +z, -x, top).
const float kSkyFaces[5][3][3] = {{{1, 1, -1}, {1, 1, 1}, {1, -1, -1}},   {{-1, 1, -1}, {1, 1, -1}, {-1, -1, -1}},
                                  {{1, 1, 1}, {-1, 1, 1}, {1, -1, 1}},    {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, 1}},
                                  {{1, 1, -1}, {-1, 1, -1}, {1, 1, 1}}};

TEST(DataImages, SkyFacesMeetWithoutSeams) {
  TImage faces[5];
  for (int f = 0; f < 5; ++f) faces[f] = LoadGenerated("textures/sky_" + std::to_string(f + 1) + ".jpg");
  const int n = faces[0].Width;
  // Edge pixels (corners left out) by their point on the box, in pixel steps: a seam's two sides meet there.
  std::map<std::array<long, 3>, std::vector<Px>> edge;
  for (int f = 0; f < 5; ++f)
    for (int e = 0; e < 4; ++e)
      for (int i = 1; i < n - 1; ++i) {
        const int x = e < 2 ? i : (e - 2) * (n - 1), y = e < 2 ? e * (n - 1) : i;
        const auto& c = kSkyFaces[f];
        std::array<long, 3> at;
        for (int k = 0; k < 3; ++k)
          at[k] = std::lround((c[0][k] + 1) * (n - 1) / 2 + (x * (c[1][k] - c[0][k]) + y * (c[2][k] - c[0][k])) / 2);
        edge[at].push_back(PixelAt(faces[f], x, y, false));
      }
  double total = 0;
  int worst = 0, shared = 0;
  for (const auto& [at, px] : edge) {
    if (px.size() < 2) continue;  // the bottom edges
    const int d = std::max({std::abs(px[0].r - px[1].r), std::abs(px[0].g - px[1].g), std::abs(px[0].b - px[1].b)});
    total += d, worst = std::max(worst, d), ++shared;
  }
  EXPECT_EQ(shared, 8 * (n - 2));  // four side seams and four round the top
  EXPECT_LT(total / shared, 3.0);
  EXPECT_LE(worst, 14);
}

TEST(DataImages, AlphaSpritesFadeOutAtTheirBordersAndTheCrosshairLooksTheSameUpsideDown) {
  for (std::string rel : {"textures/smoke.tga", "textures/ricochet.tga", "textures/blood.tga", "textures/crosshair.tga"}) {
    TImage img = LoadGenerated(rel);
    int solid = 0;
    EachPixel(img, true, [&](int x, int y, Px p) {
      // Blood is red; the crosshair quad shows the picture's bottom row at the top.
      EXPECT_TRUE((!OnBorder(img, x, y) || p.a == 0) && (rel != "textures/blood.tga" || p.a <= 64 ||
                  p.r > 3 * std::max(p.g, p.b)) && (rel != "textures/crosshair.tga" ||
                  p.a == PixelAt(img, x, 31 - y, true).a)) << rel << " at " << x << ", " << y;
      solid += p.a > 200;
    });
    EXPECT_GT(solid, 8) << rel;
  }
  EXPECT_GT(PixelAt(LoadGenerated("textures/crosshair.tga"), 16, 16, true).a, 200);
}

TEST(DataImages, HudIconsStayInsideTheirQuarters) {
  TImage img = LoadGenerated("textures/hud.tga");
  for (int icon = 0; icon < 4; ++icon) {
    int solid = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const Px p = PixelAt(img, icon * 32 + x, y, true);
        solid += p.a > 200 && p.r > 150;
        // Grey, tinted by the HUD colour; clear edge columns, so filtering never pulls in the neighbour.
        EXPECT_TRUE(p.r == p.g && p.g == p.b && (x % 31 != 0 || p.a == 0)) << icon << ": " << x << ", " << y;
      }
    EXPECT_GT(solid, 60) << icon;
  }
}

TEST(DataImages, GibsSplatIsRedOnTransparentBlack) {
  TImage img = LoadGenerated("textures/gibs.tga");
  int painted = 0;
  EachPixel(img, true, [&](int x, int y, Px p) {
    if (p.r + p.g + p.b == 0) return;  // left out when painted
    ++painted;  // clear corners; a painted texel reads as blood, not as a black hole
    EXPECT_TRUE(x % 7 != 0 || y % 7 != 0) << x << ", " << y;
    EXPECT_TRUE(p.r >= 80 && p.r > 4 * std::max(p.g, p.b)) << x << ", " << y;
  });
  EXPECT_TRUE(painted >= 16 && painted <= 56) << painted;
}

TEST(DataImages, AdditiveAndMultipliedTexturesHaveNeutralBorders) {
  // Fire and the menu band are added: black is no change. The shadow multiplies: white is.
  for (std::string rel : {"textures/fire.jpg", "textures/menu/blur.jpg", "textures/shadow.jpg"}) {
    TImage img = LoadGenerated(rel);
    const bool multiplied = rel == "textures/shadow.jpg";
    EachPixel(img, false, [&](int x, int y, Px p) {
      EXPECT_TRUE(!OnBorder(img, x, y) || (multiplied ? p.g >= 248 : std::max({p.r, p.g, p.b}) <= 6)) << rel;
    });
    const Px mid = PixelAt(img, img.Width / 2, img.Height / 2, false);  // the middle has an effect
    EXPECT_TRUE(multiplied ? mid.g < 140 : mid.r > 120) << rel;
  }
}

TEST(DataImages, DetailTileIsBrightAndRepeatsSeamlessly) {
  TImage img = LoadGenerated("textures/detail.jpg");
  double mean = 0, inner = 0, across = 0;
  EachPixel(img, false, [&](int, int, Px p) { mean += p.g; });
  for (int y = 0; y < img.Height; ++y) {
    inner += std::abs(PixelAt(img, 100, y, false).g - PixelAt(img, 101, y, false).g);
    across += std::abs(PixelAt(img, img.Width - 1, y, false).g - PixelAt(img, 0, y, false).g);
  }
  EXPECT_GT(mean / (double(img.Width) * img.Height), 215);  // modulating keeps the ground bright
  EXPECT_LT(across, inner * 1.5 + img.Height);               // the wrap is no rougher than the inside
}

TEST(DataImages, GroundUnderThePlayerIsLitEnoughToTintTheGun) {
  TImage img = LoadGenerated("maps/map1.jpg");
  double sum = 0;
  int bluish = 0;  // grass and earth, not sky
  for (int r = 40; r < 300; r += 4)
    for (int c = 40; c < 300; c += 4) {
      const Px p = PixelAt(img, c, r, false);
      sum += (p.r + p.g + p.b) / 765.0, bluish += p.g <= p.b;
    }
  EXPECT_EQ(bluish, 0);
  EXPECT_TRUE(sum / 65 / 65 > 0.33 && sum / 65 / 65 < 0.8) << sum / 65 / 65;
}

// Read back with libpng: the full sheet, compressed, the colour map 1:1 at its top left.
TEST(DataImages, ContactSheetIsACompressedPngOfTheSet) {
  ScratchDir dir;
  const char* keep = std::getenv("HALVROST_RENDER_DUMP");
  const std::string path = keep ? std::string(keep) + "/contact_sheet.png" : dir.File("sheet.png");
  ASSERT_TRUE(WriteContactSheet(path));
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  std::vector<uint8_t> px(1280 * 1176 * 3);
  ASSERT_TRUE(png_image_begin_read_from_file(&png, path.c_str()) && png.width == 1280 && png.height == 1176);
  png.format = PNG_FORMAT_RGB;
  ASSERT_TRUE(png_image_finish_read(&png, nullptr, px.data(), 0, nullptr)) << png.message;
  EXPECT_LT(ReadBytes(path).size(), px.size() / 2);
  const Px p = PixelAt(LoadGenerated("maps/map1.jpg"), 301, 200, false);
  EXPECT_EQ(std::tuple(px[(200 * 1280 + 301) * 3], px[(200 * 1280 + 301) * 3 + 1]), std::tuple(p.r, p.g));
}

TEST(DataImages, WindowIconIsASpiderOnClearGround) {
  const std::vector<uint8_t> px = MakeIconPixels();
  ASSERT_EQ(px.size(), 32u * 32 * 4);
  // Clear corners, the body opaque.
  EXPECT_EQ(std::tuple(px[3], px[(31 * 32 + 31) * 4 + 3], px[(19 * 32 + 16) * 4 + 3]), std::tuple(0, 0, 255));
  int opaque = 0;
  for (size_t i = 3; i < px.size(); i += 4) opaque += px[i] > 128;
  EXPECT_TRUE(opaque > 150 && opaque < 700) << opaque;
}

}  // namespace
