// The generated world in the game: the map loader and the renderer on the generated map.

#include <filesystem>

#include "app/l_app.h"
#include "render/l_gl.h"
#include "support/generated_data.h"
#include "support/png_dump.h"
#include "support/world_maps.h"

namespace {

constexpr float Pi = 3.14159265f;

// In the generated tree, for the game's loaders.
class DataImagesGL : public GLTest {
 protected:
  void SetUp() override { GLTest::SetUp(), std::filesystem::current_path(GeneratedTree().Path()); }
  void TearDown() override { std::filesystem::current_path(old_), GLTest::TearDown(); }
  std::filesystem::path old_ = std::filesystem::current_path();
};

TEST_F(DataImagesGL, MapLoadsWithOpenGroundAndWalkableWaysToTheSpawnCorners) {
  TMap map;
  ASSERT_TRUE(MapLoad(map, "map1"));
  // The colour pixels are kept for decals and the gun's tint.
  EXPECT_EQ(std::tuple(map.Width, map.Height, map.Pixels.Width, map.Pixels.Height), std::tuple(128, 128, 512, 512));
  float low = 1e9f, high = -1e9f, steepest = 0;
  for (const TVector& v : map.Vertices) low = std::fmin(low, v.y), high = std::fmax(high, v.y);
  EXPECT_TRUE(low >= 0 && high <= 31.875f && high - low > 15) << low << " .. " << high;  // hills, not a plain
  // The player's area: gentle on average, nowhere a wall.
  double sum = 0;
  int count = 0;
  for (int t = 0; t < map.TriCount; ++t) {
    const TVector& a = map.Vertices[map.Triangles[t].a];
    if (map.Triangles[t].a == map.Triangles[t].b || a.x < 20 || a.x > 148 || a.z < 20 || a.z > 148) continue;
    const float angle = std::acos(std::fmin(1.0f, map.Planes[t].normal.y)) * 180 / Pi;
    sum += angle, ++count, steepest = std::fmax(steepest, angle);
  }
  EXPECT_TRUE(count > 1000 && sum / count < 8.0 && steepest < 40.0f);  // degrees
  // From each spawn corner a straight walk to the middle climbs nowhere steeper than 35 degrees.
  for (const TVector& s : {TVector{220, 0, 50}, TVector{220, 0, 220}, TVector{50, 0, 220}}) {
    const float len = std::hypot(85 - s.x, 85 - s.z);
    float worst = 0, prev = s.y;
    for (float d = 0; d <= len; d += 1) {
      TVector p = {s.x + (85 - s.x) * d / len, 0, s.z + (85 - s.z) * d / len};
      MapGroundHeight(map, p);
      worst = std::fmax(worst, d ? std::fabs(p.y - prev) : 0), prev = p.y;
    }
    EXPECT_LT(std::atan(worst) * 180 / Pi, 35.0f) << s.x;
  }
  MapFree(map, true);
}

// The generated map in the game's frame: ground at the bottom of a level view, sky above a raised one.
TEST_F(DataImagesGL, TerrainUnderSkyFromThePlayersArea) {
  MapInit(GameMap);
  ASSERT_TRUE(MapLoad(GameMap, "map1"));
  InitCamera(Camera);
  Camera.Target = &Player, Player = TPlayer{};
  for (auto [name, pitch, ground] : {std::tuple("view_valley", 0.0f, true), {"view_sky", 0.7f, false}}) {
    TVector at = {85, 0, 85}, n;
    MapClampToGround(GameMap, at, n);
    LookFrom(at, pitch, Pi / 4);
    MapRender(GameMap);
    DumpFramePng(name, ScreenWidth, ScreenHeight);
    const auto c = ReadPixel(320, ground ? 20 : 400);
    EXPECT_TRUE(ground ? c[1] > c[2] : c[2] > c[0]) << name;
  }
  MapFree(GameMap, true);
  for (uint32_t& t : GameMap.SkyTextures) FreeTexture(t);
  GameMap = TMap{}, Camera = TCamera{};
  UnbindTexture();
  SetBlendMode(0);
}

}  // namespace
