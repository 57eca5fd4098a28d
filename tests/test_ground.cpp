// Ground queries: the triangle lookup, heights, normals, the play-area clamp, safe edges.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "game/l_game.h"
#include "support/world_maps.h"

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();

class Ground : public ::testing::Test {
 protected:
  void TearDown() override {
    MapFree(map, false);
    PlayerAreaFlag = false;
  }
  TMap map;
};

float HeightAt(const TMap& map, float x, float z) {
  TVector p = {x, 100, z};
  MapGroundHeight(map, p);
  return p.y;
}

}  // namespace

TEST_F(Ground, FlatGroundEverywhere) {
  ASSERT_TRUE(MapBuildTerrain(map, FlatHeightImage(32, 32, 40)));  // y = 5
  for (float x : {0.0f, 0.3f, 17.9f, 33.0f, 59.99f})
    for (float z : {0.0f, 1.0f, 30.5f, 59.0f}) {
      TVector p = {x, -3, z}, n;
      MapGroundHeight(map, p);
      EXPECT_FLOAT_EQ(p.y, 5) << x << "," << z;
      EXPECT_EQ(p.x, x);
      EXPECT_EQ(p.z, z);
      TVector q = {x + 25, 0, z + 25};
      MapClampToGround(map, q, n);
      EXPECT_FLOAT_EQ(q.y, 5);
      EXPECT_FLOAT_EQ(n.y, 1);
      EXPECT_FLOAT_EQ(n.x, 0);
    }
}

TEST_F(Ground, LookupPicksTheCellTriangleAndDiagonalGoesToTheSecond) {
  const int w = 10;
  ASSERT_TRUE(MapBuildTerrain(map, FlatHeightImage(w, 10, 0)));
  const int c = 3, r = 2, t = 2 * (r * (w - 2) + c);
  // Near corner (c, r): the first; near (c+1, r+1), on the diagonal or beside it: the second.
  const float probes[][3] = {{0.2f, 0.2f, 0}, {1.8f, 1.8f, 1}, {1.0f, 1.0f, 1}, {0.5f, 1.5f, 1}};
  for (const auto& q : probes) {
    TVector p = {2 * c + q[0], 0, 2 * r + q[1]};
    EXPECT_EQ(MapGroundHeight(map, p), t + int(q[2])) << q[0] << "," << q[1];
  }
}

TEST_F(Ground, HeightInterpolatesOnEachTriangle) {
  // Corner (1, 0) raised to 4: only the cell's triangles that hold it rise.
  ASSERT_TRUE(MapBuildTerrain(map, MakeHeightImage(4, 4, [](int k, int j) {
    return uint8_t(k == 1 && j == 0 ? 32 : 0);
  })));
  EXPECT_FLOAT_EQ(HeightAt(map, 2, 0), 4);
  EXPECT_NEAR(HeightAt(map, 1, 0), 2, 1e-5f);      // halfway along the top edge
  EXPECT_NEAR(HeightAt(map, 1, 1), 2, 1e-5f);      // middle of the diagonal
  EXPECT_NEAR(HeightAt(map, 1.5f, 1.5f), 1, 1e-5f);  // second triangle, towards (1, 1)
  EXPECT_NEAR(HeightAt(map, 0, 0), 0, 1e-5f);
}

TEST_F(Ground, ClampToPlayArea) {
  ASSERT_TRUE(MapBuildTerrain(map, FlatHeightImage(128, 128, 8)));
  // 20 units from the edge; the player alone stops at 150; NaN takes the lower bound.
  struct {
    float x, z;
    bool player;
    float wantX, wantZ;
  } cases[] = {{5, 5, false, 20, 20},
               {300, 300, false, 236, 236},
               {300, 100, true, 150, 100},
               {NaN, NaN, false, 20, 20}};
  for (const auto& c : cases) {
    TVector p = {c.x, 0, c.z}, n;
    PlayerAreaFlag = c.player;
    MapClampToGround(map, p, n);
    EXPECT_EQ(p.x, c.wantX) << c.x << "," << c.z;
    EXPECT_EQ(p.z, c.wantZ) << c.x << "," << c.z;
    EXPECT_FLOAT_EQ(p.y, 1) << c.x << "," << c.z;
  }
}

TEST_F(Ground, NoMapAnswersZeroAndUpOneCellMapStaysSafe) {
  TVector p = {10, 7, 10}, n = {9, 9, 9};
  EXPECT_EQ(MapGroundHeight(map, p), -1);
  EXPECT_EQ(p.y, 0);
  MapClampToGround(map, p, n);
  EXPECT_EQ(p.y, 0);
  EXPECT_EQ(n.x, 0);
  EXPECT_EQ(n.y, 1);
  EXPECT_EQ(n.z, 0);
  // One cell only: the clamp's bounds are inverted, the answer still lies on that cell.
  ASSERT_TRUE(MapBuildTerrain(map, FlatHeightImage(3, 3, 16)));
  p = {100, 0, 100}, n = {9, 9, 9};
  int32_t t = MapClampToGround(map, p, n);
  EXPECT_GE(t, 0);
  EXPECT_LE(t, 1);
  EXPECT_FLOAT_EQ(p.y, 2);
  EXPECT_FLOAT_EQ(n.y, 1);
}

TEST_F(Ground, OutsideTheAreaAnswersTheNearestCell) {
  // A ramp rising with x, and with z, so every edge has its own height.
  const int w = 12, h = 9;
  ASSERT_TRUE(MapBuildTerrain(map, MakeHeightImage(w, h, [](int k, int j) {
    return uint8_t(8 * k + 4 * j);
  })));
  const float maxX = 2.0f * (w - 2), maxZ = 2.0f * (h - 2);
  // The strip the shot and falling particles can reach, and far beyond it.
  EXPECT_FLOAT_EQ(HeightAt(map, maxX + 1.5f, 4), HeightAt(map, maxX, 4));
  EXPECT_FLOAT_EQ(HeightAt(map, 1e30f, 4), HeightAt(map, maxX, 4));
  EXPECT_FLOAT_EQ(HeightAt(map, 4, maxZ + 1.9f), HeightAt(map, 4, maxZ));
  EXPECT_FLOAT_EQ(HeightAt(map, -0.5f, 3), HeightAt(map, 0, 3));
  EXPECT_FLOAT_EQ(HeightAt(map, -1e30f, -1e30f), HeightAt(map, 0, 0));
  EXPECT_FLOAT_EQ(HeightAt(map, Inf, -Inf), HeightAt(map, maxX, 0));
  EXPECT_NEAR(HeightAt(map, maxX, maxZ), (w - 2) + 0.5f * (h - 2), 1e-4f);
  for (float x : {NaN, Inf, -Inf, 1e30f, -7.0f, maxX + 3.9f})
    for (float z : {NaN, 0.0f, 1e38f, maxZ + 2.0f}) {
      TVector p = {x, 0, z};
      int32_t t = MapGroundHeight(map, p);
      EXPECT_GE(t, 0);
      EXPECT_LT(t, 2 * (w - 2) * (h - 2));  // never one of the zero entries
      EXPECT_TRUE(std::isfinite(p.y));
    }
}
