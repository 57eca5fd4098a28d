// The shot: spread, muzzle effects, the spider candidate, the ground march, hits and kills.

#include <limits>
#include <typeinfo>

#include "app/l_app.h"
#include "actors/l_spider.h"
#include "app/l_utils.h"
#include "effects/l_particle.h"
#include "support/model_files.h"
#include "support/world_maps.h"

namespace {

constexpr float Pi = 3.14159265358979f;
using std::tuple;

template <typename T>
int Count() {
  int n = 0;
  for (TP_Particle* p = ParticleList.Head; p; p = p->Next) n += typeid(*p) == typeid(T);
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
    std::vector<uint8_t> bytes = MakeZrm1({BoxMesh({0, 0, 0}, 20), BoxMesh({0, 10, 0}, 10)}, 1);
    ASSERT_TRUE(ModelLoadMemory(SpiderModel, bytes.data(), bytes.size()));
    NoBlood = NoGibs = false;
  }
  void TearDown() override {
    ClearParticles(), MapFree(GameMap, false), ModelFree(SpiderModel);
    NoBlood = NoGibs = false;
  }
  TSpider* SpiderAt(const TVector& p, int health = 3) {
    TSpider* s = MapAddSpider(GameMap);
    return s->Position = p, s->Health = health, s;
  }
  const TVector origin = {20, 3, 20};
  const TVector level = {0, 0, 0};  // elevation 0, heading 0: along +x
};

}  // namespace

TEST_F(Shot, StraightUpLeavesOnlyTheMuzzleEffectsAtTheOrigin) {
  EXPECT_FALSE(MapShoot(GameMap, origin, {Pi / 2, 0, 0}));
  TP_Fire* f = First<TP_Fire>();
  TP_Smoke* s = First<TP_Smoke>();
  ASSERT_TRUE(ParticleList.Count == 2 && f && s);
  EXPECT_TRUE(ParticleList.Head == f && f->Position.x == origin.x);  // fire added after the smoke
  EXPECT_FLOAT_EQ(s->Position.y, origin.y + 0.02f);  // already updated once
}

TEST_F(Shot, GroundHitAtTheExactCrossing) {
  for (int i = 0; i < 20; ++i) {
    EXPECT_FALSE((ClearParticles(), MapShoot(GameMap, origin, {-0.3f, 0.5f, 0})));
    TP_Ricochet* r = First<TP_Ricochet>();
    TP_Trace* t = First<TP_Trace>();
    ASSERT_TRUE(r && t && Count<TP_Trace>() == 1);
    EXPECT_TRUE(std::fabs(r->Position.y - 1.52f) < 1e-4f && t->Life == 2);  // half a unit above the hit, risen once
    // The streak is a piece of the path, its tail in the first half.
    float full = std::sqrt(VectorDistSq(origin, {r->Position.x, 1, r->Position.z}));
    float tail = std::sqrt(VectorDistSq(origin, t->Tail));
    float head = std::sqrt(VectorDistSq(origin, t->Position));
    EXPECT_TRUE(tail <= full / 2 + 1e-3f && head >= tail - 1e-4f && head - tail <= full / 2 + 1e-3f);
  }
}

TEST_F(Shot, SpreadStaysWithinTwoAndAHalfDegrees) {
  float lo = 1, hi = -1;
  for (int i = 0; i < 200; ++i) {
    ClearParticles(), MapShoot(GameMap, origin, {-0.3f, 0, 0});
    TP_Ricochet* r = First<TP_Ricochet>();
    ASSERT_NE(r, nullptr);
    float heading = std::atan2(r->Position.z - origin.z, r->Position.x - origin.x);
    lo = std::min(lo, heading), hi = std::max(hi, heading);
  }
  EXPECT_TRUE(lo >= -0.0437f && lo < -0.03f && hi <= 0.0437f && hi > 0.03f) << lo << " " << hi;
}

TEST_F(Shot, ThreeHitsKillWithBloodGibsAndRemoval) {
  SpiderAt({30, 3, 20});
  for (int hit = 1; hit <= 3; ++hit) {
    EXPECT_EQ(MapShoot(GameMap, origin, level), hit == 3);
    const int gibs = hit == 3 ? SpiderModel.MeshCount : 0;
    EXPECT_EQ(tuple(Count<TP_Blood>(), Count<TP_Gibs>()), tuple(3 * hit, gibs));
    if (hit < 3) { EXPECT_EQ(GameMap.Spiders->Health, 3 - hit); }
  }
  EXPECT_EQ(tuple(GameMap.SpiderCount, !GameMap.Spiders, Count<TP_Trace>()), tuple(0, true, 0));  // no tracer
  // Gibs come in mesh order: the last added (the head) carries the last mesh.
  EXPECT_EQ(First<TP_Gibs>()->Mesh.Vertices.Data(), SpiderModel.Meshes[1].Vertices.Data());
  // Without blood and gibs a kill leaves only the smoke and fire.
  NoBlood = NoGibs = true, ClearParticles(), SpiderAt({30, 3, 20}, 1);
  EXPECT_TRUE(MapShoot(GameMap, origin, level));
  EXPECT_EQ(tuple(GameMap.SpiderCount, ParticleList.Count), tuple(0, 2));
}

// Which spider a shot along +x from (20, 3, 20) hurts, if any, and what it leaves.
TEST_F(Shot, TheShotHurtsTheNearestSpiderOnItsLineBeforeTheGround) {
  const struct {
    const char* what;
    TVector at;
    float elevation;
    bool ridge;  // a ridge along x = 30
    int shots, health, traces;
  } cases[] = {
      {"behind", {19, 3, 20}, 0, false, 50, 3, -1},
      {"behind a hill", {40, 3, 20}, 0, true, 10, 3, 10},
      {"before the ground", {30, 2, 20}, std::atan2(-2.0f, 20.0f), false, 1, 2, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RandomSeed(1234), ClearParticles();
    while (GameMap.Spiders) MapRemoveSpider(GameMap, GameMap.Spiders);
    auto ridge = [&](int k, int) { return uint8_t(c.ridge && k == 15 ? 255 : 8); };
    ASSERT_TRUE(MapBuildTerrain(GameMap, MakeHeightImage(64, 64, ridge)));
    TSpider* s = SpiderAt(c.at);
    for (int i = 0; i < c.shots; ++i) EXPECT_FALSE(MapShoot(GameMap, origin, {c.elevation, 0, 0}));
    EXPECT_EQ(tuple(s->Health, Count<TP_Blood>()), tuple(c.health, 3 * (3 - c.health)));
    if (c.traces >= 0) { EXPECT_EQ(Count<TP_Trace>(), c.traces); }
    if (c.ridge) { EXPECT_EQ(Count<TP_Ricochet>(), c.traces); }
  }
}

TEST_F(Shot, NearestCandidateWinsAndTiesGoToTheHead) {
  TSpider *far = SpiderAt({40, 3, 20}), *near = SpiderAt({30, 3, 20});
  MapShoot(GameMap, origin, level);
  EXPECT_EQ(tuple(near->Health, far->Health), tuple(2, 3));
  TSpider* twin = SpiderAt({30, 3, 20});  // new head, same distance as 'near'
  MapShoot(GameMap, origin, level);
  EXPECT_EQ(tuple(twin->Health, near->Health), tuple(2, 2));
}

TEST_F(Shot, ThousandUnitsAwayIsOutOfRange) {
  SpiderModel.Radius = 400;  // the line test would always pass
  TSpider* s = SpiderAt({1020, 3, 20});
  MapShoot(GameMap, origin, level);
  EXPECT_EQ(s->Health, 3);
  s->Position.x = 1019, MapShoot(GameMap, origin, level);
  EXPECT_EQ(s->Health, 2);
}

TEST_F(Shot, BrokenInputsEndQuietly) {
  constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
  SpiderAt({30, 3, 20});
  EXPECT_FALSE(MapShoot(GameMap, {NaN, NaN, NaN}, level) || MapShoot(GameMap, origin, {NaN, 0, 0}) ||
               MapShoot(GameMap, origin, {1e30f, -1e30f, 0}));
  EXPECT_FALSE((MapFree(GameMap, false), MapShoot(GameMap, origin, {-0.5f, 0, 0})));  // no map: no ground to hit
  EXPECT_EQ(Count<TP_Trace>(), 0);
}
