// Render checks: the sky box seen from inside, a textured terrain, creatures, final state.

#include <functional>

#include "actors/l_spider.h"
#include "actors/l_zenit.h"
#include "app/l_app.h"
#include "render/l_gl.h"
#include "support/model_files.h"
#include "support/png_dump.h"
#include "support/test_env.h"
#include "support/world_maps.h"

namespace {

constexpr float Pi = 3.14159265358979f;
using RGB = std::array<int, 3>;

// A picture of w x h pixels given red, green, blue per pixel (top row first).
uint32_t MakeTexture(int w, int h, const std::function<RGB(int x, int y)>& colour) {
  std::vector<uint8_t> bgr;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const RGB c = colour(x, y);
      bgr.insert(bgr.end(), {uint8_t(c[2]), uint8_t(c[1]), uint8_t(c[0])});
    }
  return UploadTexture(GL_RGB8, GL_BGR_EXT, w, h, bgr.data());
}

class WorldRender : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    InitCamera(Camera);
    Camera.Target = &Player, Player = TPlayer{};
    // Face f: red 40 (f + 1); green marks the picture's top row, blue its left column.
    // Clamped at the edges, as MapInit leaves the sky textures.
    TextureClamp = true;
    for (int f = 0; f < 5; ++f)
      GameMap.SkyTextures[f] =
          MakeTexture(2, 2, [f](int x, int y) { return RGB{40 * (f + 1), y ? 0 : 255, x ? 0 : 255}; });
    TextureClamp = false;
  }
  void TearDown() override {
    MapFree(GameMap, false);
    while (!TextureTable.empty()) FreeTexture(TextureTable.back().ID);
    glDeleteTextures(5, GameMap.SkyTextures);
    GameMap = TMap{}, Camera = TCamera{};
    ModelFree(SpiderModel);
    ModelV2Free(ZenitModel);
    UnbindTexture();
    SetBlendMode(0);
    glDisable(GL_DEPTH_TEST);
  }
  // The pixel where a world point lands under the current camera.
  RGB Seen(const TVector& p) {
    GLdouble mv[16], pr[16], wx, wy, wz;
    GLint vp[4] = {0, 0, ScreenWidth, ScreenHeight};
    for (int i = 0; i < 16; ++i) mv[i] = Camera.View[i], pr[i] = Camera.Projection[i];
    gluProject(p.x, p.y, p.z, mv, pr, vp, &wx, &wy, &wz);
    return ReadPixel(int(wx), int(wy));
  }
  // A flat 30 x 30 ground at y = 0 seen from 18 up, straight down on its middle.
  void OverFlatGround() {
    ASSERT_TRUE(MapBuildTerrain(GameMap, FlatHeightImage(17, 17, 0)));
    LookFrom({15, 18, 15}, -Pi / 2, 0);
  }
};

// A texel of a sky picture: red names the face, green marks the top row, blue the left column.
void ExpectSkyTexel(const RGB& c, int red, bool topRow, bool leftColumn) {
  EXPECT_TRUE(std::abs(c[0] - red) <= 2 && (topRow ? c[1] > 200 : c[1] < 30) && (leftColumn ? c[2] > 200 : c[2] < 30))
      << c[0] << " " << c[1] << " " << c[2];
}

}  // namespace

TEST_F(WorldRender, SkySidesFaceTheRightWayUprightAndUnmirrored) {
  // Plus or minus, then the axis looked along.
  for (auto [name, yaw, face] : {std::tuple("px", 0.0f, 0), {"mz", -Pi / 2, 1}, {"pz", Pi / 2, 2}, {"mx", Pi, 3}}) {
    LookFrom({10, 0, -7}, 0, yaw);  // away from the origin: the box follows the eye
    RenderSky(GameMap);
    DumpFramePng(std::string("sky_") + name, ScreenWidth, ScreenHeight);
    // Screen quadrants at NDC (+-0.5, +-0.6) land well inside the face ahead: the picture's
    // top at the top (upright), its left at the left (not mirrored).
    SCOPED_TRACE(name);
    for (auto [x, y] : {std::pair(160, 384), {480, 96}}) ExpectSkyTexel(ReadPixel(x, y), 40 * (face + 1), y > 240, x < 320);
  }
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && BoundTexture == GameMap.SkyTextures[4]);
}

TEST_F(WorldRender, SkyTopHasItsPictureCornerAtPlusXMinusZAndNoBottom) {
  LookFrom({3, 0, 4}, Pi / 2, 0);
  RenderSky(GameMap);
  DumpFramePng("sky_top", ScreenWidth, ScreenHeight);
  // Picture corner (0, 0) sits at (1, 1, -1); corner (0, 1), left column and bottom row, at (1, 1, 1).
  const TVector& e = Camera.Eye;
  ExpectSkyTexel(Seen({e.x + 0.5f, e.y + 1, e.z - 0.5f}), 200, true, true);
  ExpectSkyTexel(Seen({e.x + 0.5f, e.y + 1, e.z + 0.5f}), 200, false, true);
  LookFrom({0, 0, 0}, -Pi / 2, 0);
  RenderSky(GameMap);
  EXPECT_EQ(ReadPixel(320, 240), (RGB{0, 0, 0}));
}

TEST_F(WorldRender, FlatTerrainTexturedWithDetailAndCreatures) {
  OverFlatGround();
  // A 4 x 4 checker of red and green; a mid-grey detail texture halves it.
  GameMap.Texture = MakeTexture(4, 4, [](int x, int y) { return (x + y) % 2 ? RGB{0, 200, 0} : RGB{200, 0, 0}; });
  GameMap.DetailTexture = MakeTexture(2, 2, [](int, int) { return RGB{128, 128, 128}; });
  TestMesh box = BoxMesh({0, 0, 0}, 10);
  box.color[0] = box.color[1] = 0;  // blue
  const std::vector<uint8_t> spider = MakeZrm1({box}, 1),  // a turret of three parts
      zenit = MakeZrm2({BoxMesh({0, 0.5f, 0}, 0.8f), BoxMesh({0, 1.2f, 0}, 0.5f), BoxMesh({1, 0, 0}, 0.3f)});
  ASSERT_TRUE(ModelLoadMemory(SpiderModel, spider.data(), spider.size()));
  ASSERT_TRUE(ModelV2LoadMemory(ZenitModel, zenit.data(), zenit.size()));
  TSpider* s = MapAddSpider(GameMap);
  s->Position = {10, 0, 20};
  // The spiders' placement: columns A, N, B (a mirror) and the position.
  MatrixMultiply(TMatrix{{0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 10, 0, 20, 1}}, Camera.View, s->ModelView);
  TZenit* z = MapAddZenit(GameMap);
  z->Position = {22, 0, 8};
  MatrixIdentity(z->BaseMatrix);
  z->BaseMatrix[12] = 22, z->BaseMatrix[14] = 8;
  MapRender(GameMap);
  DumpFramePng("terrain", ScreenWidth, ScreenHeight);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

  // Texel (0, 0) of the colour picture covers u, v in [0, 0.25): world x, z near 4.25. Red 200
  // times the grey detail; texel (1, 0) green; the spider's top lit blue; the turret grey.
  RGB c = Seen({4.25f, 0, 4.25f});
  EXPECT_TRUE(std::abs(c[0] - 100) <= 6 && c[1] < 10) << c[0];
  c = Seen({12.75f, 0, 4.25f});
  EXPECT_TRUE(std::abs(c[1] - 100) <= 6 && c[0] < 10) << c[1];
  c = Seen({10, 1, 20});
  EXPECT_TRUE(c[2] > 60 && c[0] < 10 && c[1] < 10) << c[2];
  c = Seen({22, 1.3f, 8});
  EXPECT_TRUE(c[0] > 20 && std::abs(c[0] - c[2]) <= 3 && std::abs(c[0] - c[1]) <= 3) << c[0];

  // What the frame leaves behind.
  for (GLenum cap : {GL_LIGHTING, GL_CULL_FACE, GL_TEXTURE_GEN_S, GL_NORMAL_ARRAY, GL_COLOR_ARRAY})
    EXPECT_FALSE(glIsEnabled(cap)) << cap;
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  GLint src = 0, dst = 0, unit = 0;
  for (auto [name, v] : {std::pair(GL_BLEND_SRC, &src), {GL_BLEND_DST, &dst}, {GL_ACTIVE_TEXTURE_ARB, &unit}})
    glGetIntegerv(name, v);
  EXPECT_EQ(std::tuple(src, dst, unit), std::tuple(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_TEXTURE0_ARB));
  ext::glActiveTextureARB(GL_TEXTURE1_ARB);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));  // the detail unit
  ext::glActiveTextureARB(GL_TEXTURE0_ARB);
}

TEST_F(WorldRender, WithoutMultitextureTheColourTextureAloneIsDrawn) {
  OverFlatGround();
  GameMap.Texture = MakeTexture(2, 2, [](int, int) { return RGB{200, 0, 0}; });
  GameMap.DetailTexture = MakeTexture(2, 2, [](int, int) { return RGB{128, 128, 128}; });
  auto exts = std::tie(ext::glActiveTextureARB, ext::glClientActiveTextureARB, ext::glMultiTexCoord2fvARB);
  const auto saved = std::make_tuple(std::get<0>(exts), std::get<1>(exts), std::get<2>(exts));
  exts = std::tuple(nullptr, nullptr, nullptr);
  MapRender(GameMap);
  exts = saved;
  EXPECT_TRUE(glGetError() == GL_NO_ERROR && std::abs(ReadPixel(320, 240)[0] - 200) <= 3);
}

TEST_F(WorldRender, EmptyMapDrawsOnlyTheSky) {
  LookFrom({0, 0, 0}, 0, 0);
  MapRender(GameMap);
  EXPECT_TRUE(glGetError() == GL_NO_ERROR && std::abs(ReadPixel(160, 384)[0] - 40) <= 2);
}
