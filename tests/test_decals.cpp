// Terrain decals: texels written on mip levels 0 to 4, scaled by the kept colour image.

#include "platform/p_gl.h"

#include <array>
#include <limits>

#include "effects/l_decal.h"
#include "effects/l_particle.h"
#include "game/l_game.h"
#include "render/l_gl.h"
#include "support/test_env.h"

#ifndef GL_BGR_EXT
#define GL_BGR_EXT 0x80E0
#endif

namespace {

using RGB = std::array<int, 3>;

class Decals : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    // White ground, one black texel at (20, 10), a grey one at (30, 30).
    TImage& img = GameMap.Pixels;
    img = TImage{.Width = 512, .Height = 512, .Bits = 24, .Pixels = std::vector<uint8_t>(512 * 512 * 3, 255)};
    std::fill_n(&img.Pixels[(10 * 512 + 20) * 3], 3, 0);
    std::fill_n(&img.Pixels[(30 * 512 + 30) * 3], 3, 100);
    GameMap.Texture = UploadTexture(GL_RGB8, GL_BGR_EXT, 512, 512, img.Pixels.data());
    ASSERT_NE(GameMap.Texture, 0u);
    SplatImage = TImage{.Width = 8, .Height = 8, .Bits = 24};
    for (int i = 0; i < 64; ++i) SplatImage.Pixels.insert(SplatImage.Pixels.end(), {0, 0, 200});  // red
  }
  void TearDown() override {
    FreeTexture(GameMap.Texture), UnbindTexture();
    GameMap.Texture = 0, GameMap.Pixels = SplatImage = TImage{};
  }
  RGB Texel(int level, int x, int y) {
    int size = 512 >> level;
    std::vector<uint8_t> buf(size_t(size) * size * 3);
    glBindTexture(GL_TEXTURE_2D, GameMap.Texture), glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, buf.data());
    const uint8_t* p = &buf[(size_t(y) * size + x) * 3];
    return {p[0], p[1], p[2]};
  }
  static constexpr RGB White = {255, 255, 255}, Red = {200, 0, 0};
};

}  // namespace

TEST_F(Decals, SplatAtHalfCoversColumnsZeroToFour) {
  PaintBloodDecal({0.5f, 0, 5});  // columns -3..4, rows 6..13
  const std::vector<RGB> got = {Texel(0, 0, 6), Texel(0, 4, 6), Texel(0, 2, 13),
                                Texel(0, 5, 6), Texel(0, 2, 5), Texel(0, 2, 14)};
  EXPECT_EQ(got, (std::vector<RGB>{Red, Red, Red, White, White, White}));
  EXPECT_EQ(BoundTexture, GameMap.Texture);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Decals, ColourScaledByTheGroundBrightnessBlackStaysBlackTransparentPixelsLeaveTheTexture) {
  const uint8_t mark[3] = {50, 100, 200}, white[3] = {255, 255, 255}, image[6] = {0, 0, 0, 32, 32, 32};
  for (int i = 0; i < 2; ++i) {  // painting again does not darken further
    PaintDecal({15, 0, 15}, 1, 1, mark);  // texel (30, 30), k = 300 / 765
    EXPECT_EQ(Texel(0, 30, 30), (RGB{78, 39, 19}));
  }
  PaintDecal({10, 0, 5}, 1, 1, white);  // texel (20, 10), k = 0
  EXPECT_EQ(Texel(0, 20, 10), (RGB{0, 0, 0}));
  PaintDecal({50, 0, 50}, 2, 1, image);  // columns 99 and 100 of row 100
  EXPECT_EQ(Texel(0, 99, 100), White);
  EXPECT_EQ(Texel(0, 100, 100), (RGB{32, 32, 32}));
}

TEST_F(Decals, CoarserLevelsOnlyWhereBothCoordinatesDivide) {
  const uint8_t green[3] = {0, 255, 0};
  PaintDecal({3, 0, 2}, 1, 1, green);   // texel (6, 4)
  PaintDecal({8, 0, 16}, 1, 1, green);  // texel (16, 32): levels 0 to 4, never 5
  const RGB g = {0, 255, 0};
  EXPECT_EQ((std::vector<RGB>{Texel(0, 6, 4), Texel(1, 3, 2), Texel(2, 1, 1), Texel(4, 1, 2), Texel(5, 0, 1)}),
            (std::vector<RGB>{g, g, White, g, White}));
}

TEST_F(Decals, EdgesOfTheTextureClipThePaint) {
  PaintBloodDecal({255.9f, 0, 255.9f});  // texels 507..514 in both directions
  EXPECT_EQ(Texel(0, 511, 511), Red);
  const float NaN = std::numeric_limits<float>::quiet_NaN();
  for (TVector at : {TVector{-100, 0, 5}, {NaN, 0, NaN}, {1e30f, 0, -1e30f}}) PaintBloodDecal(at);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Decals, OtherColourImagesPaintNothing) {
  TImage keep = GameMap.Pixels;
  GameMap.Pixels = TImage{.Width = 256, .Height = 256, .Bits = 24, .Pixels = std::vector<uint8_t>(256 * 256 * 3)};
  PaintBloodDecal({100, 0, 100});  // a colour image not of the texture's size
  GameMap.Pixels = TImage{}, PaintBloodDecal({100, 0, 100});  // none kept at all
  GameMap.Pixels = keep, SplatImage.Width = 4, PaintBloodDecal({100, 0, 100});  // a splat of another size
  const uint32_t texture = GameMap.Texture;
  const uint8_t mark[3] = {9, 9, 9};
  GameMap.Texture = 0, PaintDecal({100, 0, 100}, 1, 1, mark), GameMap.Texture = texture;
  EXPECT_EQ(Texel(0, 200, 200), White);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Decals, TracerLeavesADarkMark) {
  ClearParticles(), AddParticle(new TP_Trace({40, 10, 40}, {50, 0, 60}));
  EXPECT_EQ(Texel(0, 100, 120), (RGB{32, 32, 32}));
  ClearParticles();
}
