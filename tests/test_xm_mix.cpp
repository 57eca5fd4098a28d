// XM mixer: speeds, the period model, gains, cross-fades and the voice update; the mixer and the block
// conversion against the straightforward reference, every sample and voice field.

#include <bit>
#include <random>

#include "audio/xm_mix.h"
#include "audio/xm_song.h"
#include "support/xm_reference_mix.h"

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

class Mixer : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetVoices();
    song.flags = 1;
    song.globalVolume = ch.volEnv.output = ch.volume = 64;
    ch.voice = &MixVoice[0], ch.panEnv.output = 32, ch.fadeoutVolume = 65536, ch.panning = 128;
  }
  // A voice playing at the given speed with steady gains (no ramp).
  TMixVoice& Steady(const TXmSample* s, uint32_t speedInt, uint32_t speedFrac, int left = 255, int right = 255) {
    TMixVoice& v = MixVoice[0];
    std::tie(v.sample, v.speedInt, v.speedFrac, v.currentLeft, v.currentRight) =
        std::tuple(s, speedInt, speedFrac, left * 256, right * 256);
    v.leftVolume = v.lastLeft = left, v.rightVolume = v.lastRight = right;
    return v;
  }
  F Mix(int frames) {
    F out(static_cast<size_t>(frames) * 2, 0.0f);
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

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}
  uint32_t Below(uint32_t n) { return n ? rng_() % n : 0; }
  bool OneIn(uint32_t n) { return Below(n) == 0; }
  uint32_t Bits() { return rng_(); }
  template <class T, size_t N>
  T Pick(const T (&values)[N]) { return values[Below(N)]; }

  // Short and long samples of every loop kind, extreme values included.
  SampleData MakeSample() {
    std::vector<int16_t> values(Pick({1u, 2u, 3u, 8u, 17u, 64u, 300u, 5000u}) + Below(4));
    for (int16_t& v : values) v = OneIn(8) ? Pick<int16_t>({32767, -32768, 0, 1, -1}) : static_cast<int16_t>(Bits());
    const uint32_t length = static_cast<uint32_t>(values.size());
    const uint8_t mode = static_cast<uint8_t>(1u << Below(3));
    const uint32_t start = mode == 1 ? 0 : Below(length);
    return SampleData(values, mode, start, mode == 1 ? 0 : 1 + Below(length - start));
  }

  // From the 100 Hz floor to far above the mix rate, the exact rates in between.
  void SetSpeed(TMixVoice& v) {
    const uint64_t f =
        OneIn(3) ? Pick({100u, 8363u, 44100u, 88200u, 2000000u}) : 100 + (uint64_t{Bits()} >> Below(32)) % 3000000;
    v.speedInt = static_cast<uint32_t>(f / 44100);
    v.speedFrac = static_cast<uint32_t>(((f % 44100) << 32) / 44100);
  }

  // The side volumes as the voice update makes them, extremes of volume and panning included.
  void SetTargets(TMixVoice& v) {
    const int volume = OneIn(2) ? Pick({0, 1, 64, 127, 128}) : static_cast<int>(Below(129));
    const int panning = OneIn(2) ? Pick({0, 255, 128, 1, 254}) : static_cast<int>(Below(256));
    v.leftVolume = volume * (255 - panning) / 255;
    v.rightVolume = volume * panning / 255;
  }

  // A voice in any state the player can leave one in: fresh, steady, mid-ramp or silent.
  void MakeVoice(TMixVoice& v, const TXmSample* s) {
    const int index = v.index;
    v = TMixVoice{};
    std::tie(v.index, v.sample) = std::tuple(index, s);
    SetSpeed(v);
    SetTargets(v);
    const uint32_t end = s->loopStart + s->loopLength;
    v.direction = s->loopMode == 4 && OneIn(2) ? 2 : 1;
    const uint32_t first = v.direction == 2 ? s->loopStart : 0;
    v.position = static_cast<int32_t>(end > first ? first + Below(end - first) : 0);
    v.fraction = OneIn(4) ? 0 : Bits();
    const uint32_t state = Below(4);  // 1: just triggered, ramping up from silence
    if (state == 0 || state == 2) {  // steady at its targets, or part way through a ramp towards them
      std::tie(v.lastLeft, v.lastRight) = std::tuple(v.leftVolume, v.rightVolume);
      v.currentLeft = state == 0 ? v.leftVolume * 256 : static_cast<int32_t>(Below(255 * 256 + 1));
      v.currentRight = state == 0 ? v.rightVolume * 256 : static_cast<int32_t>(Below(255 * 256 + 1));
    }
    if (state == 2) {
      v.rampFrames = 1 + static_cast<int32_t>(Below(128));
      v.leftStep = (v.leftVolume - v.currentLeft / 256.0f) / 255.0f / 128.0f;
      v.rightStep = (v.rightVolume - v.currentRight / 256.0f) / 255.0f / 128.0f;
    }
    if (state == 3) {  // fading out on the partner voice
      v.currentLeft = static_cast<int32_t>(Below(129 * 256));
      v.currentRight = static_cast<int32_t>(Below(129 * 256));
      v.leftVolume = v.rightVolume = 0;
    }
  }

 private:
  std::mt19937 rng_;
};

// The fields the mixer moves, the ramp steps bit for bit.
auto MixState(const TMixVoice& v) {
  return std::tuple{v.sample, v.position, v.fraction, v.direction, v.currentLeft, v.currentRight, v.rampFrames,
                    v.lastLeft, v.lastRight, std::bit_cast<uint32_t>(v.leftStep), std::bit_cast<uint32_t>(v.rightStep)};
}

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
  // The Amiga C-4 (period 1712, 8362 Hz) is pinned by the arpeggio cases of test_xm_play.
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
    F expect;  // left: the first of each frame
    for (int i = 0; i < 16; ++i) expect.insert(expect.end(), {c.left, c.right});
    EXPECT_EQ(Mix(16), expect) << c.panning;
  }
}

TEST_F(Mixer, VolumeAndPanningFormulas) {
  SampleData s({0});
  // The tremolo and tremor delta adds to the volume; 64 x 32 x 32768 x 32 x 255 / 2^35 = 15.9.
  const struct { int volume, delta, fadeout, global, final; } volumes[] = {
      {64, 0, 65536, 64, 128}, {32, 0, 65536, 64, 64}, {32, -32, 65536, 64, 0}, {32, 0, 32768, 32, 16}};
  for (const auto& c : volumes) {
    std::tie(ch.volume, ch.volumeDelta, ch.fadeoutVolume, song.globalVolume) =
        std::tuple(c.volume, c.delta, c.fadeout, c.global);
    Update(kXmVolume, &s.sample);
    EXPECT_EQ(MixVoice[0].volume, c.final) << c.volume << " " << c.delta << " " << c.fadeout;
  }
  const struct { int p, env, final; } pans[] = {{128, 64, 255}, {128, 0, 0}, {240, 0, 240}, {200, 0, 168}, {0, 64, 0}};
  for (const auto& c : pans) {
    std::tie(ch.panning, ch.panEnv.output) = std::tuple(c.p, c.env);
    Update(kXmPanning, &s.sample);
    EXPECT_EQ(MixVoice[0].panning, c.final) << c.p << " " << c.env;
  }
}

TEST_F(Mixer, RetriggerCrossFadesOnThePartnerVoice) {
  SampleData a(std::vector<int16_t>(1000, 1000), 2, 0, 1000), b(std::vector<int16_t>(1000, -1000), 2, 0, 1000);
  TMixVoice& old = Steady(&a.sample, 1, 0, 64, 64);
  old.volume = old.panning = 128;
  Update(kXmTrigger | kXmVolume, &b.sample);
  ASSERT_EQ(ch.voice, &MixVoice[32]);
  EXPECT_EQ(MixVoice[32].sample, &b.sample);
  EXPECT_EQ(MixVoice[0].sample, &a.sample);  // the old note still sounds
  EXPECT_EQ((V{MixVoice[32].currentLeft, MixVoice[0].leftVolume, MixVoice[0].volume}), (V{0, 0, 0}));
  const float g = 64.0f / 255.0f;  // volume 128 at panning 128 gives 64 to the right (63 to the left)
  // The ramp's steps are pinned by the comparison with the reference mixer; its length here: half way at 64.
  const F out = Mix(200);
  EXPECT_NEAR(out[1], 1000.0f * g, 1e-2);
  EXPECT_NEAR(out[2 * 64 + 1], 0.0f, 1.0f);
  for (int i = 128; i < 200; ++i) ASSERT_NEAR(out[2 * i + 1], -1000.0f * g, 1e-3) << i;
  EXPECT_EQ(MixVoice[0].currentRight, 0);
  Update(kXmTrigger, &a.sample);  // a second trigger swaps back to the first voice of the pair
  EXPECT_EQ(ch.voice, &MixVoice[0]);
}

TEST_F(Mixer, FrequenciesBelow100HzPlayAt100HzAndAZeroPeriodLeavesTheFrequency) {
  SampleData s({0});
  ch.period = 4608;
  Update(kXmFrequency, &s.sample);
  std::tie(ch.period, ch.periodDelta) = std::tuple(64, -64);  // period + delta 0: no division by it
  Update(kXmFrequency, &s.sample);
  EXPECT_EQ((V{MixVoice[0].frequency, ch.flags & kXmFrequency}), (V{8363, 0}));
  song.flags = 0;
  std::tie(ch.period, ch.periodDelta) = std::tuple(200000, 0);  // 14317056 / 200000 = 71 Hz
  Update(kXmFrequency, &s.sample);
  EXPECT_EQ((V{MixVoice[0].frequency, MixVoice[0].speedInt, MixVoice[0].speedFrac}),
            (V{71, 0, static_cast<int64_t>((uint64_t{100} << 32) / 44100)}));
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

// Rounds of 64 voices mixed in a run of blocks of 1 to 884 frames, some voices changing
// target, speed or note between blocks as ticks do; the output must match bit for bit,
// with the widest instructions and without them.
TEST(XmMixFast, MatchesTheReferenceMixerBitForBit) {
  for (bool widest : {false, true}) {
    if (XmMixerUseWidest(widest) != widest) continue;  // not on this processor
    SCOPED_TRACE(widest ? "widest" : "SSE2 or plain");
    Generator gen(20240611);
    std::vector<SampleData> samples;
    TMixVoice reference[kXmVoices];
    for (int round = 0; round < 300; ++round) {
      ResetVoices();
      samples.clear();
      samples.reserve(kXmMixedVoices);  // the records point into the buffers: never moved
      for (int i = 0; i < kXmMixedVoices; ++i) {
        samples.push_back(gen.MakeSample());
        if (gen.OneIn(10)) continue;  // no sample: not mixed at all
        gen.MakeVoice(MixVoice[i], gen.OneIn(20) ? &XmEmptySample : &samples[i].sample);
      }
      for (int block = 0; block < 6; ++block) {
        const int32_t frames = 1 + static_cast<int32_t>(gen.Below(884));
        std::vector<float> fast(static_cast<size_t>(frames) * 2);
        for (float& f : fast) f = static_cast<float>(static_cast<int32_t>(gen.Bits() % 20001) - 10000);
        std::vector<float> ref = fast;
        std::memcpy(reference, MixVoice, sizeof reference);
        MixVoices(fast.data(), frames);
        std::swap_ranges(reference, reference + kXmVoices, MixVoice);
        ReferenceMixVoices(ref.data(), frames);
        std::swap_ranges(reference, reference + kXmVoices, MixVoice);
        ASSERT_EQ(std::memcmp(fast.data(), ref.data(), fast.size() * sizeof(float)), 0)
            << "round " << round << " block " << block << " of " << frames << " frames";
        for (int i = 0; i < kXmMixedVoices; ++i)
          ASSERT_EQ(MixState(MixVoice[i]), MixState(reference[i])) << "round " << round << " voice " << i;
        for (int i = 0; i < kXmMixedVoices; ++i) {
          TMixVoice& v = MixVoice[i];
          if (!v.sample || !gen.OneIn(4)) continue;
          const uint32_t change = gen.Below(3);  // new targets start a ramp with the next block
          if (change == 0) gen.SetTargets(v);
          if (change == 1) gen.SetSpeed(v);
          if (change == 2) gen.MakeVoice(v, v.sample);
        }
      }
    }
  }
  XmMixerUseWidest(true);
}

// Rounding to nearest even, clipping on each side, and every block length's tail.
TEST(XmMixFast, ConvertBlockMatchesTheReference) {
  std::vector<float> mix = {0.5f, 1.5f, 2.5f, -0.5f, -1.5f, -2.5f, 0.49999997f, -0.0f, 32766.5f, 32767.0f,
                            32767.5f, 1e9f, -32767.5f, -32768.0f, -32768.5f, -1e9f, 12345.678f, -9876.5f,
                            3e38f, -3e38f};
  Generator gen(7);
  for (int i = 0; i < 2000; ++i)
    mix.push_back(static_cast<float>(static_cast<int32_t>(gen.Bits() % 140001) - 70000) / (1 + gen.Below(4)));
  for (bool widest : {false, true}) {
    if (XmMixerUseWidest(widest) != widest) continue;
    for (int32_t frames : {1, 2, 3, 4, 5, 7, 8, 9, 10, 17, 1010}) {
      std::vector<uint32_t> fast(frames, 0xDEADBEEF), ref(frames, 0xDEADBEEF);
      ConvertBlock(mix.data(), fast.data(), frames);
      ReferenceConvertBlock(mix.data(), ref.data(), frames);
      EXPECT_EQ(fast, ref) << frames << " frames" << (widest ? ", widest" : "");
    }
  }
}
