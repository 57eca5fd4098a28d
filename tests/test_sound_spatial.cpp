// What the listener hears: left and right as the camera places it, distance gain, deferred commits.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/l_sound.h"
#include "platform/p_sound.h"
#include "support/test_env.h"
#include "support/wave_files.h"

struct Levels {
  double left, right;
  double Total() const { return std::sqrt(left * left + right * right); }
};

static Levels Render(uint32_t frames) {
  std::vector<float> out(frames * 2);
  EXPECT_TRUE(PlatformSoundRender(out.data(), frames));
  double l = 0, r = 0;
  for (uint32_t i = 0; i < frames; i++) {
    l += double(out[2 * i]) * out[2 * i];
    r += double(out[2 * i + 1]) * out[2 * i + 1];
  }
  return {std::sqrt(l / frames), std::sqrt(r / frames)};
}

// The camera's listener placement with Pitch and Roll 0: front = -C = (cos Yaw, 0, sin Yaw),
// top = -B = (0, -1, 0) (the sound module's handedness), and the eye 2 above the player.
static TVector PlaceListenerLikeCamera(const TVector& player, float yaw) {
  SetListenerOrientation(TVector{std::cos(yaw), 0, std::sin(yaw)}, TVector{0, -1, 0});
  TVector eye{player.x, player.y + 2, player.z};
  SetListenerPosition(eye);
  return eye;
}

// What is heard once the gains have settled after a change.
static Levels Settled() {
  Render(4096);
  return Render(4410);
}

class SpatialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    NoSound = false;
    PlatformSoundUseLoopback(true);
    PlatformSoundTestFailListener(false);
    ASSERT_TRUE(InitSound());
    WriteBytes(dir.File("tone.wav"), MakeWave(WaveLayout{}, SineData16(44100, 440, 44100, 0.5f)));
    tone = LoadSample(dir.File("tone.wav"));
    ASSERT_GT(tone, 0);
  }
  void TearDown() override {
    ShutdownSound();
    FinalizeSound();
    PlatformSoundTestFailListener(false);
  }
  // Starts the tone at a point, commits like one game step, lets the gains settle.
  Levels Hear(const TVector& at) {
    int32_t h = PlaySample(tone, true, at);
    EXPECT_GE(h, 0);
    UpdateSound();
    Render(4096);
    Levels l = Render(8820);
    StopChannel(h);
    return l;
  }
  ScratchDir dir;
  int32_t tone = -1;
};

TEST_F(SpatialTest, RightOfTheCameraIsHeardOnTheRightWhicheverWayItFaces) {
  TVector eye = PlaceListenerLikeCamera(TVector{0, 0, 0}, 0);  // facing +x, right is +z
  Levels right = Hear(TVector{eye.x, eye.y, eye.z + 5});
  Levels left = Hear(TVector{eye.x, eye.y, eye.z - 5});
  Levels ahead = Hear(TVector{eye.x + 5, eye.y, eye.z});
  EXPECT_GT(right.right, 2 * right.left);
  EXPECT_GT(left.left, 2 * left.right);
  EXPECT_NEAR(ahead.left / ahead.right, 1.0, 0.05);
  // Turning round (Yaw pi, facing -x) swaps the sides.
  PlaceListenerLikeCamera(TVector{0, 0, 0}, 3.14159265f);
  Levels turned = Hear(TVector{eye.x, eye.y, eye.z + 5});
  EXPECT_GT(turned.left, 2 * turned.right);
  // Yaw pi/2 faces +z (the facing direction is (cos Yaw, 0, sin Yaw)): +x is then on the left.
  eye = PlaceListenerLikeCamera(TVector{10, 0, -3}, 3.14159265f / 2);
  Levels plusX = Hear(TVector{eye.x + 5, eye.y, eye.z});
  EXPECT_GT(plusX.left, 2 * plusX.right);
}

TEST_F(SpatialTest, GainFollowsInverseDistanceWithRolloff005) {
  TVector eye = PlaceListenerLikeCamera(TVector{0, 0, 0}, 0);
  double reference = Hear(TVector{eye.x + 1, eye.y, eye.z}).Total();
  ASSERT_GT(reference, 0.05);
  for (float d : {0.25f, 2.0f, 5.0f, 21.0f, 101.0f, 301.0f}) {
    double expected = d <= 1 ? 1.0 : 1.0 / (1.0 + 0.05 * (d - 1.0));
    double heard = Hear(TVector{eye.x + d, eye.y, eye.z}).Total() / reference;
    EXPECT_NEAR(heard / expected, 1.0, 0.02) << "distance " << d;
  }
}

TEST_F(SpatialTest, ThreeDChangesWaitForTheStepCommit) {
  TVector eye = PlaceListenerLikeCamera(TVector{0, 0, 0}, 0);
  int32_t h = PlaySample(tone, true, TVector{eye.x, eye.y, eye.z + 5});
  UpdateSound();
  Levels before = Settled();
  EXPECT_GT(before.right, 2 * before.left);
  SetChannelPosition(h, TVector{eye.x, eye.y, eye.z - 5});
  Levels pending = Settled();
  EXPECT_GT(pending.right, 2 * pending.left) << "not moved before the commit";
  UpdateSound();
  Levels after = Settled();
  EXPECT_GT(after.left, 2 * after.right);
}

TEST_F(SpatialTest, MovingListenerKeepsThePlayingChannelInPlace) {
  PlaceListenerLikeCamera(TVector{0, 0, 0}, 0);
  int32_t h = PlaySample(tone, true, TVector{0, 2, 5});
  UpdateSound();
  EXPECT_GT(Settled().right, 0);
  // The player walks past: the sound is now behind-left of a listener at z = 10.
  PlaceListenerLikeCamera(TVector{0, 0, 10}, 0);
  UpdateSound();
  Levels l = Settled();
  EXPECT_GT(l.left, 2 * l.right);
  EXPECT_EQ(Channels[h].position.z, 5.0f);
}

TEST_F(SpatialTest, ListenerFoundLaterUsesRolloff001) {
  ShutdownSound();
  FinalizeSound();
  PlatformSoundTestFailListener(true);
  ASSERT_TRUE(InitSound());
  EXPECT_FALSE(ListenerPresent);
  tone = LoadSample(dir.File("tone.wav"));
  ASSERT_GT(tone, 0);
  PlatformSoundTestFailListener(false);
  PlaceListenerLikeCamera(TVector{0, 0, 0}, 0);  // ignored: no listener yet
  UpdateSound();
  EXPECT_TRUE(ListenerPresent);
  TVector eye = PlaceListenerLikeCamera(TVector{0, 0, 0}, 0);
  double reference = Hear(TVector{eye.x + 1, eye.y, eye.z}).Total();
  double heard = Hear(TVector{eye.x + 101, eye.y, eye.z}).Total() / reference;
  EXPECT_NEAR(heard, 0.5, 0.01);
}

TEST_F(SpatialTest, NoSoundIgnoresListenerAndChannelMoves) {
  TVector eye = PlaceListenerLikeCamera(TVector{0, 0, 0}, 0);
  int32_t h = PlaySample(tone, true, TVector{eye.x, eye.y, eye.z + 5});
  ASSERT_GE(h, 0);
  NoSound = true;
  EXPECT_FALSE(SetChannelPosition(h, TVector{0, 0, 0}));
  EXPECT_EQ(Channels[h].position.z, eye.z + 5);
  PlaceListenerLikeCamera(TVector{0, 0, 20}, 0);
  UpdateSound();
  Levels l = Settled();
  NoSound = false;
  EXPECT_GT(l.right, 2 * l.left) << "the listener did not move";
}
