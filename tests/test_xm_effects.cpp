// XM effect column: every effect's first-tick and later-tick rule, stepped tick by tick.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/xm_mix.h"
#include "support/xm_rig.h"

static const uint8_t C4 = 49, C5 = 61;

TEST(XmEffects, ArpeggioCyclesThroughTheThreeNotes) {
  for (bool linear : {true, false}) {
    XmRig rig;
    rig.def.flags = linear ? 1 : 0;
    rig.Cell(0) = XmCell{C4, 1, 0, 0x0, 0x37};
    ASSERT_TRUE(rig.Start());
    rig.Tick(1);
    EXPECT_EQ(rig.Ch().periodDelta, 0);
    const int d3 = linear ? 3 * 64 : NotePeriod(51, 0) - NotePeriod(48, 0);
    const int d7 = linear ? 7 * 64 : NotePeriod(55, 0) - NotePeriod(48, 0);
    const int expect[5] = {d3, d7, 0, d3, d7};
    for (int e : expect) {
      rig.Tick(1);
      EXPECT_EQ(rig.Ch().periodDelta, e) << linear;
    }
  }
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 0x0, 0x37};
  ASSERT_TRUE(rig.Start());
  rig.Tick(2);
  EXPECT_EQ(rig.Ch().voice->frequency, static_cast<int>(std::nearbyint(8363 * std::pow(2.0, 192 / 768.0))));
}

TEST(XmEffects, PortamentoUpAndDownKeepSeparateMemories) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 0x1, 0x10};
  rig.Cell(1) = XmCell{0, 0, 0, 0x1, 0};
  rig.Cell(2) = XmCell{0, 0, 0, 0x2, 0x20};
  rig.Cell(3) = XmCell{0, 0, 0, 0x1, 0};
  rig.Cell(4) = XmCell{0, 0, 0, 0x2, 0};
  ASSERT_TRUE(rig.Start());
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().period, 4608);  // nothing on the first tick
  const int after[5] = {4608 - 320, 4608 - 640, 4608, 4608 - 320, 4608 + 320};
  rig.Tick(5);
  EXPECT_EQ(rig.Ch().period, after[0]);
  for (int r = 1; r < 5; ++r) {
    rig.Tick(6);
    EXPECT_EQ(rig.Ch().period, after[r]) << r;
  }
}

TEST(XmEffects, PortamentoUpStopsAt56) {
  XmRig rig;
  rig.Cell(0) = XmCell{96, 1, 0, 0x1, 0xFF};  // B-7: period 1600
  ASSERT_TRUE(rig.Start());
  rig.Tick(2);
  EXPECT_EQ(rig.Ch().period, 1600 - 1020);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().period, 56);
}

TEST(XmEffects, VibratoSineStepsAndAdvances) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 0x4, 0x8F};
  ASSERT_TRUE(rig.Start());
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().vibratoSpeed, 8);
  EXPECT_EQ(rig.Ch().vibratoDepth, 15);
  EXPECT_EQ(rig.Ch().vibratoPos, 0);  // the first tick steps but does not advance
  // Positions 0, 8, 16, 24, -32: |256 sin| = 0, 181, 256, 181, 0, times 15 >> 7, times 4.
  const int delta[5] = {0, -84, -120, -84, 0};
  const int pos[5] = {8, 16, 24, -32, -24};
  for (int i = 0; i < 5; ++i) {
    rig.Tick(1);
    EXPECT_EQ(rig.Ch().periodDelta, delta[i]) << i;
    EXPECT_EQ(rig.Ch().vibratoPos, pos[i]) << i;
  }
}

TEST(XmEffects, VibratoAndTremoloWaveforms) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0x30, 0xE, 0x41};  // ramp
  rig.Cell(1) = XmCell{0, 0, 0, 0x4, 0x8F};
  rig.Cell(2) = XmCell{0, 0, 0, 0xE, 0x42};  // square
  rig.Cell(3) = XmCell{0, 0, 0, 0x4, 0};
  rig.Cell(4) = XmCell{0, 0, 0, 0xE, 0x72};  // tremolo square
  rig.Cell(5) = XmCell{0, 0, 0, 0x7, 0x84};
  ASSERT_TRUE(rig.Start());
  rig.Tick(6 + 3);
  // Ramp: 8 x position, or -8 x position - 1 below 0; times 15 >> 7, times 4.
  const int ramp[4] = {-((64 * 15) >> 7) * 4, -((128 * 15) >> 7) * 4, -((192 * 15) >> 7) * 4, ((255 * 15) >> 7) * 4};
  EXPECT_EQ(rig.Ch().periodDelta, ramp[0]);
  for (int i = 1; i < 4; ++i) {
    rig.Tick(1);
    EXPECT_EQ(rig.Ch().periodDelta, ramp[i]) << i;
  }
  EXPECT_EQ(rig.Ch().vibratoPos, -24);
  rig.Tick(6 + 1);  // row 3, first tick: square at -24
  EXPECT_EQ(rig.Ch().waveControl, 0x02);
  EXPECT_EQ(rig.Ch().periodDelta, ((255 * 15) >> 7) * 4);
  rig.Tick(5 + 6 + 2);  // row 5, tick 1: tremolo square at position 0
  EXPECT_EQ(rig.Ch().waveControl, 0x22);
  EXPECT_EQ(rig.Ch().volumeDelta, (255 * 4) >> 6);
}

TEST(XmEffects, TonePortamentoWithVolumeSlide) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 0, 0};
  rig.Cell(1) = XmCell{C5, 0, 0, 0x3, 0x08};
  rig.Cell(2) = XmCell{0, 0, 0, 0x5, 0x02};
  ASSERT_TRUE(rig.Start());
  rig.Tick(6 + 6);
  EXPECT_EQ(rig.Ch().period, 4608 - 5 * 32);
  TMixVoice* voice = rig.Ch().voice;
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().volumeSlide, 0x02);
  EXPECT_EQ(rig.Ch().voice, voice);
  rig.Tick(5);
  EXPECT_EQ(rig.Ch().period, 4608 - 10 * 32);
  EXPECT_EQ(rig.Ch().volume, 64 - 10);
}

TEST(XmEffects, VibratoWithVolumeSlide) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0x30, 0x4, 0x8F};
  rig.Cell(1) = XmCell{0, 0, 0, 0x6, 0x20};
  ASSERT_TRUE(rig.Start());
  rig.Tick(6);
  EXPECT_EQ(rig.Ch().vibratoPos, -24);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().periodDelta, 84);  // a step at -24 on the first tick
  EXPECT_EQ(rig.Ch().volume, 32);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().vibratoPos, -16);
  rig.Tick(4);
  EXPECT_EQ(rig.Ch().volume, 42);
}

TEST(XmEffects, TremoloStaysInsideTheVolumeAndItsLastDeltaSticks) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0x30, 0x7, 0x8F};
  rig.Cell(1) = XmCell{0, 0, 0, 0x7, 0};
  rig.Cell(2) = XmCell{0, 0, 0, 0, 0};
  ASSERT_TRUE(rig.Start());
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().tremoloSpeed, 8);
  EXPECT_EQ(rig.Ch().tremoloDepth, 15);
  EXPECT_EQ(rig.Ch().volumeDelta, 0);
  const int expect[5] = {0, 32, 32, 32, 0};  // 42 and 60 are cut to 64 - 32
  for (int e : expect) {
    rig.Tick(1);
    EXPECT_EQ(rig.Ch().volumeDelta, e);
  }
  rig.Tick(2);
  EXPECT_EQ(rig.Ch().volumeDelta, -32);  // the negative half stops at volume 0
  rig.Tick(4);
  const int last = rig.Ch().volumeDelta;
  EXPECT_NE(last, 0);
  EXPECT_EQ(rig.Ch().volume, 32);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().volume, 32 + last);
}

TEST(XmEffects, SetPanning) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 0x8, 0x40};
  rig.Cell(1) = XmCell{0, 0, 0, 0xE, 0x8C};
  ASSERT_TRUE(rig.Start());
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().panning, 0x40);
  EXPECT_EQ(rig.Ch().voice->panning, 0x40);
  rig.Tick(6);
  EXPECT_EQ(rig.Ch().panning, 0xC0);
  EXPECT_EQ(rig.Ch().voice->panning, 0xC0);
}

TEST(XmEffects, SampleOffsetStartsLaterOrRewindsWhenPastTheLoop) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 0x9, 0x02};
  rig.Cell(1) = XmCell{C5, 1, 0, 0x9, 0x20};  // 8192 is past the 4000-sample loop
  rig.Cell(2) = XmCell{C5, 1, 0, 0x9, 0x00};
  ASSERT_TRUE(rig.Start());
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().voice->position, 512);
  TMixVoice* voice = rig.Ch().voice;
  voice->position = 1234;
  rig.Tick(6);
  EXPECT_EQ(rig.Ch().voice, voice);  // no trigger
  EXPECT_EQ(voice->position, 0);     // rewound
  EXPECT_EQ(voice->sample, rig.song->instruments[0].samples[0]);
  voice->position = 99;
  rig.Tick(6);
  EXPECT_EQ(rig.Ch().voice, voice);  // the remembered 0x20 again
  EXPECT_EQ(voice->position, 0);
}

TEST(XmEffects, VolumeSlideMemoryAndDirections) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 0xA, 0x0F};
  rig.Cell(1) = XmCell{0, 0, 0, 0xA, 0xF0};
  rig.Cell(2) = XmCell{0, 0, 0x30, 0xA, 0x11};  // up wins
  rig.Cell(3) = XmCell{0, 0, 0, 0xA, 0};
  ASSERT_TRUE(rig.Start());
  const int after[4] = {0, 64, 37, 42};
  for (int r = 0; r < 4; ++r) {
    rig.Tick(6);
    EXPECT_EQ(rig.Ch().volume, after[r]) << r;
  }
}

TEST(XmEffects, SetVolumeIsNotClamped) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 0xC, 0x80};
  ASSERT_TRUE(rig.Start());
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().volume, 128);
  EXPECT_EQ(rig.Ch().voice->volume, 255);
}

TEST(XmEffects, FinePortamentoOnceAndRemembered) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 0xE, 0x12};
  rig.Cell(1) = XmCell{0, 0, 0, 0xE, 0x10};
  rig.Cell(2) = XmCell{0, 0, 0, 0xE, 0x23};
  rig.Cell(3) = XmCell{0, 0, 0, 0xE, 0x20};
  ASSERT_TRUE(rig.Start());
  const int after[4] = {4600, 4592, 4604, 4616};
  for (int r = 0; r < 4; ++r) {
    rig.Tick(1);
    EXPECT_EQ(rig.Ch().period, after[r]) << r;
    rig.Tick(5);
    EXPECT_EQ(rig.Ch().period, after[r]) << r;
  }
}

TEST(XmEffects, ExtraFinePortamento) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 33, 0x12};
  rig.Cell(1) = XmCell{0, 0, 0, 33, 0x10};
  rig.Cell(2) = XmCell{0, 0, 0, 33, 0x23};
  rig.Cell(3) = XmCell{0, 0, 0, 33, 0x20};
  ASSERT_TRUE(rig.Start());
  const int after[4] = {4606, 4604, 4607, 4610};
  for (int r = 0; r < 4; ++r) {
    rig.Tick(6);
    EXPECT_EQ(rig.Ch().period, after[r]) << r;
  }
}

TEST(XmEffects, SetFinetuneChangesTheSampleRecord) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 0xE, 0x53};
  rig.Cell(1) = XmCell{C4, 1, 0, 0, 0};
  ASSERT_TRUE(rig.Start());
  rig.Tick(1);
  EXPECT_EQ(rig.song->instruments[0].samples[0]->finetune, 3);
  EXPECT_EQ(rig.Ch().period, 4608);  // this row's note was computed before
  rig.Tick(6);
  EXPECT_EQ(rig.Ch().period, LinearPeriod(48, 3));
  EXPECT_EQ(XmEmptySample.finetune, 0);
}

TEST(XmEffects, FineVolumeSlidesShareOneMemory) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0x30, 0xE, 0xA3};
  rig.Cell(1) = XmCell{0, 0, 0, 0xE, 0xB0};
  rig.Cell(2) = XmCell{0, 0, 0, 0xE, 0xBF};
  rig.Cell(3) = XmCell{0, 0, 0, 0xE, 0xBF};
  rig.Cell(4) = XmCell{0, 0, 0x50, 0xE, 0xAF};
  ASSERT_TRUE(rig.Start());
  const int after[5] = {35, 32, 17, 2, 64};
  for (int r = 0; r < 5; ++r) {
    rig.Tick(1);
    EXPECT_EQ(rig.Ch().volume, after[r]) << r;
    rig.Tick(5);
    EXPECT_EQ(rig.Ch().volume, after[r]) << r;
  }
  rig.Cell(0) = XmCell{};
}

TEST(XmEffects, NoteDelayStartsTheNoteOnItsTick) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 0, 0};
  rig.Cell(1) = XmCell{C5, 1, 0x20, 0xE, 0xD2};
  ASSERT_TRUE(rig.Start());
  rig.Tick(6);
  TMixVoice* voice = rig.Ch().voice;
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().voice, voice);
  EXPECT_EQ(rig.Ch().volume, 64);     // back to the value before the row
  EXPECT_EQ(rig.Ch().period, 4608);
  EXPECT_EQ(voice->volume, 128);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().voice, voice);
  rig.Tick(1);
  EXPECT_NE(rig.Ch().voice, voice);  // triggered on tick 2
  EXPECT_EQ(rig.Ch().period, 3840);
  EXPECT_EQ(rig.Ch().volume, 16);     // the volume column applied with it
  EXPECT_EQ(rig.Ch().voice->volume, 32);
}

TEST(XmEffects, RetriggerAndNoteCut) {
  XmRig rig(2);
  rig.Cell(0, 0) = XmCell{C4, 1, 0, 0xE, 0x92};
  rig.Cell(0, 1) = XmCell{C4, 1, 0, 0xE, 0xC3};
  ASSERT_TRUE(rig.Start());
  rig.Tick(1);
  TMixVoice* first = rig.Ch(0).voice;
  rig.Tick(1);
  EXPECT_EQ(rig.Ch(0).voice, first);
  EXPECT_EQ(rig.Ch(1).volume, 64);
  rig.Tick(1);
  EXPECT_NE(rig.Ch(0).voice, first);  // tick 2
  EXPECT_EQ(rig.Ch(1).volume, 64);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch(1).volume, 0);  // cut on tick 3
  EXPECT_EQ(rig.Ch(1).voice->volume, 0);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch(0).voice, first);  // tick 4
}

TEST(XmEffects, GlobalVolumeAndItsSlide) {
  XmRig rig(2);
  rig.Cell(0, 0) = XmCell{C4, 1, 0, 0, 0};
  rig.Cell(0, 1) = XmCell{0, 0, 0, 16, 0x30};
  rig.Cell(1, 1) = XmCell{0, 0, 0, 17, 0x02};
  rig.Cell(2, 1) = XmCell{0, 0, 0, 17, 0};
  rig.Cell(3, 1) = XmCell{0, 0, 0, 17, 0x50};
  rig.Cell(4, 1) = XmCell{0, 0, 0, 17, 0xF0};
  rig.Cell(5, 1) = XmCell{0, 0, 0, 16, 0x80};
  ASSERT_TRUE(rig.Start());
  const int after[6] = {48, 38, 28, 53, 64, 64};
  for (int r = 0; r < 6; ++r) {
    rig.Tick(6);
    EXPECT_EQ(rig.song->globalVolume, after[r]) << r;
  }
  // A new start resets the global volume but keeps the slide's memory.
  SongRenderEnd(rig.song);
  ASSERT_TRUE(SongRenderBegin(rig.song));
  EXPECT_EQ(rig.song->globalVolume, 64);
  EXPECT_EQ(rig.song->globalVolumeSlide, 0xF0);
}

TEST(XmEffects, SetEnvelopePosition) {
  XmRig rig;
  XmInstrumentDef& in = rig.def.instruments[0];
  in.volume.points = {{0, 64}, {10, 0}, {20, 40}};
  in.volume.type = 1;
  rig.Cell(0) = XmCell{C4, 1, 0, 0, 0};
  rig.Cell(1) = XmCell{0, 0, 0, 21, 5};
  rig.Cell(2) = XmCell{0, 0, 0, 21, 250};
  ASSERT_TRUE(rig.Start());
  rig.Tick(7);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().volEnv.output, 32);  // the value at tick 5
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().volEnv.output, 25);  // tick 6
  rig.Tick(3);
  EXPECT_FALSE(rig.Ch().volEnv.finished);
  EXPECT_EQ(rig.Ch().volEnv.output, 6);  // tick 9
  rig.Tick(1);
  EXPECT_TRUE(rig.Ch().volEnv.finished);  // placed beyond the last point
  EXPECT_EQ(rig.Ch().volEnv.output, 40);

  XmRig plain;  // no volume envelope: nothing to place
  plain.Cell(0) = XmCell{C4, 1, 0, 21, 5};
  ASSERT_TRUE(plain.Start());
  plain.Tick(1);
  EXPECT_EQ(plain.Ch().volEnv.output, 64);
  EXPECT_EQ(plain.Ch().volEnv.tick, 0);
}

TEST(XmEffects, PanningSlide) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 25, 0x0F};
  rig.Cell(1) = XmCell{0, 0, 0, 25, 0x20};
  rig.Cell(2) = XmCell{0, 0, 0, 25, 0};
  rig.Cell(3) = XmCell{0, 0, 0, 25, 0xF0};
  rig.Cell(4) = XmCell{0, 0, 0, 25, 0};
  rig.Cell(5) = XmCell{0, 0, 0, 25, 0x0F};
  rig.Cell(6) = XmCell{0, 0, 0, 25, 0};
  ASSERT_TRUE(rig.Start());
  const int after[7] = {128 - 75, 63, 73, 148, 223, 148, 73};
  for (int r = 0; r < 7; ++r) {
    rig.Tick(6);
    EXPECT_EQ(rig.Ch().panning, after[r]) << r;
  }
  XmRig edge;
  edge.Cell(0) = XmCell{C4, 1, 0, 8, 0xFA};
  edge.Cell(1) = XmCell{0, 0, 0, 25, 0x90};
  ASSERT_TRUE(edge.Start());
  edge.Tick(12);
  EXPECT_EQ(edge.Ch().panning, 255);
}

TEST(XmEffects, MultiRetriggerVolumeTypes) {
  const int expect[16] = {32, 31, 30, 28, 24, 16, 21, 16, 32, 33, 34, 36, 40, 48, 48, 64};
  for (int type = 0; type < 16; ++type) {
    XmRig rig;
    rig.Cell(0) = XmCell{C4, 1, 0x30, 27, static_cast<uint8_t>((type << 4) | 2)};
    ASSERT_TRUE(rig.Start());
    rig.Tick(1);
    TMixVoice* voice = rig.Ch().voice;
    rig.Tick(1);
    EXPECT_EQ(rig.Ch().volume, 32);
    EXPECT_EQ(rig.Ch().voice, voice);
    rig.Tick(1);
    EXPECT_EQ(rig.Ch().volume, expect[type]) << type;
    EXPECT_NE(rig.Ch().voice, voice) << type;  // tick 2: retriggered
  }
}

TEST(XmEffects, TremorAlternatesOnAndOffTimes) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 29, 0x12};
  rig.Cell(1) = XmCell{0, 0, 0, 29, 0};
  ASSERT_TRUE(rig.Start());
  const bool silent[12] = {false, false, true, true, true, false, false, true, true, true, false, false};
  for (int t = 0; t < 12; ++t) {
    rig.Tick(1);
    EXPECT_EQ(rig.Ch().volumeDelta, silent[t] ? -64 : 0) << t;
  }
}

TEST(XmEffects, KeyOffEffectActsAtOnceWhateverItsParameter) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 20, 0x05};
  ASSERT_TRUE(rig.Start());
  rig.Tick(1);
  EXPECT_TRUE(rig.Ch().keyOff);
  EXPECT_EQ(rig.Ch().voice->volume, 0);
}

TEST(XmEffects, InstrumentBeyondTheCountWorksWithTheEmptyInstrument) {
  XmRig rig;
  rig.Cell(0) = XmCell{C4, 1, 0, 0, 0};
  rig.Cell(1) = XmCell{C5, 9, 0, 0, 0};
  ASSERT_TRUE(rig.Start());
  rig.Tick(6);
  TXmSample* own = rig.Ch().sample;
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().instrument, 8);
  EXPECT_EQ(rig.Ch().sample, own);  // the channel's own sample is left as it was
  EXPECT_EQ(rig.Ch().voice->sample, &XmEmptySample);
  EXPECT_EQ(rig.Ch().volume, 0);
  EXPECT_EQ(rig.Ch().period, LinearPeriod(60, 0));
}
