// XM mixer: speeds, the period model, gains, ramps, cross-fades, loops and the voice update.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/xm_mix.h"
#include "audio/xm_song.h"

namespace {

using F = std::vector<float>;
using V = std::vector<int64_t>;

// A sample with the loader's slack and loop guard; loop mode 1 is no loop.
struct SampleData {
  std::vector<int16_t> buffer;
  TXmSample sample{};
  SampleData(std::vector<int16_t> v, uint8_t mode = 1, uint32_t start = 0, uint32_t len = 0) : buffer(v) {
    const uint32_t n = static_cast<uint32_t>(v.size()), s = mode == 1 ? 0 : start, e = mode == 1 ? n : s + len;
    buffer.resize(n + 8, 0);
    if (mode != 1) buffer[e] = buffer[mode == 2 ? s : e - 1];
    sample = {buffer.data(), n, s, e - s, 64, 0, 128, 16, mode, 0};
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
    song.flags = 1;
    song.globalVolume = 64;
    ch.voice = &MixVoice[0];
    ch.volEnv.output = ch.volume = 64;
    ch.panEnv.output = 32;
    ch.fadeoutVolume = 65536;
    ch.panning = 128;
  }
  // A voice playing at the given speed with steady gains (no ramp).
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
  F Mix(int frames) {
    F out(static_cast<size_t>(frames) * 2, 0.0f);
    MixVoices(out.data(), frames);
    return out;
  }
  // One side of the mix.
  static F Side(const F& out, int side) {
    F s;
    for (size_t i = side; i < out.size(); i += 2) s.push_back(out[i]);
    return s;
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
  // No drift over a second; just short of 8363 samples: the fraction is rounded down.
  EXPECT_EQ((static_cast<uint64_t>(v.position) << 32) | v.fraction, uint64_t{44100} * v.speedFrac);
  EXPECT_EQ(v.position, 8362);
  // The Amiga table: C-4 is period 1712, and 14317056 div 1712 truncates to 8362.
  song.flags = 0;
  ch.period = NotePeriod(48, 0);
  Update(kXmFrequency, &s.sample);
  EXPECT_EQ((V{ch.period, MixVoice[0].frequency}), (V{1712, 8362}));
}

TEST_F(Mixer, PeriodModels) {
  // Finetune / 2 truncates toward zero; finetune 64 goes half way to the neighbouring note's period
  // (1616 above, 1814 below); note 0 has no lower neighbour, so it goes half the step to note 1 the other way.
  EXPECT_EQ((V{LinearPeriod(48, -3), LinearPeriod(48, 3), NotePeriod(48, 64), NotePeriod(48, -64), NotePeriod(0, -64)}),
            (V{4609, 4607, 1664, 1763, 27392 + 768}));
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
    const F out = Mix(16);  // left: the first of each frame
    EXPECT_EQ(Side(out, 0), F(16, c.left)) << c.panning;
    EXPECT_EQ(Side(out, 1), F(16, c.right)) << c.panning;
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
  SampleData a(std::vector<int16_t>(1000, 1000), 2, 0, 1000), b(std::vector<int16_t>(1000, -1000), 2, 0, 1000);
  TMixVoice& old = Steady(&a.sample, 1, 0, 64, 64);
  old.volume = 128;
  old.panning = 128;
  Update(kXmTrigger | kXmVolume, &b.sample);
  ASSERT_EQ(ch.voice, &MixVoice[32]);
  EXPECT_EQ(MixVoice[32].sample, &b.sample);
  EXPECT_EQ(MixVoice[0].sample, &a.sample);  // the old note still sounds
  EXPECT_EQ((V{MixVoice[32].currentLeft, MixVoice[0].leftVolume, MixVoice[0].volume}), (V{0, 0, 0}));
  const float g = 64.0f / 255.0f;  // volume 128 at panning 128 gives 64 to the right (63 to the left)
  const F out = Mix(200);
  EXPECT_NEAR(out[1], 1000.0f * g, 1e-2);
  EXPECT_NEAR(out[2 * 64 + 1], 0.0f, 1.0f);
  EXPECT_NEAR(out[2 * 127 + 1], 1000.0f * g / 128 - 1000.0f * g * 127 / 128, 1e-1);
  for (int i = 128; i < 200; ++i) ASSERT_NEAR(out[2 * i + 1], -1000.0f * g, 1e-3) << i;
  EXPECT_EQ(MixVoice[0].currentRight, 0);
  Update(kXmTrigger, &a.sample);  // a second trigger swaps back to the first voice of the pair
  EXPECT_EQ(ch.voice, &MixVoice[0]);
}

TEST_F(Mixer, VolumeChangesRampOver128Frames) {
  SampleData s(std::vector<int16_t>(1000, 1000), 2, 0, 1000);
  TMixVoice& v = Steady(&s.sample, 1, 0, 255, 255);
  v.leftVolume = 0;
  const F out = Mix(256);
  EXPECT_FLOAT_EQ(out[0], 1000.0f);
  EXPECT_NEAR(out[2 * 64], 500.0f, 0.5f);
  EXPECT_NEAR(out[2 * 127], 1000.0f / 128, 0.5f);
  EXPECT_EQ(out[2 * 128], 0.0f);
  EXPECT_FLOAT_EQ(out[2 * 128 + 1], 1000.0f);  // the right side never changed
  EXPECT_EQ((V{v.rampFrames, v.currentLeft}), (V{0, 0}));
}

// The left side of a steady voice over its loop, and where the voice ends up.
TEST_F(Mixer, InterpolationLoopsAndTheEndOfASample) {
  const struct Case {
    const char* what;
    std::vector<int16_t> values;
    uint8_t mode, loopStart, loopLength, direction;
    uint32_t speedInt, speedFrac;
    F left;
    bool stops;
    int direction_after;
  } cases[] = {
      {"no loop: stops and frees its voice", Ramp(10, 100, 100), 1, 0, 0, 1, 1, 0,
       {100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true, 1},
      {"linear interpolation", Ramp(8, 1000), 1, 0, 0, 1, 0, 0x80000000u, {0, 500, 1000, 1500, 2000, 2500}, false, 1},
      {"forward loop 4..8 wraps", Ramp(10, 100), 2, 4, 4, 1, 1, 0,
       {0, 100, 200, 300, 400, 500, 600, 700, 400, 500, 600, 700, 400, 500, 600, 700}, false, 1},
      // Forward 0..5, then just below 6 going back (the guard repeats sample 5), down to 2.
      {"ping-pong loop 2..6 reflects", Ramp(8, 100), 4, 2, 4, 1, 1, 0,
       {0, 100, 200, 300, 400, 500, 500, 500, 400, 300, 200, 300, 400, 500}, false, 2},
      // Going backward exactly on the loop start of a loop from 0: never reads before the data.
      {"ping-pong from the loop start at 0", {500, 600, 700, 800}, 4, 0, 4, 2, 1, 0, {500}, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SampleData s(c.values, c.mode, c.loopStart, c.loopLength);
    MixVoice[0] = TMixVoice{};
    TMixVoice& v = Steady(&s.sample, c.speedInt, c.speedFrac);
    v.direction = c.direction;
    EXPECT_EQ(Side(Mix(static_cast<int>(c.left.size())), 0), c.left);
    EXPECT_EQ(v.sample == nullptr, c.stops);
    EXPECT_EQ(v.direction, c.direction_after);
    EXPECT_GE(v.position, 0);
    EXPECT_TRUE(!c.stops || v.position == 0);
  }
}

TEST_F(Mixer, FastVoicesStayInsideTheirLoops) {
  SampleData fwd(Ramp(10, 100), 2, 4, 4), pp(Ramp(8, 100), 4, 2, 4);
  TMixVoice& v = Steady(&fwd.sample, 7, 0);  // wraps by whole loop lengths in one go
  Mix(1000);
  EXPECT_GE(v.position, 4);
  EXPECT_LT(v.position, 8);
  // Far ping-pong overshoots come back inside the loop, in either direction.
  for (uint32_t speed : {3u, 5u, 11u, 200u}) {
    v = TMixVoice{};
    Steady(&pp.sample, speed, 0x12345678u);
    v.direction = 1;
    for (int k = 0; k < 50; ++k) {
      Mix(37);
      ASSERT_NE(v.sample, nullptr);
      ASSERT_GE(v.position, 2);
      ASSERT_LT(v.position, 6);
    }
  }
}

TEST_F(Mixer, FrequenciesBelow100HzPlayAt100HzAndAZeroPeriodLeavesTheFrequency) {
  SampleData s({0});
  ch.period = 4608;
  Update(kXmFrequency, &s.sample);
  ch.period = 64;
  ch.periodDelta = -64;  // period + delta 0: no division by it
  Update(kXmFrequency, &s.sample);
  EXPECT_EQ((V{MixVoice[0].frequency, ch.flags & kXmFrequency}), (V{8363, 0}));
  song.flags = 0;
  ch.period = 200000;  // 14317056 / 200000 = 71 Hz
  ch.periodDelta = 0;
  Update(kXmFrequency, &s.sample);
  EXPECT_EQ((V{MixVoice[0].frequency, MixVoice[0].speedInt, MixVoice[0].speedFrac}),
            (V{71, 0, static_cast<int64_t>((uint64_t{100} << 32) / 44100)}));
}

TEST_F(Mixer, EmptySampleFallsSilentWithoutReadingData) {
  Update(kXmTrigger | kXmVolume, &XmEmptySample);
  EXPECT_EQ(MixVoice[0].sample, &XmEmptySample);
  EXPECT_EQ(Mix(64), F(128, 0.0f));
  EXPECT_EQ(MixVoice[0].sample, nullptr);
}

TEST_F(Mixer, TriggerStartsAtTheOffsetInsideTheLoopOnly) {
  SampleData s(std::vector<int16_t>(600, 1), 2, 100, 400);
  ch.voice->startOffset = 256;
  Update(kXmTrigger, &s.sample);
  EXPECT_EQ((V{ch.voice->position, ch.voice->startOffset}), (V{256, 0}));
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
  EXPECT_EQ((V{v.position, v.fraction, v.startOffset}), (V{0, 0, 0}));
  EXPECT_EQ(v.sample, &s.sample);
}
