// The shot: spread, muzzle effects, the spider candidate, the ground march, hits and kills.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <typeinfo>

#include "app/l_app.h"
#include "app/l_utils.h"
#include "effects/l_particle.h"
#include "support/model_files.h"
#include "support/world_doubles.h"
#include "support/world_maps.h"

namespace {

constexpr float Pi = 3.14159265358979f;

template <typename T>
int Count() {
  int n = 0;
  for (TP_Particle* p = ParticleList.Head; p; p = p->Next)
    if (typeid(*p) == typeid(T)) ++n;
  return n;
}

template <typename T>
T* First() {
  for (TP_Particle* p = ParticleList.Head; p; p = p->Next)
    if (typeid(*p) == typeid(T)) return static_cast<T*>(p);
  return nullptr;
}

class Shot : public ::testing::Test {
 protected:
  void SetUp() override {
    RandomSeed(1234);
    // Flat ground at y = 1 over 0..124, a two-mesh spider with radius about 3.5.
    ASSERT_TRUE(MapBuildTerrain(GameMap, FlatHeightImage(64, 64, 8)));
    ModelInit(SpiderModel);
    std::vector<uint8_t> bytes =
        MakeZrm1({BoxMesh({0, 0, 0}, 20), BoxMesh({0, 10, 0}, 10)}, 1);
    ASSERT_TRUE(ModelLoadMemory(SpiderModel, bytes.data(), bytes.size()));
    NoBlood = false;
    NoGibs = false;
  }
  void TearDown() override {
    ClearParticles();
    MapFree(GameMap, false);
    ModelFree(SpiderModel);
    NoBlood = false;
    NoGibs = false;
  }
  TSpider* SpiderAt(const TVector& p, int health = 3) {
    TSpider* s = MapAddSpider(GameMap);
    s->Position = p;
    s->Health = health;
    return s;
  }
  const TVector origin = {20, 3, 20};
  const TVector level = {0, 0, 0};  // elevation 0, heading 0: along +x
};

}  // namespace

TEST_F(Shot, StraightUpLeavesOnlyTheMuzzleEffectsAtTheOrigin) {
  EXPECT_FALSE(MapShoot(GameMap, origin, {Pi / 2, 0, 0}));
  EXPECT_EQ(ParticleList.Count, 2);
  EXPECT_EQ(Count<TP_Trace>(), 0);
  EXPECT_EQ(Count<TP_Ricochet>(), 0);
  TP_Fire* f = First<TP_Fire>();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Position.x, origin.x);
  TP_Smoke* s = First<TP_Smoke>();
  ASSERT_NE(s, nullptr);
  EXPECT_FLOAT_EQ(s->Position.y, origin.y + 0.02f);  // already updated once
  EXPECT_EQ(ParticleList.Head, f);  // fire added after the smoke
}

TEST_F(Shot, GroundHitAtTheExactCrossing) {
  for (int i = 0; i < 20; ++i) {
    ClearParticles();
    EXPECT_FALSE(MapShoot(GameMap, origin, {-0.3f, 0.5f, 0}));
    ASSERT_EQ(Count<TP_Trace>(), 1);
    TP_Ricochet* r = First<TP_Ricochet>();
    ASSERT_NE(r, nullptr);
    // The ricochet starts half a unit above the hit point and has risen once.
    EXPECT_NEAR(r->Position.y - 0.52f, 1.0f, 1e-4f);
    TP_Trace* t = First<TP_Trace>();
    EXPECT_EQ(t->Life, 2);
    // The streak is a piece of the path, its tail in the first half.
    float full = std::sqrt(VectorDistSq(origin, {r->Position.x, 1, r->Position.z}));
    float tail = std::sqrt(VectorDistSq(origin, t->Tail));
    float head = std::sqrt(VectorDistSq(origin, t->Position));
    EXPECT_LE(tail, full / 2 + 1e-3f);
    EXPECT_GE(head, tail - 1e-4f);
    EXPECT_LE(head - tail, full / 2 + 1e-3f);
  }
}

TEST_F(Shot, SpreadStaysWithinTwoAndAHalfDegrees) {
  float lo = 1, hi = -1;
  for (int i = 0; i < 200; ++i) {
    ClearParticles();
    MapShoot(GameMap, origin, {-0.3f, 0, 0});
    TP_Ricochet* r = First<TP_Ricochet>();
    ASSERT_NE(r, nullptr);
    float heading = std::atan2(r->Position.z - origin.z, r->Position.x - origin.x);
    lo = std::min(lo, heading);
    hi = std::max(hi, heading);
  }
  EXPECT_GE(lo, -0.0437f);
  EXPECT_LE(hi, 0.0437f);
  EXPECT_LT(lo, -0.03f);
  EXPECT_GT(hi, 0.03f);
}

TEST_F(Shot, SpiderBehindIsNeverHit) {
  TSpider* s = SpiderAt({19, 3, 20});
  for (int i = 0; i < 50; ++i) EXPECT_FALSE(MapShoot(GameMap, origin, level));
  EXPECT_EQ(s->Health, 3);
  EXPECT_EQ(Count<TP_Blood>(), 0);
}

TEST_F(Shot, ThreeHitsKillWithBloodGibsAndRemoval) {
  SpiderAt({30, 3, 20});
  ASSERT_EQ(GameMap.SpiderCount, 1);
  EXPECT_FALSE(MapShoot(GameMap, origin, level));
  EXPECT_EQ(GameMap.Spiders->Health, 2);
  EXPECT_EQ(Count<TP_Blood>(), 3);
  EXPECT_FALSE(MapShoot(GameMap, origin, level));
  EXPECT_EQ(Count<TP_Blood>(), 6);
  EXPECT_EQ(Count<TP_Gibs>(), 0);
  EXPECT_TRUE(MapShoot(GameMap, origin, level));
  EXPECT_EQ(Count<TP_Blood>(), 9);
  EXPECT_EQ(Count<TP_Gibs>(), SpiderModel.MeshCount);
  EXPECT_EQ(GameMap.SpiderCount, 0);
  EXPECT_EQ(GameMap.Spiders, nullptr);
  EXPECT_EQ(Count<TP_Trace>(), 0);  // a hit leaves no tracer
  // Gibs come in mesh order: the last added (the head) carries the last mesh.
  TP_Gibs* g = First<TP_Gibs>();
  EXPECT_EQ(g->Mesh.Vertices.Data(), SpiderModel.Meshes[1].Vertices.Data());
}

TEST_F(Shot, NoBloodNoGibsLeavesOnlyTheRemoval) {
  NoBlood = true;
  NoGibs = true;
  SpiderAt({30, 3, 20}, 1);
  EXPECT_TRUE(MapShoot(GameMap, origin, level));
  EXPECT_EQ(GameMap.SpiderCount, 0);
  EXPECT_EQ(ParticleList.Count, 2);  // smoke and fire
}

TEST_F(Shot, HillTakesTheBullet) {
  ASSERT_TRUE(MapBuildTerrain(GameMap, MakeHeightImage(64, 64, [](int k, int) {
    return uint8_t(k == 15 ? 255 : 8);  // a ridge along x = 30
  })));
  TSpider* s = SpiderAt({40, 3, 20});
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(MapShoot(GameMap, origin, level));
  EXPECT_EQ(s->Health, 3);
  EXPECT_EQ(Count<TP_Trace>(), 10);
  EXPECT_EQ(Count<TP_Ricochet>(), 10);
}

TEST_F(Shot, SpiderBeforeTheGroundIsHit) {
  // Aimed at the ground 20 ahead; the spider stands halfway on the line of fire.
  float elevation = std::atan2(-2.0f, 20.0f);
  TSpider* s = SpiderAt({30, 2, 20});
  EXPECT_FALSE(MapShoot(GameMap, origin, {elevation, 0, 0}));
  EXPECT_EQ(s->Health, 2);
  EXPECT_EQ(Count<TP_Trace>(), 0);
}

TEST_F(Shot, NearestCandidateWinsAndTiesGoToTheHead) {
  TSpider* far = SpiderAt({40, 3, 20});
  TSpider* near = SpiderAt({30, 3, 20});
  MapShoot(GameMap, origin, level);
  EXPECT_EQ(near->Health, 2);
  EXPECT_EQ(far->Health, 3);
  TSpider* twin = SpiderAt({30, 3, 20});  // new head, same distance as 'near'
  MapShoot(GameMap, origin, level);
  EXPECT_EQ(twin->Health, 2);
  EXPECT_EQ(near->Health, 2);
}

TEST_F(Shot, ThousandUnitsAwayIsOutOfRange) {
  SpiderModel.Radius = 400;  // the line test would always pass
  TSpider* s = SpiderAt({1020, 3, 20});
  MapShoot(GameMap, origin, level);
  EXPECT_EQ(s->Health, 3);
  s->Position.x = 1019;
  MapShoot(GameMap, origin, level);
  EXPECT_EQ(s->Health, 2);
}

TEST_F(Shot, BrokenInputsEndQuietly) {
  constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
  SpiderAt({30, 3, 20});
  EXPECT_FALSE(MapShoot(GameMap, {NaN, NaN, NaN}, level));
  EXPECT_FALSE(MapShoot(GameMap, origin, {NaN, 0, 0}));
  EXPECT_FALSE(MapShoot(GameMap, origin, {1e30f, -1e30f, 0}));
  MapFree(GameMap, false);
  EXPECT_FALSE(MapShoot(GameMap, origin, {-0.5f, 0, 0}));  // no map: no ground to hit
  EXPECT_EQ(Count<TP_Trace>(), 0);
}
