// Player and gun: view, walking, bounds, the gun's three states and sounds, building, damage, death.

#include "audio/l_sound.h"
#include "support/game_env.h"

namespace {

using std::tuple;
constexpr uint8_t Fire = 0, W = 87, S = 83, A = 65, D = 68, F = 70;

class PlayerTest : public PlayTest {
 protected:
  bool HasSound() const { return Player.SpinUpSound >= 0; }
  static float Speed() { return std::hypot(Player.Velocity.x, Player.Velocity.z); }
  // The gun's start, fire and stop channels: a letter for a handle, '-' for none.
  static char On(int32_t channel, char c) { return channel == -1 ? '-' : channel >= 0 ? c : '?'; }
  static std::string Gun() {
    return {On(Player.SpinUpChannel, 'U'), On(Player.FireChannel, 'F'), On(Player.SpinDownChannel, 'D')};
  }
};

TEST_F(PlayerTest, HeldFireSpinsUpShootsEveryFifthStepAndTheBarrelsCoastOnRelease) {
  KeyPress(Fire);
  std::vector<int> shots;
  for (int step = 1; step <= 200; ++step)
    if (Step(); FiredThisStep()) shots.push_back(step);
  ASSERT_TRUE(shots.size() > 1 && shots.front() >= 50 && shots.front() <= 56);  // about a second of spin-up
  for (size_t i = 1; i < shots.size(); ++i) EXPECT_EQ(shots[i] - shots[i - 1], 5);
  KeyRelease(Fire);
  float angle = Player.BarrelAngle;
  Step();
  EXPECT_EQ(tuple(Player.Spin, Player.BarrelAngle, FiredThisStep()), tuple(14.7f, angle + 14.7f, false));
  Steps(54), angle = Player.BarrelAngle, Step();
  EXPECT_EQ(tuple(Player.Spin, Player.BarrelAngle), tuple(0.0f, angle));
}

TEST_F(PlayerTest, GunSoundsStartLoopStopOnceAndRestartWhileCoasting) {
  if (!HasSound()) GTEST_SKIP() << "no sound device";
  Press(Fire, 1);
  EXPECT_EQ(Gun(), "U--");
  Steps(79);
  EXPECT_EQ(Gun(), "-F-");  // the fire loop took over
  EXPECT_EQ((Release(Fire, 1), Gun()), "--D");
  const int32_t stop = Player.SpinDownChannel;
  for (int i = 0; i < 30; ++i) {  // not requested again; let go only when the sound has ended
    Step();
    ASSERT_TRUE(Player.SpinDownChannel == stop || Player.SpinDownChannel == -1);
  }
  const float spin = Player.Spin;  // pressing again while the barrels coast starts over
  EXPECT_EQ((Press(Fire, 1), Gun()), "U--");
  EXPECT_FLOAT_EQ(Player.Spin, spin + 0.3f);
}

uint32_t FakeNow = 0;
uint32_t FakeTick() { return FakeNow; }

// Once the stop sound has ended its channel returns to the pool; a sound that takes it
// later stays where it was played and is not cut by the next press of fire.
TEST_F(PlayerTest, TheStopSoundsHandleEndsWithItsSound) {
  if (!HasSound()) GTEST_SKIP() << "no sound device";
  FakeNow = 1000, SetSoundTickSource(FakeTick);
  Press(Fire, 60), Release(Fire, 1);
  int32_t stop = Player.SpinDownChannel, copy = stop;
  ASSERT_GE(stop, 0);
  StopChannel(copy), Step();  // as if it had played to its end
  EXPECT_EQ(Player.SpinDownChannel, -1);
  FakeNow += 4000, UpdateSound();  // finished channels are freed after their hold
  const TVector far = {10, 8, 120};
  int32_t other = -1;
  for (int i = 0; i < kSoundChannels && other != stop; ++i) other = PlaySample(SpiderAttackSound, true, far);
  ASSERT_EQ(other, stop);
  EXPECT_EQ((Steps(3), VectorDistSq(Channels[stop].position, far)), 0.0f);  // not moved to the gun
  Press(Fire, 1);
  uint32_t status = 0;
  EXPECT_TRUE(PlatformSoundStatus(Channels[stop].buffer, status) && (status & kSoundStatusPlaying));
  EXPECT_EQ(Channels[stop].sampleId, SpiderAttackSound);
  StopSamples(0), SetSoundTickSource(nullptr);
}

TEST_F(PlayerTest, NoStopSoundWithoutStartOrFireSoundAndResetClearsKeysAndChannels) {
  const int32_t start = Player.SpinUpSound;
  Player.SpinUpSound = -1;  // a failed start sound leaves nothing to stop either
  Press(Fire, 3), Release(Fire, 2);
  EXPECT_EQ(Gun(), "---");
  Player.SpinUpSound = start, Press(W), Press(Fire, 1);
  Player.SpinDownChannel = 5, ResetPlayerInput();
  for (const TPlayerKey& k : Player.Keys) EXPECT_EQ(k.Down, 0);
  EXPECT_EQ(Gun(), "---");
}

TEST_F(PlayerTest, KillsWithTheGunCountAsPointsAndKills) {
  Player.Yaw = Player.Pitch = 0, Player.Points = 998, KeyPress(Fire);
  for (int kills = 1; kills <= 2; ++kills) {
    // A one-hit spider held straight ahead at eye height, 6 units away, until it dies.
    TSpider* s = MapAddSpider(GameMap);
    for (int i = (s->Health = 1, 0); i < 400 && GameMap.SpiderCount > 0; ++i)
      Hold(s, {Player.Position.x + 6, Player.Position.y + 1.5f, Player.Position.z}), Step();
    EXPECT_EQ(tuple(GameMap.SpiderCount, Player.Kills, Player.Points), tuple(0, kills, 999));  // capped
  }
}

// A turret costs 100 points, takes 150 steps of the key held, and takes the player's aim.
TEST_F(PlayerTest, BuildingNeedsMoreThanAHundredPointsTakes150StepsAndEachTurretANewPress) {
  auto building = [] { return tuple(GameMap.ZenitCount, Player.Points, Player.BuildCounter); };
  Player.Points = 100, Player.Yaw = 1.25f, Player.Pitch = -0.5f, Press(F, 300);
  EXPECT_EQ(building(), tuple(0, 100, 0));
  Player.Points = 251, Steps(149);  // the key is still held
  EXPECT_EQ(building(), tuple(0, 251, 149));
  ASSERT_EQ((Step(), building()), tuple(1, 151, 150));
  const TZenit& z = *GameMap.Zenits;  // at the player's feet on the ground, with the player's aim
  EXPECT_EQ(tuple(z.Position.x, z.Position.y, z.Position.z), tuple(64.0f, 8.0f, 64.0f));
  EXPECT_EQ(tuple(z.Aim[0], z.TargetAim[1]), tuple(-0.5f, 1.25f));
  EXPECT_EQ((Steps(300), building()), tuple(1, 151, 151));  // rests until the key is released
  Release(F, 1), Press(F, 150);
  EXPECT_EQ(building(), tuple(2, 51, 150));
  EXPECT_EQ((Steps(400), building()), tuple(2, 51, 0));
}

TEST_F(PlayerTest, WalkingSettlesAtTwoTenthsOppositeKeysCancelAndTheSpeedDecaysByATenth) {
  Press(W, 200);
  EXPECT_NEAR(Player.Velocity.z, 0.2f, 1e-4f);  // facing +z
  Press(D, 200);
  EXPECT_NEAR(Speed(), 0.2f * std::sqrt(2.0f), 1e-3f);  // two keys: the diagonal
  KeyRelease(W), KeyPress(A);
  float before = Speed();
  EXPECT_NEAR((Step(), Speed()), before * 0.9f, 1e-6f);
  Steps(200), KeyPress(W), KeyPress(S);
  TVector at = Player.Position;
  EXPECT_EQ((Steps(50), VectorDistSq(Player.Position, at)), 0.0f);
}

TEST_F(PlayerTest, WalkingNeverLeavesThePlayArea) {
  KeyPress(W), KeyPress(D);
  for (int turn = 0; turn < 8; ++turn) {
    Player.Yaw = turn * kPi / 4;
    for (int i = 0; i < 700; ++i, Step()) {
      const TVector& p = Player.Position;
      ASSERT_TRUE(p.x >= 20 && p.x <= 150 && p.z >= 20 && p.z <= 150);
    }
  }
}

TEST_F(PlayerTest, MouseTurnsTheViewInvertFlipsTheVerticalAndPitchStaysWithinAQuarterTurn) {
  float yaw = Player.Yaw;
  EXPECT_NEAR((Step(628, 0), Player.Yaw), yaw + 1.0f, 1e-5f);
  EXPECT_NEAR((Step(0, 314), Player.Pitch), -0.5f, 1e-5f);  // mouse down looks down
  MouseInvert = true, Step(0, 314), MouseInvert = false;
  EXPECT_NEAR(Player.Pitch, 0.0f, 1e-5f);
  const float limit = PlayerPitchLimit;
  for (auto [dy, pitch] : {tuple(-100000, limit), tuple(-5, limit), tuple(300000, -limit), tuple(628, -limit)})
    EXPECT_EQ((Step(0, dy), Player.Pitch), pitch);
}

TEST_F(PlayerTest, WalkingSwaysAndStoppingResetsTheBob) {
  KeyPress(W);
  float maxRoll = 0;
  for (int i = 0; i < 120; ++i, maxRoll = std::max(maxRoll, std::fabs(Player.Roll))) Step();
  EXPECT_TRUE(maxRoll > 0 && maxRoll <= kPi / 360 + 1e-6f);
  EXPECT_GT(Player.StepCounter, 100);
  KeyRelease(W);
  for (int i = 0; i < 40 && Speed() > 0.02f; ++i) Step();
  EXPECT_EQ((Step(), tuple(Player.Roll, Player.BobPhase, Player.StepCounter)), tuple(0.0f, 0.0f, 0));
}

TEST_F(PlayerTest, BitesFlashAndTheFatalOneSinksTheViewAndScoresOnce) {
  EXPECT_EQ((DamagePlayer(1), tuple(Player.Flash, Player.Health)), tuple(1.0f, 99));
  EXPECT_FLOAT_EQ((Step(), Player.Flash), 1.0f - 1.0f / 32.0f);  // decays by a thirty-second a step
  ShortTextAssign(PlayerName, "Dead Eye");
  Player.Kills = 2000, Player.Health = 4;
  const float y = Player.Position.y;
  for (float flash : {1.0f, 0.5f}) {  // the second hit does nothing: no flash, no sinking, no score
    Player.Flash = 0.5f, DamagePlayer(6);
    EXPECT_EQ(tuple(Player.Health, Player.Flash, Player.Position.y), tuple(0, flash, y - 1.5f));
    EXPECT_EQ(tuple(ScoreTable[0].Score, ScoreTable[1].Score), tuple(2000, 1000));
    EXPECT_EQ(ShortTextString(ScoreTable[0].Name), "Dead Eye");
  }
}

TEST_F(PlayerTest, DeadPlayerOnlyLooksUp) {
  Press(W), Press(Fire, 60), DamagePlayer(1000);
  TVector at = Player.Position;
  float yaw = Player.Yaw, pitch = Player.Pitch;
  Step(200, 200);
  EXPECT_FLOAT_EQ(Player.Pitch, pitch + (1.5707964f - pitch) / 64.0f);
  // Not turned, moved nor put back on the ground; the gun is silent.
  EXPECT_EQ(tuple(Player.Yaw, VectorDistSq(Player.Position, at), Player.FireChannel, FiredThisStep()),
            tuple(yaw, 0.0f, -1, false));
  EXPECT_NEAR((Steps(2000), Player.Pitch), 1.5707964f, 1e-4f);
}

TEST_F(PlayerTest, MuzzleIsAheadAtEyeHeightBelowTheSight) {
  Player.Position = {50, 8, 60}, Player.Pitch = Player.Yaw = 0;
  EXPECT_NEAR(VectorDistSq(PlayerMuzzle(Player), {51.5f, 9.5f, 60.0f}), 0.0f, 1e-10f);
  Player.Pitch = kPi / 2;  // looking straight up: ahead is up, "below" is back
  EXPECT_NEAR(VectorDistSq(PlayerMuzzle(Player), {50.5f, 8 + 2 + 1.5f, 60.0f}), 0.0f, 1e-10f);
}

}  // namespace
