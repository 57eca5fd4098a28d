// Map building from height images, file loading, the actor lists and the per-step walk.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "actors/l_spider.h"
#include "actors/l_zenit.h"
#include "game/l_game.h"
#include "render/l_gl.h"
#include "support/image_files.h"
#include "support/test_env.h"
#include "support/world_maps.h"

namespace {

TImage HeightImage(int w, int h, uint8_t blue = 0) { return FlatHeightImage(w, h, blue); }

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
  TImage img = MakeHeightImage(3, 3, [](int k, int j) {
    return uint8_t(j || k > 1 ? 0 : k ? 8 : 255);
  });
  img.Pixels[2 * 3 + 1] = img.Pixels[2 * 3 + 2] = 200;  // green and red play no part
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
}

TEST_F(MapBuild, PlanesFollowASlope) {
  // y = 2k, a 45-degree ramp.
  ASSERT_TRUE(
      MapBuildTerrain(map, MakeHeightImage(4, 4, [](int k, int) { return uint8_t(16 * k); })));
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
  void SetUp() override { Player.Health = 100; }
  void TearDown() override {
    MapFree(map, false);
    Player.Health = 0;
  }
  TMap map;
};

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

TEST_F(MapLists, ZenitRemovalReturnsTheFollower) {
  TZenit* b = MapAddZenit(map);
  TZenit* a = MapAddZenit(map);
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
  MapAddSpider(map);
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
