// Turrets: placement, target search and range, aiming, firing rhythm, retirement and removal.

#include "support/game_env.h"

namespace {

class Zenit : public PlayTest {
 protected:
  TZenit* Build(float x, float z) {
    TZenit* t = MapAddZenit(GameMap);
    return t->Position = {x, 0, z}, PlaceZenit(*t), t;
  }
};

TEST_F(Zenit, PlacementStandsOnTheGround) {
  const TMatrix& m = Build(100, 100)->BaseMatrix;
  // Columns A, N, B, position: a mirror standing on the ground normal.
  TVector a = {m[0], m[1], m[2]}, n = {m[4], m[5], m[6]}, b = {m[8], m[9], m[10]}, axn;
  EXPECT_NEAR(n.y, 1, 1e-6f);
  VectorCross(a, n, axn);
  EXPECT_NEAR(VectorDot(axn, b), -1, 1e-5f);
  EXPECT_EQ(std::tuple(m[12], m[13], m[15], m[3], m[7], m[11]), std::tuple(100.0f, 8.0f, 1.0f, 0.0f, 0.0f, 0.0f));
}

TEST_F(Zenit, RangeIsStrictlyBelow64UnitsAndTheNearestWinsTiesGoingToTheListHead) {
  TZenit* t = Build(80, 80);
  TSpider* s = AddSpider(80 + 63.9f, 80);
  FindZenitTarget(*t);
  EXPECT_TRUE(t->HasTarget && t->TargetSpider == s);
  s->Position.x = 80 + 64, FindZenitTarget(*t);
  EXPECT_TRUE(!t->HasTarget && !t->TargetSpider);
  s->Position.x = 110;
  TSpider* nearer = AddSpider(80, 100);
  EXPECT_EQ((FindZenitTarget(*t), t->TargetSpider), nearer);
  TSpider* tie = AddSpider(60, 80);  // same distance, now the head of the list
  EXPECT_EQ((FindZenitTarget(*t), t->TargetSpider), tie);
}

TEST_F(Zenit, AimTurnsTheShortWayAndPitchesDownAtLowTargets) {
  TZenit* t = Build(100, 100);
  AimZenit(*t, {100, 8, 130});  // +z
  EXPECT_NEAR(t->TargetAim[1], kPi / 2, 1e-5f);
  AimZenit(*t, {100, 8, 70});  // -z: 3/2 pi brought within pi of the aim 0
  EXPECT_NEAR(t->TargetAim[1], -kPi / 2, 1e-5f);
  t->Aim[1] = 3.0f, AimZenit(*t, {100, 8, 70});
  EXPECT_NEAR(t->TargetAim[1], 3 * kPi / 2, 1e-5f);
  t->Aim[0] = 0, AimZenit(*t, {110, 8 - 10, 100});
  EXPECT_NEAR(t->TargetAim[0], -kPi / 4, 1e-5f);
  AimZenit(*t, {110, 8 + 10, 100});
  EXPECT_NEAR(t->TargetAim[0], kPi / 4, 1e-5f);
  for (float aim : {-3.0f, 9.0f, -20.0f, 100.0f}) {
    t->Aim[1] = aim, AimZenit(*t, {100, 8, 70});
    EXPECT_LE(std::fabs(t->TargetAim[1] - aim), kPi + 1e-3f) << aim;
  }
}

TEST_F(Zenit, FirstShotInTheStepItFindsATargetThenEveryTenStepsWhileTheAimEasesAndNoneOnceItIsGone) {
  Player.Position = {30, 8, 30};
  TZenit* t = Build(100, 100);
  TSpider* s = AddSpider(100, 120);
  s->Health = 1000;
  std::vector<int> shots;
  for (int step = 1; step <= 45; ++step) {
    Hold(s, {100, 8, 120}), Step();
    if (step == 1) { EXPECT_NEAR(t->Aim[1], (kPi / 2) / 16, 1e-5f); }  // a 16th of the turn
    if (FiredThisStep()) shots.push_back(step);
  }
  EXPECT_EQ(shots, (std::vector<int>{1, 11, 21, 31, 41}));
  MapRemoveSpider(GameMap, s);
  int fires = 0;
  for (int i = 0; i < 30; ++i, fires += FiredThisStep()) Step();
  EXPECT_TRUE(!t->HasTarget && !t->TargetSpider && fires == 0);
}

TEST_F(Zenit, KillsByATurretEarnNothing) {
  TZenit* t = Build(100, 100);
  // A wide spider: the muzzle sits 1.7 above the foot-to-foot line of aim.
  SpiderModel.Radius = 6;
  TSpider* s = AddSpider(104, 100);
  s->Health = 1, t->Aim[0] = t->Aim[1] = 0;
  for (int i = 0; i < 200 && GameMap.SpiderCount > 0; ++i) Hold(s, {104, 8, 100}), Step();
  EXPECT_EQ(std::tuple(GameMap.SpiderCount, Player.Kills, Player.Points), std::tuple(0, 0, 0));
}

TEST_F(Zenit, RetirementFadesOverTheNext148StepsWithoutFiringThenRemoves) {
  TZenit* t = Build(100, 100);
  WaveDelay = 0, Step();  // no spider left and the wave fully spawned: this step starts a wave
  ASSERT_EQ(WaveSize, 50);
  EXPECT_EQ(t->Life, 148);  // frame of the retirement step: alpha 148 / 150
  EXPECT_FLOAT_EQ(t->TargetAim[0], 1.5707964f);
  TSpider* s = AddSpider(110, 100);  // in range, yet a retiring turret never fires
  int fires = 0;
  for (int i = 1; i <= 147; ++i, fires += FiredThisStep()) Hold(s, {110, 8, 100}), Step();
  EXPECT_EQ(std::tuple(GameMap.ZenitCount, t->Life, fires), std::tuple(1, 1, 0));
  EXPECT_TRUE((Step(), GameMap.ZenitCount == 0) && !GameMap.Zenits);
}

}  // namespace
