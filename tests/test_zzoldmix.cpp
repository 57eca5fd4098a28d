// XM mixer: speeds, the period model, gains, ramps, cross-fades, loops and the voice update.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/xm_mix.h"
#include "audio/xm_song.h"

namespace {

struct SampleData {
  std::vector<int16_t> buffer;
  TXmSample sample{};
  SampleData(std::vector<int16_t> values, uint8_t loopMode = 1, uint32_t loopStart = 0, uint32_t loopLength = 0) {
    buffer = values;
    buffer.resize(values.size() + 8, 0);
    sample.data = buffer.data();
    sample.length = static_cast<uint32_t>(values.size());
    sample.loopMode = loopMode;
    sample.loopStart = loopMode == 1 ? 0 : loopStart;
    sample.loopLength = loopMode == 1 ? sample.length : loopLength;
    sample.bits = 16;
    sample.volume = 64;
    sample.panning = 128;
    uint32_t end = sample.loopStart + sample.loopLength;
    if (loopMode == 2) buffer[end] = buffer[sample.loopStart];
    if (loopMode == 4) buffer[end] = buffer[end - 1];
  }
};

// first, first + step, first + 2 x step, ...
std::vector<int16_t> Ramp(int count, int step, int first = 0) {
  std::vector<int16_t> values;
  for (int i = 0; i < count; ++i) values.push_back(static_cast<int16_t>(first + i * step));
  return values;
}

class Mixer : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetVoices();
    XmOutput.rampLength = 128;
    XmOutput.invRampLength = 1.0f / 128;
    song.flags = 1;
    song.globalVolume = 64;
    ch = TXmChannel{};
    ch.voice = &MixVoice[0];
    ch.volEnv.output = 64;
    ch.panEnv.output = 32;
    ch.fadeoutVolume = 65536;
    ch.volume = 64;
    ch.panning = 128;
  }
  // A voice playing at the given speed with steady full gain on both sides (no ramp).
  TMixVoice& Steady(const TXmSample* s, uint32_t speedInt, uint32_t speedFrac, int left = 255, int right = 255) {
    TMixVoice& v = MixVoice[0];
    v.sample = s;
    v.speedInt = speedInt;
    v.speedFrac = speedFrac;
    v.leftVolume = v.lastLeft = left;
    v.rightVolume = v.lastRight = right;
    v.currentLeft = left * 256;
    v.currentRight = right * 256;
    return v;
  }
  std::vector<float> Mix(int frames) {
    std::vector<float> out(static_cast<size_t>(frames) * 2, 0.0f);
    MixVoices(out.data(), frames);
    return out;
  }
  void Update(uint8_t flags, const TXmSample* s) {
    ch.flags = flags;
    UpdateVoice(&ch, s, &song);
  }
  TXmSong song{};
  TXmChannel ch{};
};

}  // namespace

TEST_F(Mixer, MiddleCAt8363HzAdvancesExactly8363Over44100PerFrame) {
  SampleData s(std::vector<int16_t>(200000, 100));
  ch.period = LinearPeriod(48, 0);
  Update(kXmFrequency, &s.sample);
  TMixVoice& v = MixVoice[0];
  EXPECT_EQ(v.frequency, 8363);
  Steady(&s.sample, v.speedInt, v.speedFrac);
  Mix(44100);
  uint64_t pos = (static_cast<uint64_t>(v.position) << 32) | v.fraction;
  EXPECT_EQ(pos, uint64_t{44100} * v.speedFrac);  // no drift over a second
  EXPECT_EQ(v.position, 8362);  // just short of 8363: the fraction is rounded down

  // The Amiga table: C-4 is period 1712, and 14317056 div 1712 truncates to 8362.
  song.flags = 0;
  EXPECT_EQ(NotePeriod(48, 0), 1712);
  ch.period = NotePeriod(48, 0);
  Update(kXmFrequency, &s.sample);
  EXPECT_EQ(MixVoice[0].frequency, 8362);
}

TEST_F(Mixer, PeriodModels) {
  EXPECT_EQ(LinearPeriod(48, -3), 4609);  // finetune / 2 truncates toward zero
  EXPECT_EQ(LinearPeriod(48, 3), 4607);
  // Finetune 64 goes half way to the neighbouring note's period (1616 above, 1814 below);
  // note 0 has no lower neighbour, so it goes half the step to note 1 the other way.
  EXPECT_EQ(NotePeriod(48, 64), 1664);
  EXPECT_EQ(NotePeriod(48, -64), 1763);
  EXPECT_EQ(NotePeriod(0, -64), 27392 + 768);
  int32_t f = 0;
  ASSERT_TRUE(PeriodFrequency(true, 4608 - 768, 0, f));
  EXPECT_EQ(f, 16726);  // one octave up
  ASSERT_TRUE(PeriodFrequency(false, 1712, 100, f));
  EXPECT_EQ(f, 14317056 / 1812);
  EXPECT_FALSE(PeriodFrequency(false, 100, -100, f));
  EXPECT_FALSE(PeriodFrequency(true, 100, -100, f));
}

TEST_F(Mixer, PanningZeroIsHardLeftAnd255HardRight) {
  SampleData s(std::vector<int16_t>(100, 1000), 2, 0, 100);
  const float full = 1000.0f * (128.0f / 255.0f);  // volume 128 on one side
  const struct { int panning; float left, right; } cases[] = {{0, full, 0.0f}, {255, 0.0f, full}};
  for (const auto& c : cases) {
    ch.panning = c.panning;
    Update(kXmVolume | kXmPanning, &s.sample);
    Steady(&s.sample, 1, 0, MixVoice[0].leftVolume, MixVoice[0].rightVolume);
    std::vector<float> out = Mix(16);
    for (int i = 0; i < 16; ++i) {
      ASSERT_FLOAT_EQ(out[2 * i], c.left) << c.panning << " frame " << i;  // left: the first of each frame
      ASSERT_FLOAT_EQ(out[2 * i + 1], c.right) << c.panning << " frame " << i;
    }
  }
}

TEST_F(Mixer, VolumeAndPanningFormulas) {
  SampleData s({0});
  // The tremolo and tremor delta adds to the volume; 64 x 32 x 32768 x 32 x 255 / 2^35 = 15.9.
  const struct { int volume, delta, fadeout, global, final; } volumes[] = {
      {64, 0, 65536, 64, 128}, {32, 0, 65536, 64, 64}, {32, -32, 65536, 64, 0}, {32, 0, 32768, 32, 16}};
  for (const auto& c : volumes) {
    ch.volume = c.volume;
    ch.volumeDelta = c.delta;
    ch.fadeoutVolume = c.fadeout;
    song.globalVolume = c.global;
    Update(kXmVolume, &s.sample);
    EXPECT_EQ(MixVoice[0].volume, c.final) << c.volume << " " << c.delta << " " << c.fadeout;
  }
  const struct { int p, env, final; } pans[] = {{128, 64, 255}, {128, 0, 0}, {240, 0, 240}, {200, 0, 168}, {0, 64, 0}};
  for (const auto& c : pans) {
    ch.panning = c.p;
    ch.panEnv.output = c.env;
    Update(kXmPanning, &s.sample);
    EXPECT_EQ(MixVoice[0].panning, c.final) << c.p << " " << c.env;
  }
}

TEST_F(Mixer, RetriggerCrossFadesOnThePartnerVoice) {
  SampleData a(std::vector<int16_t>(1000, 1000), 2, 0, 1000);
  SampleData b(std::vector<int16_t>(1000, -1000), 2, 0, 1000);
  TMixVoice& old = Steady(&a.sample, 1, 0, 64, 64);
  old.volume = 128;
  old.panning = 128;
  Update(kXmTrigger | kXmVolume, &b.sample);
  ASSERT_EQ(ch.voice, &MixVoice[32]);
  EXPECT_EQ(MixVoice[32].sample, &b.sample);
  EXPECT_EQ(MixVoice[32].currentLeft, 0);
  EXPECT_EQ(MixVoice[0].sample, &a.sample);  // the old note still sounds
  EXPECT_EQ(MixVoice[0].leftVolume, 0);
  EXPECT_EQ(MixVoice[0].volume, 0);
  const float g = 64.0f / 255.0f;  // volume 128 at panning 128 gives 64 to the right (63 to the left)
  std::vector<float> out = Mix(200);
  EXPECT_NEAR(out[1], 1000.0f * g, 1e-2);
  EXPECT_NEAR(out[2 * 64 + 1], 0.0f, 1.0f);
  EXPECT_NEAR(out[2 * 127 + 1], 1000.0f * g / 128 - 1000.0f * g * 127 / 128, 1e-1);
  for (int i = 128; i < 200; ++i) ASSERT_NEAR(out[2 * i + 1], -1000.0f * g, 1e-3) << i;
  EXPECT_EQ(MixVoice[0].currentRight, 0);
  // A second trigger swaps back to the first voice of the pair.
  Update(kXmTrigger, &a.sample);
  EXPECT_EQ(ch.voice, &MixVoice[0]);
}

TEST_F(Mixer, VolumeChangesRampOver128Frames) {
  SampleData s(std::vector<int16_t>(1000, 1000), 2, 0, 1000);
  TMixVoice& v = Steady(&s.sample, 1, 0, 255, 255);
  v.leftVolume = 0;
  std::vector<float> out = Mix(256);
  EXPECT_FLOAT_EQ(out[0], 1000.0f);
  EXPECT_NEAR(out[2 * 64], 500.0f, 0.5f);
  EXPECT_NEAR(out[2 * 127], 1000.0f / 128, 0.5f);
  EXPECT_EQ(out[2 * 128], 0.0f);
  EXPECT_FLOAT_EQ(out[2 * 128 + 1], 1000.0f);  // the right side never changed
  EXPECT_EQ(v.rampFrames, 0);
  EXPECT_EQ(v.currentLeft, 0);
}

TEST_F(Mixer, NonLoopedSampleStopsAndFreesItsVoice) {
  SampleData s(Ramp(10, 100, 100));
  TMixVoice& v = Steady(&s.sample, 1, 0);
  std::vector<float> out = Mix(20);
  for (int i = 0; i < 10; ++i) EXPECT_FLOAT_EQ(out[2 * i], (i + 1) * 100.0f);
  for (int i = 10; i < 20; ++i) EXPECT_EQ(out[2 * i], 0.0f);
  EXPECT_EQ(v.sample, nullptr);
  EXPECT_EQ(v.position, 0);
}

TEST_F(Mixer, LinearInterpolationBetweenSamples) {
  SampleData s(Ramp(8, 1000));
  Steady(&s.sample, 0, 0x80000000u);  // half a sample per frame
  std::vector<float> out = Mix(6);
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(out[2 * i], i * 500.0f);
}

TEST_F(Mixer, ForwardLoopWraps) {
  SampleData s(Ramp(10, 100), 2, 4, 4);
  Steady(&s.sample, 1, 0);
  std::vector<float> out = Mix(16);
  const int expect[16] = {0, 1, 2, 3, 4, 5, 6, 7, 4, 5, 6, 7, 4, 5, 6, 7};
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(out[2 * i], expect[i] * 100.0f) << i;
  // Fast voices wrap by whole loop lengths in one go.
  TMixVoice& v = Steady(&s.sample, 7, 0);
  v.position = 0;
  Mix(1000);
  EXPECT_GE(v.position, 4);
  EXPECT_LT(v.position, 8);
}

TEST_F(Mixer, PingPongLoopReflects) {
  SampleData s(Ramp(8, 100), 4, 2, 4);  // loop 2..6
  TMixVoice& v = Steady(&s.sample, 1, 0);
  std::vector<float> out = Mix(14);
  // Forward 0..5, then just below 6 going back (the guard repeats sample 5), down to 2.
  const float expect[14] = {0, 100, 200, 300, 400, 500, 500, 500, 400, 300, 200, 300, 400, 500};
  for (int i = 0; i < 14; ++i) EXPECT_NEAR(out[2 * i], expect[i], 0.01f) << i;
  EXPECT_EQ(v.direction, 2);
  // Far overshoots come back inside the loop, in either direction.
  for (uint32_t speed : {3u, 5u, 11u, 200u}) {
    v = TMixVoice{};
    Steady(&s.sample, speed, 0x12345678u);
    v.direction = 1;
    for (int k = 0; k < 50; ++k) {
      Mix(37);
      ASSERT_NE(v.sample, nullptr);
      ASSERT_GE(v.position, 2);
      ASSERT_LT(v.position, 6);
    }
  }
}

TEST_F(Mixer, PingPongFromTheLoopStartOfASampleStartingItsLoopAtZero) {
  SampleData s({500, 600, 700, 800}, 4, 0, 4);
  TMixVoice& v = Steady(&s.sample, 1, 0);
  v.direction = 2;  // going backward, exactly on the loop start
  v.position = 0;
  std::vector<float> out = Mix(6);
  EXPECT_FLOAT_EQ(out[0], 500.0f);  // never reads before the data
  EXPECT_GE(v.position, 0);
  EXPECT_NE(v.sample, nullptr);
}

TEST_F(Mixer, FrequenciesBelow100HzPlayAt100HzAndAZeroPeriodLeavesTheFrequency) {
  SampleData s({0});
  ch.period = 4608;
  Update(kXmFrequency, &s.sample);
  ch.period = 64;
  ch.periodDelta = -64;  // period + delta 0: no division by it
  Update(kXmFrequency, &s.sample);
  EXPECT_EQ(MixVoice[0].frequency, 8363);
  EXPECT_EQ(ch.flags & kXmFrequency, 0);
  song.flags = 0;
  ch.period = 200000;  // 14317056 / 200000 = 71 Hz
  ch.periodDelta = 0;
  Update(kXmFrequency, &s.sample);
  EXPECT_EQ(MixVoice[0].frequency, 71);
  EXPECT_EQ(MixVoice[0].speedInt, 0u);
  EXPECT_EQ(MixVoice[0].speedFrac, static_cast<uint32_t>((uint64_t{100} << 32) / 44100));
}

TEST_F(Mixer, EmptySampleFallsSilentWithoutReadingData) {
  Update(kXmTrigger | kXmVolume, &XmEmptySample);
  EXPECT_EQ(MixVoice[0].sample, &XmEmptySample);
  std::vector<float> out = Mix(64);
  for (float f : out) EXPECT_EQ(f, 0.0f);
  EXPECT_EQ(MixVoice[0].sample, nullptr);
}

TEST_F(Mixer, TriggerStartsAtTheOffsetInsideTheLoopOnly) {
  SampleData s(std::vector<int16_t>(600, 1), 2, 100, 400);
  ch.voice->startOffset = 256;
  Update(kXmTrigger, &s.sample);
  EXPECT_EQ(ch.voice->position, 256);
  EXPECT_EQ(ch.voice->startOffset, 0u);
  ch.voice->startOffset = 500;  // at the loop end
  Update(kXmTrigger, &s.sample);
  EXPECT_EQ(ch.voice->position, 0);
}

TEST_F(Mixer, RewindGoesBackToTheStartKeepingTheSample) {
  SampleData s(std::vector<int16_t>(600, 1), 2, 100, 400);
  TMixVoice& v = Steady(&s.sample, 1, 0);
  Mix(300);
  EXPECT_EQ(v.position, 300);
  v.startOffset = 77;
  Update(kXmRewind, &s.sample);
  EXPECT_EQ(v.position, 0);
  EXPECT_EQ(v.fraction, 0u);
  EXPECT_EQ(v.startOffset, 0u);
  EXPECT_EQ(v.sample, &s.sample);
}
