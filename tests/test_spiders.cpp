// Spiders and waves: the wave controller's timing and sizes, aiming, walking, biting, placement.

#include "support/game_env.h"
#include "support/world_maps.h"

namespace {

using std::tuple;

auto Wave() { return tuple(WaveSize, SpawnsLeft, WaveDelay); }
void RemoveAllSpiders() {
  while (GameMap.Spiders) MapRemoveSpider(GameMap, GameMap.Spiders);
}

// A new game with its first wave to come; the player never dies of its bites.
class Spiders : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    if (!IsSkipped()) NewGame(), MenuActive = false;
  }
};

// One spider of the test's own at (100, 8, 100), the player on the ground, none spawning.
class LoneSpider : public PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    if (!IsSkipped()) s = AddSpider(100, 100);
  }
  TSpider* s = nullptr;
};

TEST_F(Spiders, FirstWaveWaitsThenSpawns25AndTheNextWaitsForTheLastSpiderThenGrows) {
  Player.Health = 1000000;  // keeps the player alive without changing what spawns
  Steps(498);
  EXPECT_EQ(tuple(GameMap.SpiderCount, WaveDelay), tuple(0, 2));
  Step();
  EXPECT_EQ(WaveDelay, 1);  // the 499th step is the first that may spawn
  int steps = 0;
  for (; SpawnsLeft > 0 && steps < 5000; ++steps) Step();
  EXPECT_EQ(tuple(GameMap.SpiderCount, WaveDelay), tuple(25, 0));
  EXPECT_GT(steps, 25 * 5);  // one chance in 15 a step: about 375 steps for 25
  Player.Position = {30, 8, 30};
  for (int i = 0; i < 300; ++i) {  // kept away from the player so nobody bites or gets stuck
    for (TSpider* s = GameMap.Spiders; s; s = s->Next) s->Position = {200, 0, 200};
    Step();
  }
  while (GameMap.SpiderCount > 1) MapRemoveSpider(GameMap, GameMap.Spiders);
  Step();
  EXPECT_EQ(tuple(WaveSize, GameMap.SpiderCount), tuple(25, 1));  // not while one is left
  RemoveAllSpiders(), Step();
  EXPECT_EQ(Wave(), tuple(50, 50, 500));
  SpawnsLeft = WaveDelay = 0, Step();
  EXPECT_EQ(WaveSize, 75);
}

TEST_F(Spiders, SpawnsOnlyAtTheThreeCornersFacingThePlayer) {
  WaveDelay = 1, SpawnsLeft = 200;
  const float corners[3][2] = {{220, 50}, {220, 220}, {50, 220}};
  int corner[3] = {0, 0, 0};
  for (TSpider* last = GameMap.Spiders; SpawnsLeft > 0;) {
    SpawnSpiders();
    if (GameMap.Spiders == last) continue;
    const TSpider& s = *(last = GameMap.Spiders);
    const TVector p = s.Position;
    int c = 0;
    while (c < 3 && !(p.x == corners[c][0] && p.z == corners[c][1])) ++c;
    ASSERT_TRUE(c < 3 && p.y == 0);
    ++corner[c];
    float want = std::atan2(Player.Position.z - p.z, Player.Position.x - p.x);  // at the player, within 10 degrees
    EXPECT_LE(std::fabs(std::remainder(s.TargetHeading - want, 2 * kPi)), 10 * kPi / 180 + 1e-4f);
  }
  EXPECT_EQ(GameMap.SpiderCount, 200);
  for (int c : corner) EXPECT_GT(c, 30);
}

TEST_F(Spiders, NoSpawningOrWaveChangeWhileDead) {
  DamagePlayer(1000), Steps(1000);
  EXPECT_EQ(tuple(GameMap.SpiderCount, WaveSize, SpawnsLeft, WaveDelay), tuple(0, 25, 25, 1));
  WaveDelay = SpawnsLeft = 0, Step();
  EXPECT_EQ(WaveSize, 25);
}

TEST_F(Spiders, WithoutAModelTheClockStaysAndNothingBites) {
  SpawnsLeft = 0, ModelFree(SpiderModel), SpiderModel.Duration = 0, SpiderModel.Radius = 0;
  TSpider* s = MapAddSpider(GameMap);
  for (int i = 0; i < 60; ++i) s->Position = Player.Position, Step();
  EXPECT_EQ(tuple(s->AnimTime, Player.Health), tuple(0, 100));
}

TEST_F(LoneSpider, OnThePlayerItBitesAtOnceThenEvery50StepsUntilTheDeath) {
  std::vector<int> bites, expected;
  int health = Player.Health;
  for (int step = 1; step <= 1000; ++step) {
    s->Position = Player.Position, Step();
    if (Player.Health != health) bites.push_back(step);
    EXPECT_EQ(health - Player.Health, Player.Health != health ? std::min(health, 6) : 0);
    health = Player.Health;
    if (step > 851) { ASSERT_EQ(s->AttackDelay, 0); }  // no bite and no countdown when dead
  }
  for (int b = 1; b <= 801; b += 50) expected.push_back(b);  // 16 bites of 6, the 17th takes the last 4
  EXPECT_EQ(bites, expected);
  s->Position = {100, 8, 100}, Steps(3);
  EXPECT_NE(s->Position.x, 100.0f);
}

TEST_F(LoneSpider, NewSpiderStandsItsFirstStepThenWalksAtLevelSpeed) {
  s->Position = {100, 0, 100}, s->Heading = s->TargetHeading = 0, Step();
  EXPECT_EQ(tuple(s->Position.x, s->Position.y), tuple(100.0f, 8.0f));
  EXPECT_NEAR(s->Speed, 0.2f, 1e-6f);
  Step();
  EXPECT_GT(s->Position.x, 100.15f);
}

TEST_F(LoneSpider, SpawnOutsideASmallMapIsPulledInside) {
  ASSERT_TRUE(MapBuildTerrain(GameMap, FlatHeightImage(64, 64, 64)));
  s->Position = {220, 0, 50}, Step();
  EXPECT_EQ(tuple(s->Position.x, s->Position.z), tuple(2.0f * (64 - 10), 50.0f));
}

TEST_F(LoneSpider, SlopesSlowTheWalkUpAndDown) {
  // A ramp rising an eighth of a unit per unit along x.
  ASSERT_TRUE(MapBuildTerrain(GameMap, MakeHeightImage(128, 128, [](int k, int) { return uint8_t(2 * k); })));
  const float expected = std::sin(std::acos(-0.125f / std::sqrt(1.015625f))) * 0.2f;
  for (float heading : {0.0f, kPi, kPi / 2}) {
    s->Position = {100, 0, 100}, s->Heading = s->TargetHeading = heading;
    RandomSeed(5), UpdateSpider(*s);
    EXPECT_NEAR(s->Speed, heading == kPi / 2 ? 0.2f : expected, 1e-4f);
  }
}

TEST_F(LoneSpider, TargetHeadingStaysWithinHalfATurn) {
  for (float h : {0, 3, -3, 7, -7, 40, -40, 1000})
    for (int i = 0; i < 50; ++i) {
      s->Heading = h, Player.Position = {20 + RandomFloat() * 130, 8, 20 + RandomFloat() * 130};
      AimSpider(*s);
      EXPECT_LE(std::fabs(s->TargetHeading - s->Heading), kPi + 1e-3f) << h;
    }
}

// One update, on a step with no re-aim (found by trying seeds): the turn by a twentieth towards the
// target, the animation clock's wrap, and the placement.
TEST_F(LoneSpider, OneUpdateTurnsWrapsTheClockAndMirrorsTheModelOnTheGroundTimesTheView) {
  uint32_t seed = 1;
  for (; seed < 100; ++seed) {
    s->Position = {100, 0, 90}, s->Speed = 0, s->Heading = 0.7f, s->TargetHeading = 1.7f, s->AnimTime = 320;
    RandomSeed(seed), UpdateSpider(*s);
    if (s->TargetHeading == 1.7f) break;
  }
  ASSERT_LT(seed, 100u);
  EXPECT_NEAR(s->Heading, 0.75f, 1e-6f);
  EXPECT_EQ(tuple(s->AnimTime, s->AnimFrame), tuple(17, 0));
  // Undo the view (its inverse rotation on the ModelView columns): a mirror on the ground normal.
  const TMatrix &v = Camera.View, &m = s->ModelView;
  auto col = [&](int c) {
    TVector r;
    for (int i = 0; i < 3; ++i)
      (&r.x)[i] = v[4 * i + 0] * m[4 * c + 0] + v[4 * i + 1] * m[4 * c + 1] + v[4 * i + 2] * m[4 * c + 2];
    return r;
  };
  TVector a = col(0), n = col(1), b = col(2), axb;
  EXPECT_NEAR(n.y, 1.0f, 1e-4f);
  VectorCross(a, n, axb);
  EXPECT_NEAR(VectorDot(axb, b), -1.0f, 1e-4f);  // determinant -1
  EXPECT_NEAR(b.x, std::cos(s->Heading), 1e-4f);
  EXPECT_NEAR(b.z, std::sin(s->Heading), 1e-4f);
  EXPECT_NEAR(m[12], v[0] * 100 + v[4] * 8 + v[8] * 90 + v[12], 1e-3f);
  s->AnimTime = 300, UpdateSpider(*s);
  EXPECT_EQ(tuple(s->AnimTime, s->AnimFrame), tuple(330, 9));
}

}  // namespace
