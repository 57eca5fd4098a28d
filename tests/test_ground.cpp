// Ground queries: the triangle lookup, heights, normals, the play-area clamp, safe edges.

#include <limits>

#include "support/world_maps.h"

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();

class Ground : public ::testing::Test {
 protected:
  void TearDown() override { MapFree(map, false), PlayerAreaFlag = false; }
  float HeightAt(float x, float z) {
    TVector p = {x, 100, z};
    return MapGroundHeight(map, p), p.y;
  }
  TMap map;
};

}  // namespace

TEST_F(Ground, FlatGroundEverywhere) {
  ASSERT_TRUE(MapBuildTerrain(map, FlatHeightImage(32, 32, 40)));  // y = 5
  for (auto [x, z] : {std::pair(0.0f, 59.0f), {17.9f, 30.5f}, {59.99f, 0.0f}, {0.3f, 1.0f}}) {
    TVector p = {x, -3, z}, q = {x + 25, 0, z + 25}, n;
    MapGroundHeight(map, p);
    MapClampToGround(map, q, n);
    EXPECT_EQ(std::tuple(p.x, p.y, p.z, q.y, n.x, n.y), std::tuple(x, 5.0f, z, 5.0f, 0.0f, 1.0f)) << x;
  }
}

TEST_F(Ground, LookupPicksTheCellTriangleAndDiagonalGoesToTheSecond) {
  const int w = 10, c = 3, r = 2, t = 2 * (r * (w - 2) + c);
  ASSERT_TRUE(MapBuildTerrain(map, FlatHeightImage(w, 10, 0)));
  // Near corner (c, r): the first; near (c+1, r+1), on the diagonal or beside it: the second.
  for (auto [x, z, second] : {std::tuple(0.2f, 0.2f, 0), {1.8f, 1.8f, 1}, {1.0f, 1.0f, 1}, {0.5f, 1.5f, 1}}) {
    TVector p = {2 * c + x, 0, 2 * r + z};
    EXPECT_EQ(MapGroundHeight(map, p), t + second) << x << ", " << z;
  }
}

TEST_F(Ground, HeightInterpolatesOnEachTriangle) {
  // Corner (1, 0) raised to 4: only the cell's triangles that hold it rise.
  ASSERT_TRUE(
      MapBuildTerrain(map, MakeHeightImage(4, 4, [](int k, int j) { return uint8_t(k == 1 && j == 0 ? 32 : 0); })));
  // The corner, halfway along the top edge, the middle of the diagonal, the second triangle.
  for (auto [x, z, y] : {std::tuple(2.0f, 0.0f, 4.0f), {1, 0, 2}, {1, 1, 2}, {1.5f, 1.5f, 1}, {0, 0, 0}})
    EXPECT_NEAR(HeightAt(x, z), y, 1e-5f) << x << ", " << z;
}

TEST_F(Ground, ClampToPlayArea) {
  ASSERT_TRUE(MapBuildTerrain(map, FlatHeightImage(128, 128, 8)));
  // 20 units from the edge; the player alone stops at 150; NaN takes the lower bound.
  for (auto [x, z, player, wantX, wantZ] : {std::tuple(5.0f, 5.0f, false, 20.0f, 20.0f), {300, 300, false, 236, 236},
                                             {300, 100, true, 150, 100}, {NaN, NaN, false, 20, 20}}) {
    TVector p = {x, 0, z}, n;
    PlayerAreaFlag = player;
    MapClampToGround(map, p, n);
    EXPECT_EQ(std::tuple(p.x, p.z, p.y), std::tuple(wantX, wantZ, 1.0f)) << x << "," << z;
  }
}

TEST_F(Ground, NoMapAnswersZeroAndUpOneCellMapStaysSafe) {
  TVector p = {10, 7, 10}, n = {9, 9, 9};
  EXPECT_EQ(std::tuple(MapGroundHeight(map, p), p.y), std::tuple(-1, 0.0f));
  MapClampToGround(map, p, n);
  EXPECT_EQ(std::tuple(p.y, n.x, n.y, n.z), std::tuple(0.0f, 0.0f, 1.0f, 0.0f));
  // One cell only: the clamp's bounds are inverted, the answer still lies on that cell.
  ASSERT_TRUE(MapBuildTerrain(map, FlatHeightImage(3, 3, 16)));
  p = {100, 0, 100}, n = {9, 9, 9};
  const int32_t t = MapClampToGround(map, p, n);
  EXPECT_TRUE((t == 0 || t == 1) && p.y == 2 && n.y == 1) << t << " " << p.y;
}

TEST_F(Ground, OutsideTheAreaAnswersTheNearestCell) {
  // A ramp rising with x, and with z, so every edge has its own height.
  const int w = 12, h = 9;
  ASSERT_TRUE(MapBuildTerrain(map, MakeHeightImage(w, h, [](int k, int j) { return uint8_t(8 * k + 4 * j); })));
  const float maxX = 2.0f * (w - 2), maxZ = 2.0f * (h - 2);
  // The strip the shot and falling particles can reach, and far beyond it.
  for (auto [x, z, nx, nz] : {std::tuple(maxX + 1.5f, 4.0f, maxX, 4.0f), {1e30f, 4, maxX, 4}, {4, maxZ + 1.9f, 4, maxZ},
                               {-0.5f, 3, 0, 3}, {-1e30f, -1e30f, 0, 0}, {Inf, -Inf, maxX, 0}})
    EXPECT_FLOAT_EQ(HeightAt(x, z), HeightAt(nx, nz)) << x << ", " << z;
  EXPECT_NEAR(HeightAt(maxX, maxZ), (w - 2) + 0.5f * (h - 2), 1e-4f);
  for (float x : {NaN, Inf, -Inf, 1e30f, -7.0f, maxX + 3.9f})
    for (float z : {NaN, 0.0f, 1e38f, maxZ + 2.0f}) {
      TVector p = {x, 0, z};
      const int32_t t = MapGroundHeight(map, p);
      // Never one of the zero entries.
      EXPECT_TRUE(t >= 0 && t < 2 * (w - 2) * (h - 2) && std::isfinite(p.y)) << x << "," << z;
    }
}
