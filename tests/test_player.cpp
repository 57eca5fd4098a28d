// Player and gun: view, walking, bounds, the gun's three states and sounds, building, damage, death.
#include <gtest/gtest.h>

#include <cmath>

#include "actors/l_player.h"
#include "actors/l_spider.h"
#include "actors/l_zenit.h"
#include "app/l_app.h"
#include "app/l_input.h"
#include "audio/l_sound.h"
#include "effects/l_particle.h"
#include "game/l_game.h"
#include "menu/l_menu.h"
#include "support/game_env.h"

namespace {

constexpr float Pi = 3.14159265358979f;
constexpr uint8_t Fire = 0, W = 87, S = 83, A = 65, D = 68, F = 70;

class PlayerTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    if (IsSkipped()) return;
    NewGame();
    MenuActive = false;
    SpawnsLeft = 0;  // no spiders unless a test places them
    Step();          // onto the ground
  }
  bool HasSound() const { return Player.SpinUpSound >= 0; }
  static bool FiredThisStep() {
    for (TP_Particle* p = ParticleList.Head; p; p = p->Next)
      if (dynamic_cast<TP_Fire*>(p)) return true;
    return false;
  }
  static float Speed() { return std::hypot(Player.Velocity.x, Player.Velocity.z); }
};

TEST_F(PlayerTest, HeldFireSpinsUpShootsEveryFifthStepAndTheBarrelsCoastOnRelease) {
  KeyPress(Fire);
  std::vector<int> shots;
  for (int step = 1; step <= 200; ++step) {
    Step();
    if (FiredThisStep()) shots.push_back(step);
  }
  ASSERT_FALSE(shots.empty());
  EXPECT_GE(shots.front(), 50);  // about a second of spin-up first
  EXPECT_LE(shots.front(), 56);
  for (size_t i = 1; i < shots.size(); ++i) EXPECT_EQ(shots[i] - shots[i - 1], 5) << i;
  ASSERT_EQ(Player.Spin, 15.0f);
  KeyRelease(Fire);
  float angle = Player.BarrelAngle;
  Step();
  EXPECT_FLOAT_EQ(Player.Spin, 14.7f);
  EXPECT_FLOAT_EQ(Player.BarrelAngle, angle + 14.7f);
  EXPECT_FALSE(FiredThisStep());
  Steps(49);
  EXPECT_NEAR(Player.Spin, 0.0f, 1e-4f);
  Steps(5);
  EXPECT_EQ(Player.Spin, 0.0f);
  angle = Player.BarrelAngle;
  Step();
  EXPECT_EQ(Player.BarrelAngle, angle);
}

TEST_F(PlayerTest, GunSoundsStartLoopStopOnceAndRestartWhileCoasting) {
  if (!HasSound()) GTEST_SKIP() << "no sound device";
  KeyPress(Fire);
  Step();
  EXPECT_GE(Player.SpinUpChannel, 0);
  EXPECT_EQ(Player.FireChannel, -1);
  Steps(79);
  EXPECT_GE(Player.FireChannel, 0);
  EXPECT_EQ(Player.SpinUpChannel, -1);  // the fire loop took over
  KeyRelease(Fire);
  Step();
  EXPECT_EQ(Player.FireChannel, -1);
  EXPECT_EQ(Player.SpinUpChannel, -1);
  int32_t stop = Player.SpinDownChannel;
  EXPECT_GE(stop, 0);
  for (int i = 0; i < 30; ++i) {
    Step();
    // Not requested again; the handle is only let go when the sound has ended.
    ASSERT_TRUE(Player.SpinDownChannel == stop || Player.SpinDownChannel == -1) << i;
  }
  // Pressing again while the barrels coast cuts the stop sound and starts over.
  float spin = Player.Spin;
  ASSERT_GT(spin, 0.0f);
  KeyPress(Fire);
  Step();
  EXPECT_EQ(Player.SpinDownChannel, -1);
  EXPECT_GE(Player.SpinUpChannel, 0);
  EXPECT_FLOAT_EQ(Player.Spin, spin + 0.3f);
}

static uint32_t FakeNow = 0;
static uint32_t FakeTick() { return FakeNow; }

// Once the stop sound has ended its channel returns to the pool; a sound that takes it
// later stays where it was played and is not cut by the next press of fire.
TEST_F(PlayerTest, TheStopSoundsHandleEndsWithItsSound) {
  if (!HasSound()) GTEST_SKIP() << "no sound device";
  FakeNow = 1000;
  SetSoundTickSource(FakeTick);
  KeyPress(Fire);
  Steps(60);
  KeyRelease(Fire);
  Step();
  int32_t stop = Player.SpinDownChannel;
  ASSERT_GE(stop, 0);
  int32_t copy = stop;
  StopChannel(copy);  // as if it had played to its end
  Step();
  EXPECT_EQ(Player.SpinDownChannel, -1);
  FakeNow += 4000;
  UpdateSound();  // finished channels are freed after their hold
  ASSERT_EQ(Channels[stop].buffer, nullptr);
  const TVector far = {10, 8, 120};
  int32_t other = -1;
  for (int i = 0; i < kSoundChannels && other != stop; ++i) other = PlaySample(SpiderAttackSound, true, far);
  ASSERT_EQ(other, stop);
  Steps(3);
  EXPECT_EQ(VectorDistSq(Channels[stop].position, far), 0.0f);  // not moved to the gun
  KeyPress(Fire);
  Step();
  uint32_t status = 0;
  ASSERT_TRUE(PlatformSoundStatus(Channels[stop].buffer, status));
  EXPECT_TRUE(status & kSoundStatusPlaying);
  EXPECT_EQ(Channels[stop].sampleId, SpiderAttackSound);
  StopSamples(0);
  SetSoundTickSource(nullptr);
}

TEST_F(PlayerTest, NoStopSoundWithoutStartOrFireSound) {
  Steps(10);
  EXPECT_EQ(Player.SpinDownChannel, -1);
  // A failed start sound (id -1) leaves nothing to stop either.
  Player.SpinUpSound = -1;
  KeyPress(Fire);
  Steps(3);
  KeyRelease(Fire);
  Steps(2);
  EXPECT_EQ(Player.SpinUpChannel, -1);
  EXPECT_EQ(Player.SpinDownChannel, -1);
}

TEST_F(PlayerTest, KillsWithTheGunCountAsPointsAndKills) {
  // A one-hit spider held straight ahead at eye height, 6 units away, until it dies.
  auto killOneAhead = [this] {
    TSpider* s = MapAddSpider(GameMap);
    s->Health = 1;
    for (int i = 0; i < 400 && GameMap.SpiderCount > 0; ++i) {
      s->Position = {Player.Position.x + 6, Player.Position.y + 1.5f, Player.Position.z};
      s->Speed = 0;
      s->AttackDelay = 1000;
      Step();
    }
    EXPECT_EQ(GameMap.SpiderCount, 0);
  };
  Player.Yaw = 0;
  Player.Pitch = 0;
  Player.Points = 998;
  KeyPress(Fire);
  killOneAhead();
  EXPECT_EQ(Player.Kills, 1);
  EXPECT_EQ(Player.Points, 999);
  killOneAhead();
  EXPECT_EQ(Player.Kills, 2);
  EXPECT_EQ(Player.Points, 999);  // capped
}

TEST_F(PlayerTest, BuildingNeedsMoreThanAHundredPointsAndTakes150Steps) {
  Player.Points = 100;
  KeyPress(F);
  Steps(300);
  EXPECT_EQ(GameMap.ZenitCount, 0);
  EXPECT_EQ(Player.Points, 100);
  EXPECT_EQ(Player.BuildCounter, 0);
  Player.Points = 101;  // the key is still held
  Steps(149);
  EXPECT_EQ(GameMap.ZenitCount, 0);
  EXPECT_EQ(Player.BuildCounter, 149);
  Step();
  ASSERT_EQ(GameMap.ZenitCount, 1);
  EXPECT_EQ(Player.Points, 1);
  const TZenit& z = *GameMap.Zenits;
  EXPECT_FLOAT_EQ(z.Position.x, Player.Position.x);
  EXPECT_FLOAT_EQ(z.Position.z, Player.Position.z);
  EXPECT_FLOAT_EQ(z.Position.y, 8);  // settled on the ground
  EXPECT_FLOAT_EQ(Player.Position.x, 64);  // the player has stood at the start all along
  EXPECT_FLOAT_EQ(Player.Position.z, 64);
  Steps(400);
  EXPECT_EQ(GameMap.ZenitCount, 1);
  EXPECT_EQ(Player.Points, 1);
}

TEST_F(PlayerTest, EachTurretNeedsANewPress) {
  Player.Points = 350;
  KeyPress(F);
  Steps(150);
  ASSERT_EQ(GameMap.ZenitCount, 1);
  Steps(300);
  EXPECT_EQ(Player.BuildCounter, 151);  // rests until the key is released
  EXPECT_EQ(GameMap.ZenitCount, 1);
  KeyRelease(F);
  Step();
  EXPECT_EQ(Player.BuildCounter, 0);
  KeyPress(F);
  Steps(150);
  EXPECT_EQ(GameMap.ZenitCount, 2);
  EXPECT_EQ(Player.Points, 150);
}

TEST_F(PlayerTest, WalkingSettlesAtTwoTenthsOppositeKeysCancelAndTheSpeedDecaysByATenth) {
  KeyPress(W);
  Steps(200);
  EXPECT_NEAR(Speed(), 0.2f, 1e-4f);
  EXPECT_NEAR(Player.Velocity.z, 0.2f, 1e-4f);  // facing +z
  KeyPress(D);
  Steps(200);
  EXPECT_NEAR(Speed(), 0.2f * std::sqrt(2.0f), 1e-3f);  // two keys: the diagonal
  EXPECT_EQ(Player.Velocity.y, 0.0f);
  KeyRelease(W);
  KeyPress(A);
  float before = Speed();
  Step();
  EXPECT_NEAR(Speed(), before * 0.9f, 1e-6f);
  Steps(200);
  EXPECT_LT(Speed(), 1e-6f);
  KeyPress(W);
  KeyPress(S);
  TVector at = Player.Position;
  Steps(50);
  EXPECT_FLOAT_EQ(Player.Position.x, at.x);
  EXPECT_FLOAT_EQ(Player.Position.z, at.z);
}

TEST_F(PlayerTest, WalkingNeverLeavesThePlayArea) {
  KeyPress(W);
  KeyPress(D);
  for (int turn = 0; turn < 8; ++turn) {
    Player.Yaw = turn * Pi / 4;
    for (int i = 0; i < 700; ++i) {
      Step();
      ASSERT_GE(Player.Position.x, 20.0f);
      ASSERT_LE(Player.Position.x, 150.0f);
      ASSERT_GE(Player.Position.z, 20.0f);
      ASSERT_LE(Player.Position.z, 150.0f);
    }
  }
}

TEST_F(PlayerTest, MouseTurnsTheViewInvertFlipsTheVerticalAndPitchStaysWithinAQuarterTurn) {
  float yaw = Player.Yaw;
  Step(628, 0);
  EXPECT_NEAR(Player.Yaw, yaw + 1.0f, 1e-5f);
  Step(0, 314);  // mouse down looks down
  EXPECT_NEAR(Player.Pitch, -0.5f, 1e-5f);
  MouseInvert = true;
  Step(0, 314);
  MouseInvert = false;
  EXPECT_NEAR(Player.Pitch, 0.0f, 1e-5f);
  const std::pair<int, float> moves[] = {{-100000, PlayerPitchLimit},
                                         {-5, PlayerPitchLimit},
                                         {300000, -PlayerPitchLimit},
                                         {628, -PlayerPitchLimit}};
  for (auto [dy, pitch] : moves) {
    Step(0, dy);
    EXPECT_EQ(Player.Pitch, pitch) << dy;
  }
}

TEST_F(PlayerTest, WalkingSwaysAndStoppingResetsTheBob) {
  KeyPress(W);
  float maxRoll = 0;
  for (int i = 0; i < 120; ++i) {
    Step();
    maxRoll = std::max(maxRoll, std::fabs(Player.Roll));
  }
  EXPECT_GT(maxRoll, 0.0f);
  EXPECT_LE(maxRoll, Pi / 360 + 1e-6f);
  EXPECT_GT(Player.StepCounter, 100);
  KeyRelease(W);
  for (int i = 0; i < 40 && Speed() > 0.02f; ++i) Step();
  Step();
  EXPECT_EQ(Player.Roll, 0.0f);
  EXPECT_EQ(Player.BobPhase, 0.0f);
  EXPECT_EQ(Player.StepCounter, 0);
}

TEST_F(PlayerTest, BitesFlashAndTheFatalOneSinksTheViewAndScoresOnce) {
  DamagePlayer(1);
  EXPECT_EQ(Player.Flash, 1.0f);
  EXPECT_EQ(Player.Health, 99);
  Step();
  EXPECT_FLOAT_EQ(Player.Flash, 1.0f - 1.0f / 32.0f);  // decays by a thirty-second a step
  ShortTextAssign(PlayerName, "Dead Eye");
  Player.Kills = 2000;
  Player.Health = 4;
  float y = Player.Position.y;
  DamagePlayer(6);
  EXPECT_EQ(Player.Health, 0);
  EXPECT_FLOAT_EQ(Player.Position.y, y - 1.5f);
  EXPECT_EQ(ScoreTable[0].Score, 2000);
  EXPECT_EQ(ShortTextString(ScoreTable[0].Name), "Dead Eye");
  EXPECT_EQ(ScoreTable[1].Score, 1000);
  Player.Flash = 0.5f;
  DamagePlayer(6);  // later hits do nothing
  EXPECT_EQ(Player.Health, 0);
  EXPECT_EQ(Player.Flash, 0.5f);
  EXPECT_FLOAT_EQ(Player.Position.y, y - 1.5f);
  EXPECT_EQ(ScoreTable[1].Score, 1000);  // scored once
}

TEST_F(PlayerTest, DeadPlayerOnlyLooksUp) {
  KeyPress(W);
  KeyPress(Fire);
  Steps(60);
  DamagePlayer(1000);
  TVector at = Player.Position;
  float yaw = Player.Yaw;
  float pitch = Player.Pitch;
  Step(200, 200);
  EXPECT_FLOAT_EQ(Player.Pitch, pitch + (1.5707964f - pitch) / 64.0f);
  EXPECT_EQ(Player.Yaw, yaw);
  EXPECT_EQ(Player.Position.x, at.x);
  EXPECT_EQ(Player.Position.y, at.y);  // not put back on the ground
  EXPECT_EQ(Player.Position.z, at.z);
  EXPECT_EQ(Player.FireChannel, -1);
  EXPECT_FALSE(FiredThisStep());
  Steps(2000);
  EXPECT_NEAR(Player.Pitch, 1.5707964f, 1e-4f);
}

TEST_F(PlayerTest, MuzzleIsAheadAtEyeHeightBelowTheSight) {
  Player.Position = {50, 8, 60};
  Player.Pitch = 0;
  Player.Yaw = 0;
  TVector m = PlayerMuzzle(Player);
  EXPECT_NEAR(m.x, 51.5f, 1e-5f);
  EXPECT_NEAR(m.y, 9.5f, 1e-5f);
  EXPECT_NEAR(m.z, 60.0f, 1e-5f);
  Player.Pitch = Pi / 2;  // looking straight up: ahead is up, "below" is back
  m = PlayerMuzzle(Player);
  EXPECT_NEAR(m.y, 8 + 2 + 1.5f, 1e-5f);
  EXPECT_NEAR(m.x, 50.5f, 1e-5f);
}

TEST_F(PlayerTest, ResetPlayerInputClearsFlagsAndChannels) {
  KeyPress(W);
  KeyPress(Fire);
  Step();
  Player.SpinDownChannel = 5;
  ResetPlayerInput();
  for (const TPlayerKey& k : Player.Keys) EXPECT_EQ(k.Down, 0);
  EXPECT_EQ(Player.SpinUpChannel, -1);
  EXPECT_EQ(Player.SpinDownChannel, -1);
  EXPECT_EQ(Player.FireChannel, -1);
}

}  // namespace
