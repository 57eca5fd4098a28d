// Positional sound effects on a loopback OpenAL device: registry, channels, hold, 3D output.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "audio/l_sound.h"
#include "platform/p_sound.h"
#include "support/test_env.h"
#include "support/wave_files.h"

static uint32_t FakeNow = 1000;
static uint32_t FakeTick() { return FakeNow; }

struct Levels {
  double left, right;
};

// Root mean square of each output channel over the next frames.
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

static bool Playing(int32_t handle) {
  uint32_t status = 0;
  return Channels[handle].buffer && PlatformSoundStatus(Channels[handle].buffer, status) &&
         (status & kSoundStatusPlaying);
}

static uint32_t PlayPosition(int32_t handle) {
  uint32_t pos = 0;
  EXPECT_TRUE(PlatformSoundGetPlayPosition(Channels[handle].buffer, pos));
  return pos;
}

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    NoSound = false;
    FakeNow = 1000;
    SetSoundTickSource(FakeTick);
    PlatformSoundUseLoopback(true);
    PlatformSoundTestFailListener(false);
    ASSERT_TRUE(InitSound());
    // A second of 440 Hz, and a one-shot of 10 ms.
    WriteBytes(dir.File("tone.wav"), MakeWave(WaveLayout{}, SineData16(44100, 440, 44100, 0.5f)));
    WriteBytes(dir.File("click.wav"), MakeWave(WaveLayout{}, SineData16(441, 1000, 44100, 0.5f)));
    WriteBytes(dir.File("other.wav"), MakeWave(WaveLayout{}, SineData16(4410, 660, 44100, 0.5f)));
  }
  void TearDown() override {
    ShutdownSound();
    FinalizeSound();
    SetSoundTickSource(nullptr);
    PlatformSoundTestFailListener(false);
    NoSound = false;
  }
  int32_t Load(const char* name) { return LoadSample(dir.File(name)); }
  ScratchDir dir;
};

TEST(SoundLifecycle, BeforeInitEverythingFails) {
  int32_t handle = 3;
  EXPECT_EQ(LoadSample("data\\sounds\\none.wav"), -1);
  EXPECT_EQ(PlaySample(1, false, TVector{0, 0, 0}), -1);
  EXPECT_FALSE(StopChannel(handle));
  EXPECT_EQ(handle, 3);
  EXPECT_FALSE(FreeSample(1));
  EXPECT_FALSE(SetChannelPosition(0, TVector{1, 2, 3}));
  StopSamples(0);
  SetListenerPosition(TVector{1, 2, 3});
  SetListenerOrientation(TVector{1, 0, 0}, TVector{0, -1, 0});
  UpdateSound();
  EXPECT_FALSE(SoundInitialized);
}

// Without a device the game runs silent, and neither OpenAL nor ALSA may print.
TEST(SoundLifecycle, NoDeviceFailsQuietly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ScratchDir dir;
  std::string emptyConf = dir.File("empty.conf");
  WriteBytes(emptyConf, {});
  EXPECT_EXIT(
      {
        // ALSA with no configuration knows no PCM at all: it fails, and would say so.
        setenv("ALSOFT_DRIVERS", "alsa", 1);
        setenv("ALSA_CONFIG_PATH", emptyConf.c_str(), 1);
        unsetenv("ALSOFT_LOGLEVEL");
        PlatformSoundUseLoopback(false);
        bool ok = InitSound();
        std::exit(ok ? 1 : (SoundInitialized || LoadSample("x.wav") != -1) ? 2 : 0);
      },
      ::testing::ExitedWithCode(0), "^$");
}

TEST_F(SoundTest, IdsStartAtOneAndAreNeverReused) {
  EXPECT_EQ(Load("tone.wav"), 1);
  EXPECT_EQ(Load("click.wav"), 2);
  EXPECT_FALSE(InitSound());  // a second init changes nothing
  EXPECT_TRUE(FreeSample(2));
  EXPECT_FALSE(FreeSample(2));
  EXPECT_EQ(Load("other.wav"), 3);
  EXPECT_EQ(Load("click.wav"), 4);
  EXPECT_TRUE(FreeSample(1));
  EXPECT_EQ(Load("tone.wav"), 5);
  // The remaining records are untouched by the removals.
  EXPECT_EQ(Load("other.wav"), 3);
  EXPECT_EQ(Load("click.wav"), 4);
}

TEST_F(SoundTest, SameNameSameIdAndCaseDifferenceLoadsACopy) {
  int32_t a = Load("tone.wav");
  EXPECT_EQ(Load("tone.wav"), a);
  // Resolves to the same file, but the registry key is the name as passed.
  int32_t b = Load("TONE.WAV");
  EXPECT_GT(b, a);
  EXPECT_NE(SampleList->buffer, SampleList->next->buffer);
  EXPECT_EQ(Load("TONE.WAV"), b);
}

TEST_F(SoundTest, DamagedFilesFailWithoutUsingAnId) {
  const std::vector<uint8_t> data = SineData16(1000, 440, 44100, 0.5f), good = MakeWave(WaveLayout{}, data);
  std::vector<uint8_t> magic = good, wave = good;
  magic[1] = 'X';
  wave[9] = 'X';
  const std::pair<const char*, std::vector<uint8_t>> files[] = {
      {"short.wav", {good.begin(), good.begin() + 30}},
      {"truncated.wav", {good.begin(), good.end() - 1}},
      {"magic.wav", magic},
      {"wave.wav", wave},
      {"4bit.wav", MakeWave({.bits = 4}, data)},
      {"stereo.wav", MakeWave({.channels = 2}, data)},
      {"huge.wav", MakeWave({.overrideLength = true, .length = 0x7FFFFFF0u}, data)},
      {"nochannels.wav", MakeWave({.channels = 0}, data)},
      {"float.wav", MakeWave({.formatTag = 3, .bits = 32}, data)},
      {"24bit.wav", MakeWave({.bits = 24}, data)},
      {"empty.wav", MakeWave(WaveLayout{}, {})},
      {"zero.wav", {}},
  };
  EXPECT_EQ(Load("missing.wav"), -1);
  for (const auto& [name, bytes] : files) {
    WriteBytes(dir.File(name), bytes);
    EXPECT_EQ(Load(name), -1) << name;
  }
  EXPECT_EQ(LastSampleId, 0);
  EXPECT_EQ(SampleList, nullptr);
  EXPECT_EQ(LoadSample(dir.Path()), -1) << "a directory";
  EXPECT_EQ(LoadSample(""), -1);
  EXPECT_EQ(Load("tone.wav"), 1);
}

TEST_F(SoundTest, EightBitAndOddLengthsLoad) {
  WaveLayout s;
  s.bits = 8;
  s.rate = 11025;
  WriteBytes(dir.File("eight.wav"), MakeWave(s, std::vector<uint8_t>(1001, 128)));
  WriteBytes(dir.File("odd.wav"), MakeWave(WaveLayout{}, std::vector<uint8_t>(1001, 0)));
  EXPECT_EQ(Load("eight.wav"), 1);
  EXPECT_EQ(Load("odd.wav"), 2);
  EXPECT_EQ(PlaySample(1, false, TVector{0, 0, 0}), 0);
}

TEST_F(SoundTest, NoSoundLoadsButNeverPlays) {
  NoSound = true;
  int32_t id = Load("tone.wav");
  EXPECT_EQ(id, 1);
  EXPECT_EQ(PlaySample(id, true, TVector{0, 0, 0}), -1);
  EXPECT_EQ(PlaySample(id, false, TVector{0, 0, 0}), -1);
  EXPECT_EQ(Channels[0].buffer, nullptr);
  UpdateSound();
  Levels l = Render(4096);
  EXPECT_EQ(l.left + l.right, 0.0);
}

TEST_F(SoundTest, ThirtyTwoLoopingSoundsThenTheNextIsDropped) {
  const int32_t id = Load("tone.wav"), other = Load("click.wav");
  for (int32_t i = 0; i < kSoundChannels; i++) EXPECT_EQ(PlaySample(id, true, TVector{float(i), 0, 0}), i);
  EXPECT_EQ(PlaySample(id, true, TVector{0, 0, 0}), -1);
  EXPECT_EQ(PlaySample(other, false, TVector{0, 0, 0}), -1);
  UpdateSound();
  Render(44100 + 1000);  // past the end of the sample: the loops go on
  FakeNow += 10000;
  UpdateSound();
  for (int32_t i = 0; i < kSoundChannels; i++) {
    EXPECT_TRUE(Playing(i)) << i;
    EXPECT_EQ(Channels[i].sampleId, id);
  }
  EXPECT_EQ(PlaySample(other, false, TVector{0, 0, 0}), -1);
}

TEST_F(SoundTest, FinishedOneShotIsHeldForThreeSecondsAndReused) {
  const int32_t click = Load("click.wav"), tone = Load("tone.wav");
  int32_t h = PlaySample(click, false, TVector{0, 0, 0});
  ASSERT_EQ(h, 0);
  EXPECT_EQ(Channels[0].startTime, 1000u);
  EXPECT_TRUE(Playing(h));
  Render(2048);
  EXPECT_FALSE(Playing(h));
  PSoundBuffer* voice = Channels[0].buffer;

  FakeNow = 1000 + 3000;
  UpdateSound();
  EXPECT_EQ(Channels[0].buffer, voice) << "held up to 3000 ms after the start";
  // Another sample takes a free channel; the held one is left for its own sample.
  EXPECT_EQ(PlaySample(tone, true, TVector{0, 0, 0}), 1);
  EXPECT_EQ(PlaySample(click, false, TVector{0, 0, 0}), 0);
  EXPECT_EQ(Channels[0].buffer, voice) << "same voice, no new duplicate";
  EXPECT_EQ(Channels[0].startTime, 4000u);
  Render(2048);

  FakeNow = 4000 + 3001;
  UpdateSound();
  EXPECT_EQ(Channels[0].buffer, nullptr);
  EXPECT_EQ(Channels[0].buffer3D, nullptr);
  EXPECT_EQ(Channels[0].sampleId, click) << "the id stays on a released channel";
  EXPECT_NE(Channels[1].buffer, nullptr) << "a playing channel is never released";
}

TEST_F(SoundTest, HoldTimeWrapsAroundTheTickCounter) {
  int32_t click = Load("click.wav");
  FakeNow = 0xFFFFFF00u;
  ASSERT_EQ(PlaySample(click, false, TVector{0, 0, 0}), 0);
  Render(2048);
  FakeNow = 0x00000100u;  // 512 ms later
  UpdateSound();
  EXPECT_NE(Channels[0].buffer, nullptr);
  FakeNow = 0x00000C00u;  // 3328 ms later
  UpdateSound();
  EXPECT_EQ(Channels[0].buffer, nullptr);
}

TEST_F(SoundTest, StoppedChannelIsRecycledWhenNoneIsFree) {
  const int32_t click = Load("click.wav"), tone = Load("tone.wav");
  for (int32_t i = 0; i < kSoundChannels; i++) ASSERT_EQ(PlaySample(click, false, TVector{0, 0, 0}), i);
  Render(2048);  // every one-shot has finished, all still held
  // The same sample reuses the first stopped channel that holds it.
  EXPECT_EQ(PlaySample(click, false, TVector{0, 0, 0}), 0);
  // A different one recycles the first stopped channel: channel 0 now plays, so 1.
  EXPECT_EQ(PlaySample(tone, true, TVector{0, 0, 0}), 1);
  EXPECT_EQ(Channels[1].sampleId, tone);
  EXPECT_TRUE(Playing(1));
}

TEST_F(SoundTest, StopChannelRewindsAndStopSamplesResumes) {
  int32_t tone = Load("tone.wav");
  int32_t h = PlaySample(tone, true, TVector{0, 0, 0});
  ASSERT_EQ(h, 0);
  Render(10000);
  StopSamples(0);
  EXPECT_FALSE(Playing(h));
  EXPECT_NE(Channels[h].buffer, nullptr) << "stopped channels stay held";
  uint32_t paused = PlayPosition(h);
  EXPECT_NEAR(double(paused), 20000.0, 400.0);
  Render(5000);
  EXPECT_EQ(PlayPosition(h), paused) << "stopped means it does not move";

  EXPECT_EQ(PlaySample(tone, true, TVector{0, 0, 0}), h);
  EXPECT_GE(PlayPosition(h), paused) << "resumes where it stopped";
  Render(1000);
  EXPECT_NEAR(double(PlayPosition(h)), paused + 2000.0, 400.0);

  int32_t kept = h;
  EXPECT_TRUE(StopChannel(h));
  EXPECT_EQ(h, -1);
  EXPECT_FALSE(Playing(kept));
  EXPECT_EQ(PlayPosition(kept), 0u);
  EXPECT_EQ(PlaySample(tone, false, TVector{0, 0, 0}), kept);
  EXPECT_LT(PlayPosition(kept), 400u) << "starts again from the top";
}

TEST_F(SoundTest, StopSamplesByIdStopsOnlyThatSample) {
  const int32_t a = Load("tone.wav"), b = Load("other.wav");
  const int32_t ha = PlaySample(a, true, TVector{0, 0, 0}), hb = PlaySample(b, true, TVector{0, 0, 0});
  StopSamples(999);
  EXPECT_TRUE(Playing(ha));
  StopSamples(a);
  EXPECT_FALSE(Playing(ha));
  EXPECT_TRUE(Playing(hb));
  StopSamples(-4);
  EXPECT_FALSE(Playing(hb));
  EXPECT_NE(Channels[ha].buffer, nullptr);
  EXPECT_NE(Channels[hb].buffer, nullptr);
}

TEST_F(SoundTest, HandlesAndIdsAreRangeChecked) {
  int32_t id = Load("tone.wav");
  for (int32_t bad : {0, -1, 2, 999, INT_MAX, INT_MIN}) EXPECT_EQ(PlaySample(bad, false, TVector{0, 0, 0}), -1);
  for (int32_t bad : {0, -1, 2, INT_MAX, INT_MIN}) EXPECT_FALSE(FreeSample(bad));
  for (int32_t bad : {-1, 0, 5, 31, 32, 33, INT_MAX, INT_MIN}) {
    int32_t handle = bad;
    EXPECT_FALSE(StopChannel(handle)) << bad;
    EXPECT_EQ(handle, bad);
    EXPECT_FALSE(SetChannelPosition(bad, TVector{1, 1, 1}));
  }
  int32_t h = PlaySample(id, true, TVector{0, 0, 0});
  EXPECT_TRUE(SetChannelPosition(h, TVector{1, 1, 1}));
  EXPECT_EQ(Channels[h].position.x, 1.0f);
}

TEST_F(SoundTest, StaleHandleAddressesTheNewSound) {
  const int32_t click = Load("click.wav"), tone = Load("tone.wav");
  int32_t stale = PlaySample(click, false, TVector{0, 0, 0});
  ASSERT_EQ(stale, 0);
  Render(2048);
  FakeNow += 3500;
  UpdateSound();
  ASSERT_EQ(Channels[0].buffer, nullptr);
  EXPECT_FALSE(SetChannelPosition(stale, TVector{0, 0, 0})) << "a free channel";
  ASSERT_EQ(PlaySample(tone, true, TVector{0, 0, 0}), 0);
  EXPECT_TRUE(SetChannelPosition(stale, TVector{7, 0, 0}));
  EXPECT_EQ(Channels[0].position.x, 7.0f);
  EXPECT_TRUE(StopChannel(stale));
  EXPECT_FALSE(Playing(0));
}

TEST_F(SoundTest, FreeSampleReleasesItsChannelsOnly) {
  const int32_t a = Load("tone.wav"), b = Load("other.wav");
  ASSERT_EQ(PlaySample(a, true, TVector{0, 0, 0}), 0);
  ASSERT_EQ(PlaySample(b, true, TVector{0, 0, 0}), 1);
  ASSERT_EQ(PlaySample(a, true, TVector{0, 0, 0}), 2);
  EXPECT_TRUE(FreeSample(a));
  EXPECT_EQ(Channels[0].buffer, nullptr);
  EXPECT_EQ(Channels[0].sampleId, -1);
  EXPECT_EQ(Channels[2].buffer, nullptr);
  EXPECT_TRUE(Playing(1));
  EXPECT_EQ(PlaySample(a, false, TVector{0, 0, 0}), -1);
  EXPECT_EQ(SampleList->id, b);
  EXPECT_EQ(SampleList->next, nullptr);
}

TEST_F(SoundTest, ShutdownReleasesEverything) {
  int32_t a = Load("tone.wav");
  PlaySample(a, true, TVector{0, 0, 0});
  ShutdownSound();
  EXPECT_EQ(SampleList, nullptr);
  for (const TChannel& ch : Channels) {
    EXPECT_EQ(ch.buffer, nullptr);
    EXPECT_EQ(ch.sampleId, -1);
  }
  EXPECT_EQ(PlaySample(a, false, TVector{0, 0, 0}), -1);
  ShutdownSound();  // harmless when repeated
  Levels l = Render(1024);
  EXPECT_EQ(l.left + l.right, 0.0);
}
