// Positional sound effects on a loopback OpenAL device: registry, channels, hold, and what the
// listener hears (left and right as the camera places it, distance gain, deferred commits).

#include <climits>

#include "audio/l_sound.h"
#include "support/test_env.h"
#include "support/wave_files.h"

namespace {

uint32_t FakeNow = 1000;
const TVector O{0, 0, 0};

struct Levels {
  double left, right;
  double Total() const { return std::hypot(left, right); }
  // 1 when clearly on the right (twice as loud there), -1 when clearly on the left, else 0.
  int Side() const { return right > 2 * left ? 1 : left > 2 * right ? -1 : 0; }
};

// Root mean square of each output channel over the next frames.
Levels Render(uint32_t frames) {
  std::vector<float> out(frames * 2);
  EXPECT_TRUE(PlatformSoundRender(out.data(), frames));
  double sum[2] = {0, 0};
  for (uint32_t i = 0; i < frames * 2; i++) sum[i % 2] += double(out[i]) * out[i];
  return {std::sqrt(sum[0] / frames), std::sqrt(sum[1] / frames)};
}

// What is heard once the gains have settled after a change.
Levels Settled() { return Render(4096), Render(4410); }

bool Playing(int32_t handle) {
  uint32_t status = 0;
  PSoundBuffer* voice = Channels[handle].buffer;
  return voice && PlatformSoundStatus(voice, status) && (status & kSoundStatusPlaying);
}

uint32_t PlayPosition(int32_t handle) {
  uint32_t pos = 0;
  EXPECT_TRUE(PlatformSoundGetPlayPosition(Channels[handle].buffer, pos));
  return pos;
}

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    NoSound = false, FakeNow = 1000;
    SetSoundTickSource([] { return FakeNow; });
    PlatformSoundUseLoopback(true), PlatformSoundTestFailListener(false);
    ASSERT_TRUE(InitSound());
    // A second of 440 Hz, a one-shot of 10 ms, and a tenth of a second of 660 Hz.
    for (auto [name, frames, hz] :
         {std::tuple{"tone.wav", 44100, 440}, {"click.wav", 441, 1000}, {"other.wav", 4410, 660}})
      WriteBytes(dir.File(name), MakeWave(WaveLayout{}, SineData16(frames, hz, 44100, 0.5f)));
  }
  void TearDown() override {
    FinalizeSound();  // shuts down first
    SetSoundTickSource(nullptr), PlatformSoundTestFailListener(false);
    NoSound = false;
  }
  int32_t Load(const char* name) { return LoadSample(dir.File(name)); }
  ScratchDir dir;
};

TEST(SoundLifecycle, BeforeInitEverythingFails) {
  int32_t handle = 3;
  EXPECT_EQ(std::pair(LoadSample("data\\sounds\\none.wav"), PlaySample(1, false, O)), std::pair(-1, -1));
  EXPECT_FALSE(StopChannel(handle) || FreeSample(1) || SetChannelPosition(0, TVector{1, 2, 3}));
  EXPECT_EQ(handle, 3);
  StopSamples(0), SetListenerPosition(TVector{1, 2, 3}), UpdateSound();
  EXPECT_FALSE(SoundInitialized);
}

TEST_F(SoundTest, IdsStartAtOneAreNeverReusedAndTheKeyIsTheNameAsPassed) {
  EXPECT_EQ((std::pair{Load("tone.wav"), Load("click.wav")}), std::pair(1, 2));
  EXPECT_FALSE(InitSound());  // a second init changes nothing
  EXPECT_TRUE(FreeSample(2) && !FreeSample(2));
  EXPECT_EQ((std::pair{Load("other.wav"), Load("click.wav")}), std::pair(3, 4));
  EXPECT_TRUE(FreeSample(1));
  // The same name gives the same id; one that resolves to the same file is still another key.
  for (auto [name, id] : {std::pair{"tone.wav", 5}, {"other.wav", 3}, {"TONE.WAV", 6}}) EXPECT_EQ(Load(name), id);
  EXPECT_NE(SampleList->buffer, SampleList->next->buffer);
}

// The WAV reader's own refusals are pinned in test_wave; here one damaged file, and the
// formats the reader passes on that a 3D voice cannot take.
TEST_F(SoundTest, DamagedFilesFailWithoutUsingAnIdAndEightBitAndOddLengthsLoad) {
  const std::vector<uint8_t> data = SineData16(1000, 440, 44100, 0.5f), good = MakeWave(WaveLayout{}, data);
  const std::pair<const char*, std::vector<uint8_t>> files[] = {
      {"truncated.wav", {good.begin(), good.end() - 1}},  {"stereo.wav", MakeWave({.channels = 2}, data)},
      {"float.wav", MakeWave({.formatTag = 3, .bits = 32}, data)}, {"24bit.wav", MakeWave({.bits = 24}, data)},
      {"empty.wav", MakeWave(WaveLayout{}, {})}};
  EXPECT_EQ(Load("missing.wav"), -1);
  for (const auto& [name, bytes] : files) EXPECT_EQ((WriteBytes(dir.File(name), bytes), Load(name)), -1) << name;
  EXPECT_EQ(std::tuple(LastSampleId, SampleList, LoadSample(dir.Path()) /* a directory */, LoadSample("")),
            std::tuple(0, nullptr, -1, -1));
  WriteBytes(dir.File("eight.wav"), MakeWave({.rate = 11025, .bits = 8}, std::vector<uint8_t>(1001, 128)));
  WriteBytes(dir.File("odd.wav"), MakeWave(WaveLayout{}, std::vector<uint8_t>(1001, 0)));
  EXPECT_EQ((std::tuple{Load("eight.wav"), Load("odd.wav"), PlaySample(1, false, O)}), std::tuple(1, 2, 0));
}

TEST_F(SoundTest, NoSoundLoadsButNeverPlays) {
  EXPECT_EQ((NoSound = true, Load("tone.wav")), 1);
  EXPECT_EQ(std::tuple(PlaySample(1, true, O), PlaySample(1, false, O), Channels[0].buffer),
            std::tuple(-1, -1, nullptr));
  EXPECT_EQ((UpdateSound(), Render(4096).Total()), 0.0);
}

TEST_F(SoundTest, ThirtyTwoLoopingSoundsThenTheNextIsDropped) {
  const int32_t id = Load("tone.wav"), other = Load("click.wav");
  for (int32_t i = 0; i < kSoundChannels; i++) EXPECT_EQ(PlaySample(id, true, TVector{float(i), 0, 0}), i);
  EXPECT_EQ(std::pair(PlaySample(id, true, O), PlaySample(other, false, O)), std::pair(-1, -1));
  UpdateSound(), Render(44100 + 1000);  // past the end of the sample: the loops go on
  FakeNow += 10000, UpdateSound();
  for (int32_t i = 0; i < kSoundChannels; i++) EXPECT_TRUE(Playing(i) && Channels[i].sampleId == id) << i;
  EXPECT_EQ(PlaySample(other, false, O), -1);
}

TEST_F(SoundTest, FinishedOneShotIsHeldForThreeSecondsAndReused) {
  const int32_t click = Load("click.wav"), tone = Load("tone.wav");
  ASSERT_EQ(PlaySample(click, false, O), 0);
  Render(2048);
  PSoundBuffer* voice = Channels[0].buffer;
  FakeNow = 1000 + 3000, UpdateSound();
  EXPECT_EQ(Channels[0].buffer, voice);  // held up to 3000 ms after the start
  // Another sample takes a free channel; the held one is left for its own sample (same voice).
  EXPECT_EQ(PlaySample(tone, true, O), 1);
  EXPECT_EQ(PlaySample(click, false, O), 0);
  EXPECT_EQ(std::tuple(Channels[0].buffer, Channels[0].startTime), std::tuple(voice, 4000u));
  Render(2048), FakeNow = 4000 + 3001, UpdateSound();
  // Released, though the id stays on the channel; a playing channel is never released.
  EXPECT_EQ(std::tuple(Channels[0].buffer, Channels[0].buffer3D, Channels[0].sampleId),
            std::tuple(nullptr, nullptr, click));
  EXPECT_NE(Channels[1].buffer, nullptr);
}

TEST_F(SoundTest, HoldTimeWrapsAroundTheTickCounter) {
  FakeNow = 0xFFFFFF00u;
  ASSERT_EQ(PlaySample(Load("click.wav"), false, O), 0);
  Render(2048), FakeNow = 0x00000100u, UpdateSound();  // 512 ms later
  EXPECT_NE(Channels[0].buffer, nullptr);
  EXPECT_EQ((FakeNow = 0x00000C00u, UpdateSound(), Channels[0].buffer), nullptr);  // 3328 ms later
}

TEST_F(SoundTest, StoppedChannelIsRecycledWhenNoneIsFree) {
  const int32_t click = Load("click.wav"), tone = Load("tone.wav");
  for (int32_t i = 0; i < kSoundChannels; i++) ASSERT_EQ(PlaySample(click, false, O), i);
  Render(2048);  // every one-shot has finished, all still held
  // The same sample reuses the first stopped channel that holds it; a different one recycles
  // the first stopped channel: channel 0 now plays, so 1.
  EXPECT_EQ((std::pair{PlaySample(click, false, O), PlaySample(tone, true, O)}), std::pair(0, 1));
  EXPECT_TRUE(Playing(1) && Channels[1].sampleId == tone);
}

// StopSamples stops one sample's channels, or every one for an id <= 0; stopped channels stay held.
TEST_F(SoundTest, StopChannelRewindsAndStopSamplesResumes) {
  const int32_t tone = Load("tone.wav"), b = Load("other.wav");
  const int32_t h = PlaySample(tone, true, O), hb = PlaySample(b, true, O);
  int32_t kept = h, stop = h;
  ASSERT_EQ(h, 0);
  Render(10000);
  EXPECT_TRUE((StopSamples(999), Playing(h)));
  StopSamples(tone);
  EXPECT_TRUE(!Playing(h) && Playing(hb) && Channels[h].buffer);
  uint32_t paused = PlayPosition(h);
  Render(5000);
  EXPECT_EQ(PlaySample(tone, true, O), h);
  EXPECT_NEAR((Render(1000), double(PlayPosition(h))), paused + 2000.0, 400.0);  // resumes where it stopped
  EXPECT_TRUE((StopSamples(-4), !Playing(hb)) && Channels[hb].buffer);
  EXPECT_TRUE(StopChannel(stop));
  EXPECT_EQ(std::tuple(stop, Playing(kept), PlayPosition(kept)), std::tuple(-1, false, 0u));  // rewound
}

TEST_F(SoundTest, HandlesAndIdsAreRangeCheckedAndAStaleHandleAddressesTheNewSound) {
  const int32_t click = Load("click.wav"), tone = Load("tone.wav");
  for (int32_t bad : {0, -1, 3, INT_MIN}) EXPECT_FALSE(PlaySample(bad, false, O) != -1 || FreeSample(bad)) << bad;
  for (int32_t bad : {-1, 0, 5, 32, INT_MAX, INT_MIN}) {
    int32_t handle = bad;
    EXPECT_FALSE(StopChannel(handle) || SetChannelPosition(bad, TVector{1, 1, 1}) || handle != bad) << bad;
  }
  int32_t stale = PlaySample(click, false, O);
  ASSERT_EQ(stale, 0);
  Render(2048), FakeNow += 3500, UpdateSound();
  EXPECT_FALSE(SetChannelPosition(stale, O));  // a free channel
  ASSERT_EQ(PlaySample(tone, true, O), 0);
  EXPECT_TRUE(SetChannelPosition(stale, TVector{7, 0, 0}) && Channels[0].position.x == 7.0f);
  EXPECT_TRUE(StopChannel(stale) && !Playing(0));
}

TEST_F(SoundTest, FreeSampleReleasesItsChannelsOnlyAndShutdownEverything) {
  const int32_t a = Load("tone.wav"), b = Load("other.wav");
  for (int32_t i = 0; i < 3; ++i) ASSERT_EQ(PlaySample(i == 1 ? b : a, true, O), i);
  EXPECT_TRUE(FreeSample(a) && Playing(1));
  EXPECT_EQ(std::tuple(Channels[0].buffer, Channels[0].sampleId, Channels[2].buffer), std::tuple(nullptr, -1, nullptr));
  EXPECT_EQ(std::tuple(PlaySample(a, false, O), SampleList->id, SampleList->next), std::tuple(-1, b, nullptr));
  ShutdownSound();
  for (const TChannel& ch : Channels) EXPECT_TRUE(ch.buffer == nullptr && ch.sampleId == -1);
  EXPECT_EQ(std::pair(SampleList, PlaySample(b, false, O)), std::pair((TSample*)nullptr, -1));
  EXPECT_EQ((ShutdownSound() /* harmless when repeated */, Render(1024).Total()), 0.0);
}

// The camera's listener placement with Pitch and Roll 0: front = -C = (cos Yaw, 0, sin Yaw),
// top = -B = (0, -1, 0) (the sound module's handedness), and the eye 2 above the player.
TVector PlaceListenerLikeCamera(const TVector& player, float yaw) {
  SetListenerOrientation(TVector{std::cos(yaw), 0, std::sin(yaw)}, TVector{0, -1, 0});
  return SetListenerPosition(TVector{player.x, player.y + 2, player.z}), TVector{player.x, player.y + 2, player.z};
}

TVector Off(const TVector& eye, float dx, float dz) { return TVector{eye.x + dx, eye.y, eye.z + dz}; }

class SpatialTest : public SoundTest {
 protected:
  void SetUp() override { SoundTest::SetUp(), tone = Load("tone.wav"); }
  // Starts the tone at a point, commits like one game step, lets the gains settle.
  Levels Hear(const TVector& at) {
    int32_t h = PlaySample(tone, true, at);
    UpdateSound(), Render(4096);
    Levels l = Render(8820);
    return StopChannel(h), l;
  }
  int32_t tone = -1;
};

TEST_F(SpatialTest, RightOfTheCameraIsHeardOnTheRightWhicheverWayItFaces) {
  TVector eye = PlaceListenerLikeCamera(O, 0);  // facing +x, right is +z (sides at Yaw 0: the test below)
  Levels ahead = Hear(Off(eye, 5, 0));
  EXPECT_NEAR(ahead.left / ahead.right, 1.0, 0.05);
  // Yaw pi/2 faces +z (the facing direction is (cos Yaw, 0, sin Yaw)): +x is then on the left.
  eye = PlaceListenerLikeCamera(TVector{10, 0, -3}, 3.14159265f / 2);
  EXPECT_EQ(Hear(Off(eye, 5, 0)).Side(), -1);
}

TEST_F(SpatialTest, GainFollowsInverseDistanceWithRolloff005) {
  TVector eye = PlaceListenerLikeCamera(O, 0);
  double reference = Hear(Off(eye, 1, 0)).Total();
  ASSERT_GT(reference, 0.05);
  for (float d : {0.25f, 21.0f, 301.0f}) {
    double expected = d <= 1 ? 1.0 : 1.0 / (1.0 + 0.05 * (d - 1.0));
    EXPECT_NEAR(Hear(Off(eye, d, 0)).Total() / reference / expected, 1.0, 0.02) << "distance " << d;
  }
}

TEST_F(SpatialTest, ThreeDChangesWaitForTheStepCommitAndAMovingListenerLeavesTheChannel) {
  TVector eye = PlaceListenerLikeCamera(O, 0);
  int32_t h = PlaySample(tone, true, Off(eye, 0, 5));
  UpdateSound(), SetChannelPosition(h, Off(eye, 0, -5));
  EXPECT_EQ(Settled().Side(), 1);  // not moved before the commit
  EXPECT_EQ((UpdateSound(), Settled().Side()), -1);
  // The player walks past: a sound at z = 5 is then behind-left of a listener at z = 10.
  SetChannelPosition(h, TVector{0, 2, 5}), PlaceListenerLikeCamera(TVector{0, 0, 10}, 0), UpdateSound();
  EXPECT_EQ(std::pair(Settled().Side(), Channels[h].position.z), std::pair(-1, 5.0f));
}

}  // namespace
