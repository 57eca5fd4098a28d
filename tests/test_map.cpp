// Map building from height images, file loading, the actor lists and the per-step walk.

#include <filesystem>

#include "render/l_gl.h"
#include "support/game_env.h"
#include "support/image_files.h"
#include "support/test_env.h"
#include "support/world_maps.h"

namespace {

class MapBuild : public ::testing::Test {
 protected:
  void SetUp() override { Player.Health = 100; }
  void TearDown() override { MapFree(map, false), Player.Health = 0; }
  TMap map;
};
using MapLists = MapBuild;

}  // namespace

TEST_F(MapBuild, FourByFourGivesEightCellTrianglesAndTenZeros) {
  ASSERT_TRUE(MapBuildTerrain(map, FlatHeightImage(4, 4, 0)));
  ASSERT_EQ(std::tuple(map.Width, map.Height, map.Vertices.size(), map.TriCount, map.Triangles.size()),
            std::tuple(4, 4, size_t(16), 18, size_t(18)));
  ASSERT_EQ(map.Planes.size(), 18u);
  for (int t = 0; t < 18; ++t) {
    const TTriangle& c = map.Triangles[t];
    const TPlane& p = map.Planes[t];
    const bool zero = c.a == 0 && c.b == 0 && c.c == 0 && p.normal.x == 0 && p.normal.y == 0 && p.d == 0;
    EXPECT_TRUE(t < 8 ? c.a || c.b || c.c : zero) << t;
  }
}

TEST_F(MapBuild, HeightsFromTheBlueByteAndVertexThreeFiveOf128Wide) {
  TImage img = MakeHeightImage(3, 3, [](int k, int j) { return uint8_t(j || k > 1 ? 0 : k ? 8 : 255); });
  img.Pixels[2 * 3 + 1] = img.Pixels[2 * 3 + 2] = 200;  // green and red play no part
  ASSERT_TRUE(MapBuildTerrain(map, img));
  EXPECT_EQ(std::tuple(map.Vertices[0].y, map.Vertices[1].y, map.Vertices[2].y), std::tuple(31.875f, 1.0f, 0.0f));
  ASSERT_TRUE(MapBuildTerrain(map, FlatHeightImage(128, 128, 0)));
  const int i = 5 * 128 + 3;
  EXPECT_EQ(std::tuple(map.Vertices[i].x, map.Vertices[i].z, map.TexCoords[i].u, map.TexCoords[i].v),
            std::tuple(6.0f, 10.0f, 3.0f / 128, 5.0f / 128));
  EXPECT_LT(std::fabs(map.DetailCoords[i].u - 0.3f) + std::fabs(map.DetailCoords[i].v - 0.5f), 1e-6f);
}

TEST_F(MapBuild, PlanesFollowASlope) {
  // y = 2k, a 45-degree ramp.
  ASSERT_TRUE(MapBuildTerrain(map, MakeHeightImage(4, 4, [](int k, int) { return uint8_t(16 * k); })));
  for (int t = 0; t < 8; ++t)
    EXPECT_LT(std::fabs(map.Planes[t].normal.x + 0.70710678f) + std::fabs(map.Planes[t].normal.y - 0.70710678f), 2e-5f);
}

TEST_F(MapBuild, RefusesTooLargeOrTooSmallImages) {
  TImage shortImg = FlatHeightImage(10, 10, 0);
  shortImg.Pixels.resize(50);  // pixels shorter than the size promises
  for (const TImage& img : {FlatHeightImage(257, 256, 0), FlatHeightImage(2, 100, 0), FlatHeightImage(100, 2, 0),
                            FlatHeightImage(65537, 1, 0), shortImg}) {
    ASSERT_TRUE(MapBuildTerrain(map, FlatHeightImage(3, 3, 0)));
    EXPECT_EQ(map.TriCount, 8);
    EXPECT_FALSE(MapBuildTerrain(map, img)) << img.Width << " x " << img.Height;
    EXPECT_EQ(std::tuple(map.Width, map.TriCount, map.Vertices.empty()), std::tuple(0, 0, true));
  }
  EXPECT_TRUE(MapBuildTerrain(map, FlatHeightImage(256, 256, 0)));
  // The last cell's far corner (254, 254); the last row and column belong to no triangle.
  EXPECT_EQ(map.Triangles[map.TriCount - 2 * (256 + 256 - 3) - 1].a, 254 * 256 + 254);
}

TEST_F(MapBuild, PixelSumOnlyInsideTheKeptImage) {
  map.Pixels = FlatHeightImage(4, 2, 10);
  int32_t sum = -1;
  EXPECT_TRUE(MapPixelSum(map, 3, 1, sum) && sum == 10);
  for (auto [c, r] : {std::pair(4, 0), {0, 2}, {-1, 0}}) EXPECT_FALSE(MapPixelSum(map, c, r, sum)) << c << ", " << r;
  map.Pixels = TImage{};
  EXPECT_FALSE(MapPixelSum(map, 0, 0, sum));
}

TEST_F(MapLists, RemovingHeadMiddleAndTailAndTheZenitsFollower) {
  TSpider *c = MapAddSpider(map), *b = MapAddSpider(map), *a = MapAddSpider(map);
  MapRemoveSpider(map, a);  // head
  EXPECT_EQ(std::tuple(map.Spiders, b->Prev), std::tuple(b, nullptr));
  TSpider* d = MapAddSpider(map);
  MapRemoveSpider(map, b);  // middle
  EXPECT_EQ(std::tuple(d->Next, c->Prev), std::tuple(c, d));
  MapRemoveSpider(map, c);  // tail
  EXPECT_EQ(std::tuple(d->Next, map.SpiderCount), std::tuple(nullptr, 1));
  // A turret's removal returns the one after it.
  TZenit *zb = MapAddZenit(map), *za = MapAddZenit(map);
  EXPECT_EQ(std::tuple(MapRemoveZenit(map, za), zb->Prev), std::tuple(zb, nullptr));
  EXPECT_EQ(std::tuple(MapRemoveZenit(map, zb), map.Zenits, map.ZenitCount), std::tuple(nullptr, nullptr, 0));
}

TEST_F(MapLists, UpdateRetiresZenitsOnlyWhileThePlayerLives) {
  TZenit *keep = MapAddZenit(map), *dying = MapAddZenit(map);
  dying->Life = 1, Player.Health = 0;  // retiring: the update takes it to 0
  MapUpdate(map);
  EXPECT_EQ(std::tuple(map.ZenitCount, dying->Life), std::tuple(2, 1));  // not even updated
  Player.Health = 50;
  MapUpdate(map);
  EXPECT_EQ(std::tuple(map.ZenitCount, map.Zenits, keep->Prev), std::tuple(1, keep, nullptr));
}

// Loading from files, in a scratch directory holding data\maps.
class MapFiles : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    for (const char* d : {"/data/maps", "/data/textures"}) std::filesystem::create_directories(dir.Path() + d);
    dir.Enter();
  }
  void TearDown() override {
    MapFree(map, true);
    while (!TextureTable.empty()) FreeTexture(TextureTable.back().ID);
    UnbindTexture();
  }
  void WriteJpeg(const std::string& path, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    WriteBytes(dir.Path() + "/" + path, MakeJpeg(w, h, UniformRgb(w, h, r, g, b), 3, 100));
  }
  ScratchDir dir;
  TMap map;
};

TEST_F(MapFiles, MissingOrOversizedHeightImageFailsWithEmptyArrays) {
  WriteJpeg("data/maps/huge_height.jpg", 300, 300, 0, 0, 0);
  for (const char* name : {"huge", "nowhere"}) {
    EXPECT_FALSE(MapLoad(map, name));
    EXPECT_EQ(std::tuple(map.Vertices.empty(), map.Triangles.empty(), map.Planes.empty(), map.TriCount),
              std::tuple(true, true, true, 0)) << name;
  }
}

TEST_F(MapFiles, LoadsTerrainTextureAndKeepsPixelsOrTheTerrainAlone) {
  WriteJpeg("data/maps/flat_height.jpg", 16, 16, 0, 0, 64);  // blue 64: height 8
  WriteJpeg("data/maps/flat.jpg", 32, 32, 200, 100, 50);
  MapAddSpider(map);
  ASSERT_TRUE(MapLoad(map, "flat"));
  EXPECT_EQ(std::tuple(map.SpiderCount, map.Width), std::tuple(0, 16));  // a load drops the old creatures
  EXPECT_NEAR(map.Vertices[17].y, 8.0f, 0.25f);
  int32_t sum = 0;
  EXPECT_TRUE(map.Texture != 0 && map.Pixels.Width == 32 && MapPixelSum(map, 5, 5, sum) && KeptPixels.Pixels.empty());
  EXPECT_NEAR(sum, 350, 6);
  // Again: the texture is released first and decoded anew, so the pixels come back.
  ASSERT_TRUE(MapLoad(map, "flat"));
  EXPECT_EQ(map.Pixels.Width, 32);
  // Without a colour image the terrain is still built.
  WriteJpeg("data/maps/bare_height.jpg", 8, 8, 0, 0, 0);
  ASSERT_TRUE(MapLoad(map, "bare"));
  EXPECT_EQ(std::tuple(map.Texture, map.Pixels.Pixels.empty(), map.TriCount), std::tuple(0u, true, 7 * 7 * 2));
}

TEST_F(MapFiles, InitLoadsSharedTexturesWithClampedSky) {
  for (int n = 1; n <= 5; ++n) WriteJpeg("data/textures/sky_" + std::to_string(n) + ".jpg", 4, 4, 10, 20, 30);
  WriteJpeg("data/textures/env.jpg", 4, 4, 1, 2, 3);
  MapInit(map);
  EXPECT_NE(map.EnvTexture, 0u);
  EXPECT_EQ(std::tuple(map.DetailTexture, map.RicochetSample), std::tuple(0u, -1));  // missing file: texture 0
  for (int n = 0; n < 5; ++n) {
    GLint s = 0, t = 0;
    glBindTexture(GL_TEXTURE_2D, map.SkyTextures[n]);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &s);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &t);
    EXPECT_TRUE(map.SkyTextures[n] && s == GL_CLAMP_TO_EDGE && t == GL_CLAMP_TO_EDGE) << n;
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  MapFree(map, true);  // the sky stays with the texture manager until shutdown
  EXPECT_TRUE(map.EnvTexture == 0 && glIsTexture(map.SkyTextures[0]));
}
