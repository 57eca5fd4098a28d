// Turrets: placement, target search and range, aiming, firing rhythm, retirement and removal.
#include <cmath>
#include <tuple>

#include "support/game_env.h"

namespace {

constexpr float Pi = kPi;

class Zenit : public PlayTest {
 protected:
  TZenit* Build(float x, float z) {
    TZenit* t = MapAddZenit(GameMap);
    t->Position = {x, 0, z};
    PlaceZenit(*t);
    return t;
  }
  TSpider* Spider(float x, float z) {
    TSpider* s = MapAddSpider(GameMap);
    s->Position = {x, 8, z};
    return s;
  }
  // Holds a spider in place and unhurt through a game step.
  static void Pin(TSpider* s, float x, float z) {
    s->Position = {x, 8, z};
    s->Speed = 0;
    s->Health = 1000;
    s->AttackDelay = 1000;
  }
  static int FiresInList() {
    int n = 0;
    for (TP_Particle* p = ParticleList.Head; p; p = p->Next) n += dynamic_cast<TP_Fire*>(p) != nullptr;
    return n;
  }
};

TEST_F(Zenit, PlacementStandsOnTheGround) {
  TZenit* t = Build(100, 100);
  EXPECT_FLOAT_EQ(t->Position.y, 8);
  const TMatrix& m = t->BaseMatrix;
  // Columns A, N, B, position: a mirror standing on the ground normal.
  TVector a = {m[0], m[1], m[2]}, n = {m[4], m[5], m[6]}, b = {m[8], m[9], m[10]}, axn;
  EXPECT_NEAR(n.y, 1, 1e-6f);
  VectorCross(a, n, axn);
  EXPECT_NEAR(VectorDot(axn, b), -1, 1e-5f);
  EXPECT_EQ(std::tuple(m[12], m[13], m[15], m[3], m[7], m[11]), std::tuple(100.0f, 8.0f, 1.0f, 0.0f, 0.0f, 0.0f));
}

TEST_F(Zenit, RangeIsStrictlyBelow64UnitsAndTheNearestWinsTiesGoingToTheListHead) {
  TZenit* t = Build(80, 80);
  TSpider* s = Spider(80 + 63.9f, 80);
  FindZenitTarget(*t);
  EXPECT_TRUE(t->HasTarget);
  EXPECT_EQ(t->TargetSpider, s);
  s->Position.x = 80 + 64;
  FindZenitTarget(*t);
  EXPECT_FALSE(t->HasTarget);
  EXPECT_EQ(t->TargetSpider, nullptr);
  s->Position.x = 110;
  TSpider* nearer = Spider(80, 100);
  FindZenitTarget(*t);
  EXPECT_EQ(t->TargetSpider, nearer);
  TSpider* tie = Spider(60, 80);  // same distance, now the head of the list
  FindZenitTarget(*t);
  EXPECT_EQ(GameMap.Spiders, tie);
  EXPECT_EQ(t->TargetSpider, tie);
}

TEST_F(Zenit, AimTurnsTheShortWayAndPitchesDownAtLowTargets) {
  TZenit* t = Build(100, 100);
  AimZenit(*t, {100, 8, 130});  // +z
  EXPECT_NEAR(t->TargetAim[1], Pi / 2, 1e-5f);
  AimZenit(*t, {100, 8, 70});  // -z: 3/2 pi brought within pi of the aim 0
  EXPECT_NEAR(t->TargetAim[1], -Pi / 2, 1e-5f);
  t->Aim[1] = 3.0f;
  AimZenit(*t, {100, 8, 70});
  EXPECT_NEAR(t->TargetAim[1], 3 * Pi / 2, 1e-5f);
  t->Aim[0] = 0;
  AimZenit(*t, {110, 8 - 10, 100});
  EXPECT_NEAR(t->TargetAim[0], -Pi / 4, 1e-5f);
  AimZenit(*t, {110, 8 + 10, 100});
  EXPECT_NEAR(t->TargetAim[0], Pi / 4, 1e-5f);
  for (float aim : {0.0f, 3.0f, -3.0f, 9.0f, -20.0f, 100.0f}) {
    t->Aim[1] = aim;
    AimZenit(*t, {100, 8, 70});
    EXPECT_LE(std::fabs(t->TargetAim[1] - aim), Pi + 1e-3f) << aim;
  }
}

TEST_F(Zenit, FirstShotInTheStepItFindsATargetThenEveryTenStepsWhileTheAimEasesAndNoneOnceItIsGone) {
  Player.Position = {30, 8, 30};
  TZenit* t = Build(100, 100);
  TSpider* s = Spider(100, 120);
  std::vector<int> shots;
  for (int step = 1; step <= 45; ++step) {
    Pin(s, 100, 120);
    Step();
    if (step == 1) { EXPECT_NEAR(t->Aim[1], (Pi / 2) / 16, 1e-5f); }  // a 16th of the turn
    if (FiresInList() > 0) shots.push_back(step);
  }
  EXPECT_EQ(shots, (std::vector<int>{1, 11, 21, 31, 41}));
  ASSERT_TRUE(t->HasTarget);
  MapRemoveSpider(GameMap, s);
  int fires = 0;
  for (int i = 0; i < 30; ++i, fires += FiresInList()) Step();
  EXPECT_FALSE(t->HasTarget);
  EXPECT_EQ(t->TargetSpider, nullptr);
  EXPECT_EQ(fires, 0);
}

TEST_F(Zenit, KillsByATurretEarnNothing) {
  TZenit* t = Build(100, 100);
  // A wide spider: the muzzle sits 1.7 above the foot-to-foot line of aim.
  SpiderModel.Radius = 6;
  TSpider* s = Spider(104, 100);
  s->Health = 1;
  t->Aim[0] = t->Aim[1] = 0;
  for (int i = 0; i < 200 && GameMap.SpiderCount > 0; ++i) {
    s->Position = {104, 8, 100};
    s->Speed = 0;
    s->AttackDelay = 1000;
    Step();
  }
  EXPECT_EQ(std::tuple(GameMap.SpiderCount, Player.Kills, Player.Points), std::tuple(0, 0, 0));
}

TEST_F(Zenit, RetirementFadesOverTheNext148StepsWithoutFiringThenRemoves) {
  TZenit* t = Build(100, 100);
  WaveDelay = 0;  // no spider left and the wave fully spawned: the next step starts a wave
  Step();
  ASSERT_EQ(WaveSize, 50);
  EXPECT_EQ(t->Life, 148);  // frame of the retirement step: alpha 148 / 150
  EXPECT_FLOAT_EQ(t->TargetAim[0], 1.5707964f);
  TSpider* s = Spider(110, 100);  // in range, yet a retiring turret never fires
  int fires = 0;
  for (int i = 1; i <= 147; ++i) {
    Pin(s, 110, 100);
    Step();
    fires += FiresInList();
    ASSERT_EQ(GameMap.ZenitCount, 1);
    EXPECT_EQ(t->Life, 148 - i);
  }
  EXPECT_EQ(fires, 0);
  Step();
  EXPECT_EQ(GameMap.ZenitCount, 0);
  EXPECT_EQ(GameMap.Zenits, nullptr);
}

}  // namespace
