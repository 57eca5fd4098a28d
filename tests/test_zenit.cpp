// Turrets: placement, target search and range, aiming, firing rhythm, retirement and removal.
#include <gtest/gtest.h>

#include <cmath>

#include "actors/l_player.h"
#include "actors/l_spider.h"
#include "actors/l_zenit.h"
#include "app/l_input.h"
#include "effects/l_particle.h"
#include "game/l_game.h"
#include "menu/l_menu.h"
#include "support/game_env.h"

namespace {

constexpr float Pi = 3.14159265358979f;

class Zenit : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    if (IsSkipped()) return;
    NewGame();
    MenuActive = false;
    SpawnsLeft = 0;
    Step();
  }
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
  TVector a = {m[0], m[1], m[2]}, n = {m[4], m[5], m[6]}, b = {m[8], m[9], m[10]};
  EXPECT_NEAR(n.y, 1, 1e-6f);
  TVector axn;
  VectorCross(a, n, axn);
  EXPECT_NEAR(VectorDot(axn, b), -1, 1e-5f);
  EXPECT_FLOAT_EQ(m[12], 100);
  EXPECT_FLOAT_EQ(m[13], 8);
  EXPECT_FLOAT_EQ(m[15], 1);
  for (int i : {3, 7, 11}) EXPECT_EQ(m[i], 0) << i;
}

TEST_F(Zenit, RangeIsStrictlyBelow64Units) {
  TZenit* t = Build(80, 80);
  TSpider* s = Spider(80 + 63.9f, 80);
  FindZenitTarget(*t);
  EXPECT_TRUE(t->HasTarget);
  EXPECT_EQ(t->TargetSpider, s);
  s->Position.x = 80 + 64;
  FindZenitTarget(*t);
  EXPECT_FALSE(t->HasTarget);
  EXPECT_EQ(t->TargetSpider, nullptr);
}

TEST_F(Zenit, NearestWinsAndTiesGoToTheListHead) {
  TZenit* t = Build(100, 100);
  Spider(130, 100);
  TSpider* nearer = Spider(100, 120);
  FindZenitTarget(*t);
  EXPECT_EQ(t->TargetSpider, nearer);
  TSpider* tie = Spider(80, 100);  // same distance, now the head of the list
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

TEST_F(Zenit, FirstShotInTheStepItFindsATargetThenEveryTenStepsWhileTheAimEases) {
  Player.Position = {30, 8, 30};
  TZenit* t = Build(100, 100);
  TSpider* s = Spider(100, 120);
  std::vector<int> shots;
  for (int step = 1; step <= 45; ++step) {
    Pin(s, 100, 120);
    Step();
    if (step == 1) {
      EXPECT_NEAR(t->Aim[1], (Pi / 2) / 16, 1e-5f);  // a sixteenth of the turn
    }
    if (FiresInList() > 0) shots.push_back(step);
  }
  EXPECT_EQ(shots, (std::vector<int>{1, 11, 21, 31, 41}));
  EXPECT_TRUE(t->HasTarget);
}

TEST_F(Zenit, TargetGoneStopsFiring) {
  TZenit* t = Build(100, 100);
  TSpider* s = Spider(120, 100);
  Pin(s, 120, 100);
  Step();
  ASSERT_TRUE(t->HasTarget);
  MapRemoveSpider(GameMap, s);
  int fires = 0;
  for (int i = 0; i < 30; ++i) {
    Step();
    fires += FiresInList();
  }
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
  t->Aim[0] = 0;
  t->Aim[1] = 0;
  for (int i = 0; i < 200 && GameMap.SpiderCount > 0; ++i) {
    s->Position = {104, 8, 100};
    s->Speed = 0;
    s->AttackDelay = 1000;
    Step();
  }
  EXPECT_EQ(GameMap.SpiderCount, 0);
  EXPECT_EQ(Player.Kills, 0);
  EXPECT_EQ(Player.Points, 0);
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

TEST_F(Zenit, ABuiltTurretTakesThePlayersAim) {
  Player.Points = 101;
  Player.Yaw = 1.25f;
  Player.Pitch = -0.5f;
  KeyPress(70);
  Steps(150);
  KeyRelease(70);
  ASSERT_EQ(GameMap.ZenitCount, 1);
  const TZenit& t = *GameMap.Zenits;
  EXPECT_FLOAT_EQ(t.Aim[0], -0.5f);
  EXPECT_FLOAT_EQ(t.TargetAim[1], 1.25f);
}

}  // namespace
