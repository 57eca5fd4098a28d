// XM channel rules: the volume column on first and later ticks, envelopes, auto-vibrato, channel reset.
#include <gtest/gtest.h>

#include "audio/xm_mix.h"
#include "support/xm_rig.h"

static const uint8_t C4 = 49, C5 = 61;

TEST(XmVolumeColumn, SetVolumeAndSlidesOnFirstAndLaterTicks) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0x30, 0, 0};  // volume 32
  rig.Cell(1) = XmCell{0, 0, 0x62, 0, 0};   // slide down 2, every tick
  rig.Cell(2) = XmCell{0, 0, 0x73, 0, 0};   // slide up 3, every tick
  rig.Cell(3) = XmCell{0, 0, 0x84, 0, 0};   // fine down 4, first tick only
  rig.Cell(4) = XmCell{0, 0, 0x95, 0, 0};   // fine up 5, first tick only
  rig.Cell(5) = XmCell{0, 0, 0x7F, 0, 0};
  rig.Cell(6) = XmCell{0, 0, 0x55, 0, 0};   // above 0x50: nothing
  rig.Cell(7) = XmCell{0, 0, 0x10, 0, 0};
  ASSERT_TRUE(rig.Start());
  const int first[8] = {32, 30, 23, 34, 39, 54, 64, 0};
  const int last[8] = {32, 20, 38, 34, 39, 64, 64, 0};
  for (int r = 0; r < 8; ++r) {
    rig.Tick(1);
    EXPECT_EQ(rig.Ch().volume, first[r]) << r;
    rig.Tick(5);
    EXPECT_EQ(rig.Ch().volume, last[r]) << r;
  }
}

TEST(XmVolumeColumn, VibratoSpeedAndDepth) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0xA8, 0, 0};
  rig.Cell(1) = XmCell{0, 0, 0xBF, 0, 0};
  ASSERT_TRUE(rig.Start());
  rig.Tick(6);
  EXPECT_EQ(rig.Ch().vibratoSpeed, 8);
  EXPECT_EQ(rig.Ch().vibratoPos, 0);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().vibratoDepth, 15);
  EXPECT_EQ(rig.Ch().periodDelta, 0);  // no step on the first tick
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().vibratoPos, 8);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().periodDelta, -84);
}

TEST(XmVolumeColumn, PanningSetAndSlides) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0xC4, 0, 0};
  rig.Cell(1) = XmCell{0, 0, 0xD3, 0, 0};
  rig.Cell(2) = XmCell{0, 0, 0xE5, 0, 0};
  rig.Cell(3) = XmCell{0, 0, 0xC0, 0, 0};
  rig.Cell(4) = XmCell{0, 0, 0xDF, 0, 0};
  rig.Cell(5) = XmCell{0, 0, 0xEF, 0, 0};
  ASSERT_TRUE(rig.Start());
  // The channel's value slides past 0 and comes back; what the voice hears is clamped.
  const int first[6] = {64, 61, 51, 0, -15, -75};
  const int last[6] = {64, 46, 76, 0, -90, 0};
  for (int r = 0; r < 6; ++r) {
    rig.Tick(1);
    EXPECT_EQ(rig.Ch().panning, first[r]) << r;
    rig.Tick(5);
    EXPECT_EQ(rig.Ch().panning, last[r]) << r;
    EXPECT_GE(rig.Ch().voice->panning, 0) << r;
  }
}

TEST(XmVolumeColumn, TonePortamentoSetsSpeedWithoutTrigger) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 0, 0};
  rig.Cell(1) = XmCell{0, 0, 0, 0xE, 0x1F};  // period 4608 - 60
  rig.Cell(2) = XmCell{0, 0, 0xF1, 0, 0};    // speed 16: 64 a tick back to the note
  rig.Cell(3) = XmCell{C5, 1, 0xF2, 0, 0};
  ASSERT_TRUE(rig.Start());
  rig.Tick(12);
  EXPECT_EQ(rig.Ch().period, 4548);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().tonePortaSpeed, 16);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().period, 4608);
  rig.Tick(4);
  TMixVoice* voice = rig.Ch().voice;
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().voice, voice);  // no trigger
  EXPECT_EQ(rig.Ch().tonePortaSpeed, 32);
  EXPECT_EQ(rig.Ch().notePeriod, 3840);
}

TEST(XmEnvelope, InterpolatesBetweenPointsAndFinishes) {
  TXmInstrument inst{};
  inst.volCount = 3;
  inst.volPoints[0] = {0, 0};
  inst.volPoints[1] = {4, 64};
  inst.volPoints[2] = {8, 32};
  inst.volType = 1;
  TXmChannel ch{};
  const int expect[11] = {0, 16, 32, 48, 64, 56, 48, 40, 32, 32, 32};
  for (int t = 0; t < 11; ++t) {
    ch.flags = 0;
    StepEnvelope(&ch, kXmVolumeEnvelope, &inst);
    EXPECT_EQ(ch.volEnv.output, expect[t]) << t;
    EXPECT_EQ(ch.flags, kXmVolume);
  }
  EXPECT_TRUE(ch.volEnv.finished);
  EXPECT_EQ(ch.volEnv.tick, 8);  // does not advance at the last point
}

TEST(XmEnvelope, SustainHoldsUntilKeyOffAndLoopsRepeat) {
  TXmInstrument inst{};
  inst.panCount = 3;
  inst.panPoints[0] = {0, 0};
  inst.panPoints[1] = {4, 64};
  inst.panPoints[2] = {8, 32};
  inst.panType = 3;
  inst.panSustain = 1;
  TXmChannel ch{};
  for (int t = 0; t < 4; ++t) StepEnvelope(&ch, kXmPanningEnvelope, &inst);
  for (int t = 0; t < 10; ++t) {
    StepEnvelope(&ch, kXmPanningEnvelope, &inst);
    EXPECT_EQ(ch.panEnv.output, 64);
  }
  EXPECT_EQ(ch.flags & kXmPanning, kXmPanning);
  ch.keyOff = true;
  const int released[4] = {64, 56, 48, 40};
  for (int e : released) {
    StepEnvelope(&ch, kXmPanningEnvelope, &inst);
    EXPECT_EQ(ch.panEnv.output, e);
  }

  inst.panType = 5;  // loop from point 1 to point 2
  inst.panLoopStart = 1;
  inst.panLoopEnd = 2;
  TXmChannel loop{};
  const int looped[14] = {0, 16, 32, 48, 64, 56, 48, 40, 64, 56, 48, 40, 64, 56};
  for (int t = 0; t < 14; ++t) {
    StepEnvelope(&loop, kXmPanningEnvelope, &inst);
    EXPECT_EQ(loop.panEnv.output, looped[t]) << t;
  }
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
  in.volume.points = {{0, 64}, {2, 32}, {3, 32}};
  in.volume.type = 1;
  in.panning.points = {{0, 32}, {1, 64}, {5, 64}};
  in.panning.type = 1;
  rig.Cell(0) = XmCell{C4, 1, 0, 0, 0};
  ASSERT_TRUE(rig.Start());
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().voice->volume, 128);
  EXPECT_EQ(rig.Ch().voice->panning, 128);
  rig.Tick(2);
  EXPECT_EQ(rig.Ch().volEnv.output, 32);
  EXPECT_EQ(rig.Ch().voice->volume, 64);
  EXPECT_EQ(rig.Ch().voice->panning, 255);
}

TEST(XmAutoVibrato, WaveformsDepthRateAndSweep) {
  struct Case {
    uint8_t type, sweep;
    int expect[6];
  } cases[] = {
      {1, 0, {8, 8, -8, -8, 8, 8}},  // square: 64 x depth 8 >> 6
      {0, 0, {0, 8, 0, -8, 0, 8}},   // sine at 0, 64, 128, 192
      {2, 0, {0, -4, 8, 4, 0, -4}},  // (128 - ((p + 128) mod 256)) >> 1
      {3, 0, {0, 4, 8, -4, 0, 4}},   // (128 - ((384 - p) mod 256)) >> 1
      {1, 4, {0, 2, -4, -6, 8, 8}},  // the sweep fades it in
  };
  for (const Case& c : cases) {
    XmRig rig;
    XmInstrumentDef& in = rig.def.instruments[0];
    in.vibType = c.type;
    in.vibSweep = c.sweep;
    in.vibDepth = 8;
    in.vibRate = 64;
    rig.def.tempo = 1;
    for (int r = 0; r < 6; ++r) rig.Cell(r) = XmCell{static_cast<uint8_t>(r == 0 ? C4 : 0), 0, 0, 0, 0};
    rig.Cell(0).instrument = 1;
    ASSERT_TRUE(rig.Start());
    for (int t = 0; t < 6; ++t) {
      rig.Tick(1);
      EXPECT_EQ(rig.Ch().periodDelta, c.expect[t]) << int(c.type) << " " << int(c.sweep) << " " << t;
    }
  }
}

TEST(XmChannel, ResetFromSampleAndWaveformRetrigger) {
  TXmSample smp{};
  smp.volume = 40;
  smp.panning = 200;
  TXmChannel ch{};
  ch.keyOff = true;
  ch.fadeoutVolume = 5;
  ch.volEnv.point = 3;
  ch.volEnv.finished = true;
  ch.vibratoPos = 7;
  ch.tremoloPos = -5;
  ch.tremorCount = 3;
  ch.autoVibPos = 99;
  ch.waveControl = 0x41;  // tremolo waveform 4: keeps its position
  ResetChannelFromSample(&ch, &smp);
  EXPECT_EQ(ch.volume, 40);
  EXPECT_EQ(ch.panning, 200);
  EXPECT_EQ(ch.volEnv.output, 64);
  EXPECT_EQ(ch.panEnv.output, 32);
  EXPECT_EQ(ch.volEnv.point, 0);
  EXPECT_FALSE(ch.volEnv.finished);
  EXPECT_FALSE(ch.keyOff);
  EXPECT_EQ(ch.fadeoutVolume, 65536);
  EXPECT_EQ(ch.autoVibPos, 0);
  EXPECT_EQ(ch.vibratoPos, 0);
  EXPECT_EQ(ch.tremoloPos, -5);
  EXPECT_EQ(ch.tremorCount, 0);
  EXPECT_EQ(ch.flags, kXmVolume | kXmPanning);
}
