// The mixer and the block conversion against the straightforward reference: every sample and voice field.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "audio/xm_mix.h"
#include "audio/xm_song.h"
#include "/tmp/oldref.inc"

namespace {

struct Sample {
  std::vector<int16_t> buffer;
  TXmSample record{};
};

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}
  uint32_t Below(uint32_t n) { return n ? rng_() % n : 0; }
  bool OneIn(uint32_t n) { return Below(n) == 0; }
  uint32_t Bits() { return rng_(); }

  // Short and long samples of every loop kind, with the loader's slack and loop guard.
  Sample MakeSample() {
    Sample s;
    const uint32_t lengths[] = {1, 2, 3, 8, 17, 64, 300, 5000};
    const uint32_t length = lengths[Below(8)] + Below(4);
    s.buffer.resize(length + 8, 0);
    const int16_t extremes[] = {32767, -32768, 0, 1, -1};
    for (uint32_t i = 0; i < length; ++i)
      s.buffer[i] = OneIn(8) ? extremes[Below(5)] : static_cast<int16_t>(Bits());
    TXmSample& r = s.record;
    r.length = length;
    r.loopMode = static_cast<uint8_t>(1u << Below(3));
    r.loopStart = r.loopMode == 1 ? 0 : Below(length);
    r.loopLength = r.loopMode == 1 ? length : 1 + Below(length - r.loopStart);
    const uint32_t end = r.loopStart + r.loopLength;
    if (r.loopMode == 2) s.buffer[end] = s.buffer[r.loopStart];
    if (r.loopMode == 4) s.buffer[end] = s.buffer[end - 1];
    r.bits = 16;
    return s;
  }

  // From the 100 Hz floor to far above the mix rate, the exact rates in between.
  void SetSpeed(TMixVoice& v) {
    const uint32_t frequencies[] = {100, 8363, 44100, 88200, 2000000};
    uint64_t f = OneIn(3) ? frequencies[Below(5)] : 100 + (uint64_t{Bits()} >> Below(32)) % 3000000;
    v.speedInt = static_cast<uint32_t>(f / 44100);
    v.speedFrac = static_cast<uint32_t>(((f % 44100) << 32) / 44100);
  }

  // The side volumes as the voice update makes them, extremes of volume and panning included.
  void SetTargets(TMixVoice& v) {
    const int volumes[] = {0, 1, 64, 127, 128};
    const int pannings[] = {0, 255, 128, 1, 254};
    const int volume = OneIn(2) ? volumes[Below(5)] : static_cast<int>(Below(129));
    const int panning = OneIn(2) ? pannings[Below(5)] : static_cast<int>(Below(256));
    v.leftVolume = volume * (255 - panning) / 255;
    v.rightVolume = volume * panning / 255;
  }

  // A voice in any state the player can leave one in: fresh, steady, mid-ramp or silent.
  void MakeVoice(TMixVoice& v, const TXmSample* s) {
    const int index = v.index;
    v = TMixVoice{};
    v.index = index;
    v.sample = s;
    SetSpeed(v);
    SetTargets(v);
    const uint32_t end = s->loopStart + s->loopLength;
    v.direction = s->loopMode == 4 && OneIn(2) ? 2 : 1;
    const uint32_t first = v.direction == 2 ? s->loopStart : 0;
    v.position = static_cast<int32_t>(end > first ? first + Below(end - first) : 0);
    v.fraction = OneIn(4) ? 0 : Bits();
    switch (Below(4)) {
      case 0:  // steady at its targets
        v.currentLeft = v.leftVolume * 256;
        v.currentRight = v.rightVolume * 256;
        v.lastLeft = v.leftVolume;
        v.lastRight = v.rightVolume;
        break;
      case 1:  // just triggered: ramps up from silence
        break;
      case 2:  // part way through a ramp towards its targets
        v.currentLeft = static_cast<int32_t>(Below(255 * 256 + 1));
        v.currentRight = static_cast<int32_t>(Below(255 * 256 + 1));
        v.lastLeft = v.leftVolume;
        v.lastRight = v.rightVolume;
        v.rampFrames = 1 + static_cast<int32_t>(Below(128));
        v.leftStep = (v.leftVolume - v.currentLeft / 256.0f) / 255.0f / 128.0f;
        v.rightStep = (v.rightVolume - v.currentRight / 256.0f) / 255.0f / 128.0f;
        break;
      default:  // fading out on the partner voice
        v.currentLeft = static_cast<int32_t>(Below(129 * 256));
        v.currentRight = static_cast<int32_t>(Below(129 * 256));
        v.leftVolume = v.rightVolume = 0;
        break;
    }
  }

 private:
  std::mt19937 rng_;
};

void ExpectSameVoices(const TMixVoice* fast, const TMixVoice* ref, int round) {
  for (int i = 0; i < kXmMixedVoices; ++i) {
    const TMixVoice& a = fast[i];
    const TMixVoice& b = ref[i];
    SCOPED_TRACE(testing::Message() << "round " << round << " voice " << i);
    ASSERT_EQ(a.sample, b.sample);
    ASSERT_EQ(a.position, b.position);
    ASSERT_EQ(a.fraction, b.fraction);
    ASSERT_EQ(a.direction, b.direction);
    ASSERT_EQ(a.currentLeft, b.currentLeft);
    ASSERT_EQ(a.currentRight, b.currentRight);
    ASSERT_EQ(a.rampFrames, b.rampFrames);
    ASSERT_EQ(a.lastLeft, b.lastLeft);
    ASSERT_EQ(a.lastRight, b.lastRight);
    ASSERT_EQ(std::memcmp(&a.leftStep, &b.leftStep, sizeof(float)), 0);
    ASSERT_EQ(std::memcmp(&a.rightStep, &b.rightStep, sizeof(float)), 0);
  }
}

}  // namespace

// Rounds of 64 voices mixed in a run of blocks of 1 to 884 frames, some voices changing
// target, speed or note between blocks as ticks do; the output must match bit for bit,
// with the widest instructions and without them.
TEST(XmMixFast, MatchesTheReferenceMixerBitForBit) {
  XmOutput.rampLength = 128;
  XmOutput.invRampLength = 1.0f / 128;
  for (bool widest : {false, true}) {
    if (XmMixerUseWidest(widest) != widest) continue;  // not on this processor
    SCOPED_TRACE(widest ? "widest" : "SSE2 or plain");
    Generator gen(20240611);
    std::vector<Sample> samples(kXmMixedVoices);
    TMixVoice reference[kXmVoices];
    for (int round = 0; round < 300; ++round) {
      ResetVoices();
      for (int i = 0; i < kXmMixedVoices; ++i) {
        samples[i] = gen.MakeSample();
        samples[i].record.data = samples[i].buffer.data();
        if (gen.OneIn(10)) continue;  // no sample: not mixed at all
        gen.MakeVoice(MixVoice[i], gen.OneIn(20) ? &XmEmptySample : &samples[i].record);
      }
      for (int block = 0; block < 6; ++block) {
        const int32_t frames = 1 + static_cast<int32_t>(gen.Below(884));
        std::vector<float> fast(static_cast<size_t>(frames) * 2);
        for (float& f : fast) f = static_cast<float>(static_cast<int32_t>(gen.Bits() % 20001) - 10000);
        std::vector<float> ref = fast;
        std::memcpy(reference, MixVoice, sizeof reference);
        MixVoices(fast.data(), frames);
        std::swap_ranges(reference, reference + kXmVoices, MixVoice);
        OldReferenceMixVoices(ref.data(), frames);
        std::swap_ranges(reference, reference + kXmVoices, MixVoice);
        ASSERT_EQ(std::memcmp(fast.data(), ref.data(), fast.size() * sizeof(float)), 0)
            << "round " << round << " block " << block << " of " << frames << " frames";
        ExpectSameVoices(MixVoice, reference, round);
        for (int i = 0; i < kXmMixedVoices; ++i) {
          TMixVoice& v = MixVoice[i];
          if (!v.sample || !gen.OneIn(4)) continue;
          switch (gen.Below(3)) {
            case 0: gen.SetTargets(v); break;  // a ramp starts with the next block
            case 1: gen.SetSpeed(v); break;
            default: gen.MakeVoice(v, v.sample); break;
          }
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
      OldReferenceConvertBlock(mix.data(), ref.data(), frames);
      EXPECT_EQ(fast, ref) << frames << " frames" << (widest ? ", widest" : "");
    }
  }
}
