// XM channel rules: the volume column on first and later ticks, envelopes, auto-vibrato, channel reset.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "audio/xm_mix.h"
#include "support/xm_builder.h"

namespace {

const uint8_t C4 = 49, C5 = 61;
using V = std::vector<int>;
using VP = std::vector<std::pair<int, int>>;

// Volume and panning envelopes alike: from 0 up to 64 at tick 4, down to 32 at tick 8.
TXmInstrument RiseAndFall(uint8_t type) {
  TXmInstrument inst{};
  inst.volCount = inst.panCount = 3;
  inst.volPoints[1] = inst.panPoints[1] = {4, 64};
  inst.volPoints[2] = inst.panPoints[2] = {8, 32};
  inst.volType = inst.panType = type;
  return inst;
}

// The envelope's output after each of n steps.
V Outputs(TXmChannel& ch, TXmEnvelopeKind kind, const TXmInstrument& inst, int n) {
  V out;
  for (int t = 0; t < n; ++t) {
    StepEnvelope(&ch, kind, &inst);
    out.push_back(kind == kXmVolumeEnvelope ? ch.volEnv.output : ch.panEnv.output);
  }
  return out;
}

}  // namespace

// Each row's value after its first tick and after its last (six ticks a row).
TEST(XmVolumeColumn, SetVolumeAndSlidesOnFirstAndLaterTicks) {
  XmRig rig;
  ASSERT_TRUE(rig.Start({{C4, 1, 0x30, 0, 0} /* volume 32 */, {0, 0, 0x62, 0, 0} /* down 2, every tick */,
                         {0, 0, 0x73, 0, 0} /* up 3, every tick */, {0, 0, 0x84, 0, 0} /* fine down 4, once */,
                         {0, 0, 0x95, 0, 0} /* fine up 5, once */, {0, 0, 0x7F, 0, 0},
                         {0, 0, 0x55, 0, 0} /* above 0x50: nothing */, {0, 0, 0x10, 0, 0}}));
  EXPECT_EQ(rig.Trace(16, {1, 5}, [](XmRig& r) { return r.Ch().volume; }),
            (V{32, 32, 30, 20, 23, 38, 34, 34, 39, 39, 54, 64, 64, 64, 0, 0}));
}

TEST(XmVolumeColumn, VibratoSpeedAndDepth) {
  XmRig rig;
  ASSERT_TRUE(rig.Start({{C4, 1, 0xA8, 0, 0}, {0, 0, 0xBF, 0, 0}}));
  // Period delta and position: Ax only sets the speed; Bx steps from the second tick on.
  EXPECT_EQ(rig.Trace(3, {7, 1, 1}, [](XmRig& r) { return std::pair{r.Ch().periodDelta, r.Ch().vibratoPos}; }),
            (VP{{0, 0}, {0, 8}, {-84, 16}}));
}

TEST(XmVolumeColumn, PanningSetAndSlides) {
  XmRig rig;
  ASSERT_TRUE(rig.Start({{C4, 1, 0xC4, 0, 0}, {0, 0, 0xD3, 0, 0}, {0, 0, 0xE5, 0, 0}, {0, 0, 0xC0, 0, 0},
                         {0, 0, 0xDF, 0, 0}, {0, 0, 0xEF, 0, 0}}));
  // After each row's first and last tick: the channel's value slides past 0 and comes back; the voice's is clamped.
  EXPECT_EQ(rig.Trace(12, {1, 5}, [](XmRig& r) { return std::pair{r.Ch().panning, r.Ch().voice->panning}; }),
            (VP{{64, 64}, {64, 64}, {61, 61}, {46, 46}, {51, 51}, {76, 76}, {0, 0}, {0, 0}, {-15, 0}, {-90, 0},
                {-75, 0}, {0, 0}}));
}

// Period 4608 - 60, then speed 16 (64 a tick) back to the note, then a new note without trigger:
// a tone-portamento row, where the note neither jumps nor becomes the channel's note; it slides.
TEST(XmVolumeColumn, TonePortamentoSetsSpeedWithoutTrigger) {
  XmRig rig;
  ASSERT_TRUE(rig.Start({{C4, 1, 0, 0, 0}, {0, 0, 0, 0xE, 0x1F}, {0, 0, 0xF1, 0, 0}, {C5, 1, 0xF2, 0, 0}}));
  auto state = [](XmRig& r) { return V{r.Ch().period, r.Ch().tonePortaSpeed, r.Ch().notePeriod, r.Ch().note}; };
  EXPECT_EQ(rig.Trace(3, {12, 1, 1}, state), (std::vector<V>{{4548, 0, 4608, 48}, {4548, 16, 4608, 48},
                                                            {4608, 16, 4608, 48}}));
  rig.Tick(4);
  TMixVoice* voice = rig.Ch().voice;
  EXPECT_EQ(rig.Trace(2, {1}, state), (std::vector<V>{{4608, 32, 3840, 48}, {4608 - 128, 32, 3840, 48}}));
  EXPECT_EQ(rig.Ch().voice, voice);  // no trigger
}

TEST(XmEnvelope, InterpolatesBetweenPointsAndFinishes) {
  const TXmInstrument inst = RiseAndFall(1);
  TXmChannel ch{};
  EXPECT_EQ(Outputs(ch, kXmVolumeEnvelope, inst, 10), (V{0, 16, 32, 48, 64, 56, 48, 40, 32, 32}));
  ch.flags = 0;
  EXPECT_EQ(Outputs(ch, kXmVolumeEnvelope, inst, 1), (V{32}));
  // Flagged even when finished; the tick does not advance at the last point.
  EXPECT_EQ((V{ch.flags, ch.volEnv.finished, ch.volEnv.tick}), (V{kXmVolume, true, 8}));
}

TEST(XmEnvelope, SustainHoldsUntilKeyOffAndLoopsRepeat) {
  TXmInstrument inst = RiseAndFall(3);
  inst.panSustain = 1;
  TXmChannel ch{};
  EXPECT_EQ(Outputs(ch, kXmPanningEnvelope, inst, 14), (V{0, 16, 32, 48, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64}));
  EXPECT_EQ(ch.flags & kXmPanning, kXmPanning);
  ch.keyOff = true;
  EXPECT_EQ(Outputs(ch, kXmPanningEnvelope, inst, 4), (V{64, 56, 48, 40}));
  inst.panType = 5;  // loop from point 1 to point 2
  inst.panLoopStart = 1;
  inst.panLoopEnd = 2;
  TXmChannel loop{};
  EXPECT_EQ(Outputs(loop, kXmPanningEnvelope, inst, 14), (V{0, 16, 32, 48, 64, 56, 48, 40, 64, 56, 48, 40, 64, 56}));
  EXPECT_FALSE(loop.panEnv.finished);
}

TEST(XmEnvelope, FallingPointTicksCannotRunAway) {
  TXmInstrument inst{};
  inst.volCount = 2;
  inst.volPoints[0] = {5, 64};
  inst.volPoints[1] = {2, 0};  // the tick never comes
  inst.volType = 1;
  TXmChannel ch{};
  ch.volEnv.tick = 5;
  for (int t = 0; t < 5000; ++t) StepEnvelope(&ch, kXmVolumeEnvelope, &inst);
  EXPECT_GE(ch.volEnv.output, 0);
  EXPECT_LE(ch.volEnv.output, 64);
}

TEST(XmEnvelope, VolumeEnvelopeDrivesTheVoiceVolume) {
  XmRig rig;
  XmInstrumentDef& in = rig.def.instruments[0];
  in.volume = {{{0, 64}, {2, 32}, {3, 32}}, 1};
  in.panning = {{{0, 32}, {1, 64}, {5, 64}}, 1};
  ASSERT_TRUE(rig.Start({{C4, 1, 0, 0, 0}}));
  // Voice volume and panning, then the envelope's output.
  auto state = [](XmRig& r) { return V{r.Ch().voice->volume, r.Ch().voice->panning, r.Ch().volEnv.output}; };
  EXPECT_EQ(rig.Trace(2, {1, 2}, state), (std::vector<V>{{128, 128, 64}, {64, 255, 32}}));
}

TEST(XmAutoVibrato, WaveformsDepthRateAndSweep) {
  const struct { uint8_t type, sweep; V expect; } cases[] = {
      {1, 0, {8, 8, -8, -8, 8, 8}},  // square: 64 x depth 8 >> 6
      {0, 0, {0, 8, 0, -8, 0, 8}},   // sine at 0, 64, 128, 192
      {2, 0, {0, -4, 8, 4, 0, -4}},  // (128 - ((p + 128) mod 256)) >> 1
      {3, 0, {0, 4, 8, -4, 0, 4}},   // (128 - ((384 - p) mod 256)) >> 1
      {1, 4, {0, 2, -4, -6, 8, 8}},  // the sweep fades it in
  };
  for (const auto& c : cases) {
    XmRig rig;
    XmInstrumentDef& in = rig.def.instruments[0];
    in.vibType = c.type;
    in.vibSweep = c.sweep;
    in.vibDepth = 8;
    in.vibRate = 64;
    rig.def.tempo = 1;
    ASSERT_TRUE(rig.Start({{C4, 1, 0, 0, 0}}));
    EXPECT_EQ(rig.Trace(6, {1}, [](XmRig& r) { return r.Ch().periodDelta; }), c.expect)
        << int(c.type) << " " << int(c.sweep);
  }
}

TEST(XmChannel, ResetFromSampleAndWaveformRetrigger) {
  TXmSample smp{};
  smp.volume = 40;
  smp.panning = 200;
  TXmChannel ch{};
  ch.keyOff = ch.volEnv.finished = true;
  ch.fadeoutVolume = ch.volEnv.point = ch.tremorCount = 3;
  ch.vibratoPos = 7;
  ch.tremoloPos = -5;
  ch.autoVibPos = 99;
  ch.waveControl = 0x41;  // tremolo waveform 4: keeps its position
  ResetChannelFromSample(&ch, &smp);
  // Key-off and finished flags, channel flags, volume and panning, envelope outputs and point, fadeout,
  // auto-vibrato, vibrato, tremolo and tremor positions.
  EXPECT_EQ((V{ch.keyOff, ch.volEnv.finished, ch.flags, ch.volume, ch.panning, ch.volEnv.output, ch.panEnv.output,
               ch.volEnv.point, ch.fadeoutVolume, ch.autoVibPos, ch.vibratoPos, ch.tremoloPos, ch.tremorCount}),
            (V{0, 0, kXmVolume | kXmPanning, 40, 200, 64, 32, 0, 65536, 0, 0, -5, 0}));
}
