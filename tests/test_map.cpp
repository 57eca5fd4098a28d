// Map building from height images, file loading, the actor lists and the per-step walk.
#include <gtest/gtest.h>

#include <filesystem>

#include "render/l_gl.h"
#include "support/image_files.h"
#include "support/test_env.h"
#include "support/world_doubles.h"

namespace {

TImage HeightImage(int w, int h, uint8_t blue = 0) {
  TImage img;
  img.Width = w;
  img.Height = h;
  img.Bits = 24;
  img.Pixels.assign(size_t(w) * h * 3, 0);
  for (size_t i = 0; i < size_t(w) * h; ++i) img.Pixels[i * 3] = blue;
  return img;
}

void SetBlue(TImage& img, int k, int j, uint8_t blue) {
  img.Pixels[(size_t(j) * img.Width + k) * 3] = blue;
}

bool IsZero(const TTriangle& t) { return t.a == 0 && t.b == 0 && t.c == 0; }

class MapBuild : public ::testing::Test {
 protected:
  void TearDown() override { MapFree(map, false); }
  TMap map;
};

}  // namespace

TEST_F(MapBuild, FourByFourGivesEightCellTrianglesAndTenZeros) {
  ASSERT_TRUE(MapBuildTerrain(map, HeightImage(4, 4)));
  EXPECT_EQ(map.Width, 4);
  EXPECT_EQ(map.Height, 4);
  EXPECT_EQ(map.Vertices.size(), 16u);
  EXPECT_EQ(map.TriCount, 18);
  ASSERT_EQ(map.Triangles.size(), 18u);
  ASSERT_EQ(map.Planes.size(), 18u);
  for (int t = 0; t < 8; ++t) EXPECT_FALSE(IsZero(map.Triangles[t])) << t;
  for (int t = 8; t < 18; ++t) {
    EXPECT_TRUE(IsZero(map.Triangles[t])) << t;
    EXPECT_EQ(map.Planes[t].normal.x, 0);
    EXPECT_EQ(map.Planes[t].normal.y, 0);
    EXPECT_EQ(map.Planes[t].d, 0);
  }
}

TEST_F(MapBuild, HeightsFromTheBlueByte) {
  TImage img = HeightImage(3, 3);
  SetBlue(img, 0, 0, 255);
  SetBlue(img, 1, 0, 8);
  img.Pixels[(2) * 3 + 1] = 200;  // green and red play no part
  img.Pixels[(2) * 3 + 2] = 200;
  ASSERT_TRUE(MapBuildTerrain(map, img));
  EXPECT_FLOAT_EQ(map.Vertices[0].y, 31.875f);
  EXPECT_FLOAT_EQ(map.Vertices[1].y, 1.0f);
  EXPECT_FLOAT_EQ(map.Vertices[2].y, 0.0f);
}

TEST_F(MapBuild, VertexThreeFiveOf128Wide) {
  ASSERT_TRUE(MapBuildTerrain(map, HeightImage(128, 128)));
  const int i = 5 * 128 + 3;
  EXPECT_FLOAT_EQ(map.Vertices[i].x, 6);
  EXPECT_FLOAT_EQ(map.Vertices[i].z, 10);
  EXPECT_FLOAT_EQ(map.TexCoords[i].u, 3.0f / 128);
  EXPECT_FLOAT_EQ(map.TexCoords[i].v, 5.0f / 128);
  EXPECT_FLOAT_EQ(map.DetailCoords[i].u, 0.3f);
  EXPECT_FLOAT_EQ(map.DetailCoords[i].v, 0.5f);
  EXPECT_EQ(map.TriCount, 127 * 127 * 2);
}

TEST_F(MapBuild, CellTrianglesAndTheDiagonal) {
  const int w = 7;
  ASSERT_TRUE(MapBuildTerrain(map, HeightImage(w, 5)));
  const TTriangle& t0 = map.Triangles[0];
  EXPECT_EQ(t0.a, w);
  EXPECT_EQ(t0.b, 1);
  EXPECT_EQ(t0.c, 0);
  const TTriangle& t1 = map.Triangles[1];
  EXPECT_EQ(t1.a, w + 1);
  EXPECT_EQ(t1.b, 1);
  EXPECT_EQ(t1.c, w);
  // Cell (1, 0) owns entries 2 and 3; cell (0, 1) starts a row of w - 2 cells.
  EXPECT_EQ(map.Triangles[2].c, 1);
  EXPECT_EQ(map.Triangles[3].a, w + 2);
  EXPECT_EQ(map.Triangles[2 * (w - 2)].c, w);
  // Both triangles of every cell face up; the first two share the diagonal (k, j+1)-(k+1, j).
  const int cells = 2 * (w - 2) * (5 - 2);
  for (int t = 0; t < cells; ++t) EXPECT_NEAR(map.Planes[t].normal.y, 1, 1e-6f) << t;
  EXPECT_EQ(map.Triangles[0].a, map.Triangles[1].c);
  EXPECT_EQ(map.Triangles[0].b, map.Triangles[1].b);
  EXPECT_TRUE(IsZero(map.Triangles[cells]));
}

TEST_F(MapBuild, PlanesFollowASlope) {
  TImage img = HeightImage(4, 4);
  for (int j = 0; j < 4; ++j)
    for (int k = 0; k < 4; ++k) SetBlue(img, k, j, uint8_t(16 * k));  // y = 2k, a 45-degree ramp
  ASSERT_TRUE(MapBuildTerrain(map, img));
  for (int t = 0; t < 8; ++t) {
    EXPECT_NEAR(map.Planes[t].normal.x, -0.70710678f, 1e-5f);
    EXPECT_NEAR(map.Planes[t].normal.y, 0.70710678f, 1e-5f);
  }
}

TEST_F(MapBuild, RefusesTooLargeOrTooSmallImages) {
  EXPECT_FALSE(MapBuildTerrain(map, HeightImage(257, 256)));
  EXPECT_TRUE(map.Vertices.empty());
  EXPECT_EQ(map.TriCount, 0);
  EXPECT_FALSE(MapBuildTerrain(map, HeightImage(2, 100)));
  EXPECT_FALSE(MapBuildTerrain(map, HeightImage(100, 2)));
  EXPECT_FALSE(MapBuildTerrain(map, HeightImage(65537, 1)));
  EXPECT_TRUE(MapBuildTerrain(map, HeightImage(3, 3)));
  EXPECT_EQ(map.TriCount, 8);
  EXPECT_TRUE(MapBuildTerrain(map, HeightImage(256, 256)));
  // The last cell's far corner (254, 254); the last row and column belong to no triangle.
  EXPECT_EQ(map.Triangles[map.TriCount - 2 * (256 + 256 - 3) - 1].a, 254 * 256 + 254);
  // Pixels shorter than the size promises.
  TImage shortImg = HeightImage(10, 10);
  shortImg.Pixels.resize(50);
  EXPECT_FALSE(MapBuildTerrain(map, shortImg));
  EXPECT_EQ(map.Width, 0);
}

TEST_F(MapBuild, PixelSumOnlyInsideTheKeptImage) {
  map.Pixels = HeightImage(4, 2, 10);
  int32_t sum = -1;
  EXPECT_TRUE(MapPixelSum(map, 3, 1, sum));
  EXPECT_EQ(sum, 10);
  EXPECT_FALSE(MapPixelSum(map, 4, 0, sum));
  EXPECT_FALSE(MapPixelSum(map, 0, 2, sum));
  EXPECT_FALSE(MapPixelSum(map, -1, 0, sum));
  map.Pixels = TImage{};
  EXPECT_FALSE(MapPixelSum(map, 0, 0, sum));
}

class MapLists : public ::testing::Test {
 protected:
  void SetUp() override {
#if WORLD_DOUBLES
    DoubleSpiderUpdates = 0;
#endif
    Player.Health = 100;
  }
  void TearDown() override {
    MapFree(map, false);
    Player.Health = 0;
  }
  TMap map;
};

TEST_F(MapLists, NewSpiderIsFilledAndPushedAtTheFront) {
  TSpider* a = MapAddSpider(map);
  TSpider* b = MapAddSpider(map);
  EXPECT_EQ(map.SpiderCount, 2);
  EXPECT_EQ(map.Spiders, b);
  EXPECT_EQ(b->Next, a);
  EXPECT_EQ(a->Prev, b);
  EXPECT_EQ(b->Prev, nullptr);
  EXPECT_EQ(a->Health, 3);
  EXPECT_EQ(a->Speed, 0);
  EXPECT_EQ(a->AnimFrame, 0);
  EXPECT_EQ(a->AnimTime, 0);  // the test's spider model has no animation
}

TEST_F(MapLists, RemovingHeadMiddleAndTail) {
  TSpider* c = MapAddSpider(map);
  TSpider* b = MapAddSpider(map);
  TSpider* a = MapAddSpider(map);
  MapRemoveSpider(map, a);  // head
  EXPECT_EQ(map.Spiders, b);
  EXPECT_EQ(b->Prev, nullptr);
  TSpider* d = MapAddSpider(map);
  MapRemoveSpider(map, b);  // middle
  EXPECT_EQ(d->Next, c);
  EXPECT_EQ(c->Prev, d);
  MapRemoveSpider(map, c);  // tail
  EXPECT_EQ(d->Next, nullptr);
  EXPECT_EQ(map.SpiderCount, 1);
}

TEST_F(MapLists, ZenitsInitAndRemovalReturnsTheFollower) {
  TZenit* b = MapAddZenit(map);
  TZenit* a = MapAddZenit(map);
  EXPECT_EQ(a->Life, ZenitFullLife);
  EXPECT_FALSE(a->HasTarget);
  EXPECT_EQ(a->FireDelay, 0);
  EXPECT_EQ(a->TargetSpider, nullptr);
  EXPECT_EQ(map.ZenitCount, 2);
  EXPECT_EQ(MapRemoveZenit(map, a), b);
  EXPECT_EQ(map.Zenits, b);
  EXPECT_EQ(b->Prev, nullptr);
  EXPECT_EQ(MapRemoveZenit(map, b), nullptr);
  EXPECT_EQ(map.Zenits, nullptr);
  EXPECT_EQ(map.ZenitCount, 0);
}

TEST_F(MapLists, UpdateRetiresZenitsOnlyWhileThePlayerLives) {
  TZenit* keep = MapAddZenit(map);
  TZenit* dying = MapAddZenit(map);
  dying->Life = 1;  // retiring: the update takes it to 0
  Player.Health = 0;
  MapUpdate(map);
  EXPECT_EQ(map.ZenitCount, 2);
  EXPECT_EQ(dying->Life, 1);  // not even updated
  Player.Health = 50;
  MapUpdate(map);
  EXPECT_EQ(map.ZenitCount, 1);
  EXPECT_EQ(map.Zenits, keep);
  EXPECT_EQ(keep->Prev, nullptr);
}

#if WORLD_DOUBLES
TEST_F(MapLists, UpdateWalksEverySpiderEvenWhenThePlayerIsDead) {
  MapAddSpider(map);
  MapAddSpider(map);
  Player.Health = 0;
  MapUpdate(map);
  EXPECT_EQ(DoubleSpiderUpdates, 2);
  Player.Health = 50;
  MapUpdate(map);
  EXPECT_EQ(DoubleSpiderUpdates, 4);
}
#endif

TEST_F(MapLists, FreeDropsEverything) {
  for (int i = 0; i < 5; ++i) MapAddSpider(map);
  MapAddZenit(map);
  ASSERT_TRUE(MapBuildTerrain(map, HeightImage(5, 5)));
  MapFree(map, false);
  EXPECT_EQ(map.Spiders, nullptr);
  EXPECT_EQ(map.Zenits, nullptr);
  EXPECT_EQ(map.SpiderCount, 0);
  EXPECT_EQ(map.ZenitCount, 0);
  EXPECT_TRUE(map.Vertices.empty());
  EXPECT_TRUE(map.Planes.empty());
  MapFree(map, true);  // repeated release is harmless
}

// Loading from files, in a scratch directory holding data\maps.
class MapFiles : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    old = std::filesystem::current_path();
    std::filesystem::create_directories(dir.Path() + "/data/maps");
    std::filesystem::create_directories(dir.Path() + "/data/textures");
    std::filesystem::current_path(dir.Path());
  }
  void TearDown() override {
    MapFree(map, true);
    while (!TextureTable.empty()) FreeTexture(TextureTable.back().ID);
    UnbindTexture();
    std::filesystem::current_path(old);
  }
  void WriteJpeg(const std::string& path, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < w * h; ++i) rgb.insert(rgb.end(), {r, g, b});
    WriteBytes(dir.Path() + "/" + path, MakeJpeg(w, h, rgb, 3, 100));
  }
  ScratchDir dir;
  std::filesystem::path old;
  TMap map;
};

TEST_F(MapFiles, MissingOrOversizedHeightImageFailsWithEmptyArrays) {
  WriteJpeg("data/maps/huge_height.jpg", 300, 300, 0, 0, 0);
  EXPECT_FALSE(MapLoad(map, "huge"));
  EXPECT_TRUE(map.Vertices.empty());
  EXPECT_FALSE(MapLoad(map, "nowhere"));
  EXPECT_TRUE(map.Vertices.empty());
  EXPECT_TRUE(map.Triangles.empty());
  EXPECT_TRUE(map.Planes.empty());
  EXPECT_EQ(map.TriCount, 0);
}

TEST_F(MapFiles, LoadsTerrainTextureAndKeepsPixels) {
  WriteJpeg("data/maps/flat_height.jpg", 16, 16, 0, 0, 64);  // blue 64: height 8
  WriteJpeg("data/maps/flat.jpg", 32, 32, 200, 100, 50);
  TSpider* s = MapAddSpider(map);
  (void)s;
  ASSERT_TRUE(MapLoad(map, "flat"));
  EXPECT_EQ(map.SpiderCount, 0);  // a load drops the old creatures
  EXPECT_EQ(map.Width, 16);
  EXPECT_NEAR(map.Vertices[17].y, 8.0f, 0.25f);
  EXPECT_NE(map.Texture, 0u);
  EXPECT_EQ(map.Pixels.Width, 32);
  EXPECT_EQ(map.Pixels.Height, 32);
  int32_t sum = 0;
  ASSERT_TRUE(MapPixelSum(map, 5, 5, sum));
  EXPECT_NEAR(sum, 350, 6);
  EXPECT_TRUE(KeptPixels.Pixels.empty());
  // Again: the texture is released first and decoded anew, so the pixels come back.
  ASSERT_TRUE(MapLoad(map, "flat"));
  EXPECT_EQ(map.Pixels.Width, 32);
}

TEST_F(MapFiles, MissingColourImageStillBuildsTheTerrain) {
  WriteJpeg("data/maps/bare_height.jpg", 8, 8, 0, 0, 0);
  ASSERT_TRUE(MapLoad(map, "bare"));
  EXPECT_EQ(map.Texture, 0u);
  EXPECT_TRUE(map.Pixels.Pixels.empty());
  EXPECT_EQ(map.TriCount, 7 * 7 * 2);
}

TEST_F(MapFiles, InitLoadsSharedTexturesWithClampedSky) {
  for (int n = 1; n <= 5; ++n)
    WriteJpeg("data/textures/sky_" + std::to_string(n) + ".jpg", 4, 4, 10, 20, 30);
  WriteJpeg("data/textures/env.jpg", 4, 4, 1, 2, 3);
  MapInit(map);
  EXPECT_NE(map.EnvTexture, 0u);
  EXPECT_EQ(map.DetailTexture, 0u);  // missing file: texture 0
  EXPECT_EQ(map.RicochetSample, -1);
  for (int n = 0; n < 5; ++n) {
    ASSERT_NE(map.SkyTextures[n], 0u);
    glBindTexture(GL_TEXTURE_2D, map.SkyTextures[n]);
    GLint s = 0, t = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &s);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &t);
    EXPECT_EQ(s, GL_CLAMP_TO_EDGE);
    EXPECT_EQ(t, GL_CLAMP_TO_EDGE);
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  MapFree(map, true);
  EXPECT_EQ(map.EnvTexture, 0u);
  // The sky stays with the texture manager until shutdown.
  EXPECT_TRUE(glIsTexture(map.SkyTextures[0]));
}
