// XM effect column: every effect's first-tick and later-tick rule, stepped tick by tick.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "audio/xm_mix.h"
#include "support/xm_builder.h"

namespace {

const uint8_t C4 = 49, C5 = 61;
using V = std::vector<int>;
using VV = std::vector<V>;

// One field of channel 0 after each step.
template <class T>
V Steps(XmRig& rig, int count, const V& ticks, T TXmChannel::*field) {
  return rig.Trace(count, ticks, [field](XmRig& r) { return static_cast<int>(r.Ch().*field); });
}

}  // namespace

TEST(XmEffects, ArpeggioCyclesThroughTheThreeNotes) {
  for (bool linear : {true, false}) {
    XmRig rig;
    rig.def.flags = linear ? 1 : 0;
    ASSERT_TRUE(rig.Start({{C4, 1, 0, 0x0, 0x37}}));
    const int d3 = linear ? 3 * 64 : NotePeriod(51, 0) - NotePeriod(48, 0);
    const int d7 = linear ? 7 * 64 : NotePeriod(55, 0) - NotePeriod(48, 0);
    EXPECT_EQ(Steps(rig, 6, {1}, &TXmChannel::periodDelta), (V{0, d3, d7, 0, d3, d7})) << linear;
    // The voice hears the note a fifth up in either period model.
    const int fifth = linear ? static_cast<int>(std::nearbyint(8363 * std::pow(2.0, 7 / 12.0)))
                             : 14317056 / NotePeriod(55, 0);
    EXPECT_EQ(rig.Ch().voice->frequency, fifth) << linear;
  }
}

// Each row's value after its first tick and after its last (six ticks a row), or after each tick.
TEST(XmEffects, SlidesAndOtherOneFieldEffects) {
  const struct {
    const char* what;
    int32_t TXmChannel::*field;
    std::vector<XmCell> rows;
    V after;
    V ticks = {1, 5};
  } cases[] = {
      {"portamento up and down keep separate memories", &TXmChannel::period,
       {{C4, 1, 0, 0x1, 0x10}, {0, 0, 0, 0x1, 0}, {0, 0, 0, 0x2, 0x20}, {0, 0, 0, 0x1, 0}, {0, 0, 0, 0x2, 0}},
       {4608, 4288, 4288, 3968, 3968, 4608, 4608, 4288, 4288, 4928}},
      {"portamento up stops at period 56", &TXmChannel::period, {{96, 1, 0, 0x1, 0xFF}}, {1600, 56}},  // B-7
      {"volume slide: memory, both directions, up wins over down", &TXmChannel::volume,
       {{C4, 1, 0, 0xA, 0x0F}, {0, 0, 0, 0xA, 0xF0}, {0, 0, 0x30, 0xA, 0x11}, {0, 0, 0, 0xA, 0}},
       {64, 0, 0, 64, 32, 37, 37, 42}},
      {"panning slide: memory and both directions", &TXmChannel::panning,
       {{C4, 1, 0, 25, 0x0F}, {0, 0, 0, 25, 0x20}, {0, 0, 0, 25, 0}, {0, 0, 0, 25, 0xF0}, {0, 0, 0, 25, 0},
        {0, 0, 0, 25, 0x0F}, {0, 0, 0, 25, 0}},
       {128, 53, 53, 63, 63, 73, 73, 148, 148, 223, 223, 148, 148, 73}},
      {"fine portamento acts once a row, four period units a step", &TXmChannel::period,
       {{C4, 1, 0, 0xE, 0x12}, {0, 0, 0, 0xE, 0x10}, {0, 0, 0, 0xE, 0x23}, {0, 0, 0, 0xE, 0x20}},
       {4600, 4600, 4592, 4592, 4604, 4604, 4616, 4616}},
      {"extra fine portamento acts once a row, one unit a step", &TXmChannel::period,
       {{C4, 1, 0, 33, 0x12}, {0, 0, 0, 33, 0x10}, {0, 0, 0, 33, 0x23}, {0, 0, 0, 33, 0x20}},
       {4606, 4606, 4604, 4604, 4607, 4607, 4610, 4610}},
      {"fine volume slides share one memory", &TXmChannel::volume,
       {{C4, 1, 0x30, 0xE, 0xA3}, {0, 0, 0, 0xE, 0xB0}, {0, 0, 0, 0xE, 0xBF}, {0, 0, 0, 0xE, 0xBF},
        {0, 0, 0x50, 0xE, 0xAF}},
       {35, 35, 32, 32, 17, 17, 2, 2, 64, 64}},
      // Set panning acts at once for the voice too (below); a slide stops at 255; E8x sets it coarsely.
      {"set panning, a slide to 255, E8x", &TXmChannel::panning,
       {{C4, 1, 0, 8, 0xFA}, {0, 0, 0, 25, 0x90}, {0, 0, 0, 0xE, 0x8C}}, {0xFA, 255, 0xC0}, {1, 11, 1}},
      {"tremor: two ticks on, three off", &TXmChannel::volumeDelta, {{C4, 1, 0, 29, 0x12}, {0, 0, 0, 29, 0}},
       {0, 0, -64, -64, -64, 0, 0, -64, -64, -64, 0, 0}, {1}},
      // Nothing on the first tick; then 0, 42, 60, 42 and 0, the middle three cut to 64 - 32; the
      // negative half stops at volume 0.
      {"tremolo stays inside the volume", &TXmChannel::volumeDelta,
       {{C4, 1, 0x30, 0x7, 0x8F}, {0, 0, 0, 0x7, 0}}, {0, 0, 32, 32, 32, 0, 0, -32}, {1}},
      {"set volume is not clamped", &TXmChannel::volume, {{C4, 1, 0, 0xC, 0x80}}, {128}, {1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    XmRig rig;
    ASSERT_TRUE(rig.Start(c.rows));
    EXPECT_EQ(Steps(rig, static_cast<int>(c.after.size()), c.ticks, c.field), c.after);
  }
}

TEST(XmEffects, VibratoSineStepsAndAdvances) {
  XmRig rig;
  ASSERT_TRUE(rig.Start({{C4, 1, 0, 0x4, 0x8F}}));
  // The first tick steps but does not advance. Positions 0, 8, 16, 24, -32: |256 sin| = 0, 181, 256, 181, 0,
  // times 15 >> 7, times 4; each then advances 8.
  EXPECT_EQ(rig.Trace(6, {1}, [](XmRig& r) { return V{r.Ch().periodDelta, r.Ch().vibratoPos}; }),
            (VV{{0, 0}, {0, 8}, {-84, 16}, {-120, 24}, {-84, -32}, {0, -24}}));
}

TEST(XmEffects, VibratoAndTremoloWaveforms) {
  XmRig rig;
  ASSERT_TRUE(rig.Start({{C4, 1, 0x30, 0xE, 0x41} /* ramp */, {0, 0, 0, 0x4, 0x8F},
                         {0, 0, 0, 0xE, 0x42} /* square */, {0, 0, 0, 0x4, 0},
                         {0, 0, 0, 0xE, 0x72} /* tremolo square */, {0, 0, 0, 0x7, 0x84}}));
  rig.Tick(6 + 2);
  // Ramp: 8 x position, or -8 x position - 1 below 0; times 15 >> 7, times 4.
  EXPECT_EQ(Steps(rig, 4, {1}, &TXmChannel::periodDelta),
            (V{-((64 * 15) >> 7) * 4, -((128 * 15) >> 7) * 4, -((192 * 15) >> 7) * 4, ((255 * 15) >> 7) * 4}));
  EXPECT_EQ(rig.Ch().vibratoPos, -24);
  rig.Tick(6 + 1);  // row 3, first tick: square at -24
  EXPECT_EQ((V{rig.Ch().waveControl, rig.Ch().periodDelta}), (V{0x02, ((255 * 15) >> 7) * 4}));
  rig.Tick(5 + 6 + 2);  // row 5, tick 1: tremolo square at position 0
  EXPECT_EQ((V{rig.Ch().waveControl, rig.Ch().volumeDelta}), (V{0x22, (255 * 4) >> 6}));
}

// 5xy goes on sliding to the note (no trigger); 6xy goes on with the vibrato (a step at -24 on the first tick).
TEST(XmEffects, TonePortamentoAndVibratoWithVolumeSlide) {
  XmRig rig;
  ASSERT_TRUE(rig.Start({{C4, 1, 0, 0, 0}, {C5, 0, 0, 0x3, 0x08}, {0, 0, 0, 0x5, 0x02}}));
  rig.Tick(6 + 6);
  TMixVoice* voice = rig.Ch().voice;
  EXPECT_EQ(rig.Ch().period, 4608 - 5 * 32);
  EXPECT_EQ(rig.Trace(2, {1, 5}, [&](XmRig& r) { return V{r.Ch().voice == voice, r.Ch().period, r.Ch().volume}; }),
            (VV{{1, 4608 - 5 * 32, 64}, {1, 4608 - 10 * 32, 64 - 10}}));
  XmRig vib;
  ASSERT_TRUE(vib.Start({{C4, 1, 0x30, 0x4, 0x8F}, {0, 0, 0, 0x6, 0x20}}));
  EXPECT_EQ(vib.Trace(4, {6, 1, 1, 4}, [](XmRig& r) { return V{r.Ch().vibratoPos, r.Ch().periodDelta, r.Ch().volume}; }),
            (VV{{-24, 0, 32}, {-24, 84, 32}, {-16, 84, 34}, {16, -84, 42}}));
}

TEST(XmEffects, TremoloLastDeltaSticks) {
  XmRig rig;
  ASSERT_TRUE(rig.Start({{C4, 1, 0x30, 0x7, 0x8F}, {0, 0, 0, 0x7, 0}, {0, 0, 0, 0, 0}}));
  rig.Tick(12);
  const int last = rig.Ch().volumeDelta;
  EXPECT_NE(last, 0);
  EXPECT_EQ(rig.Ch().volume, 32);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().volume, 32 + last);
}

TEST(XmEffects, SampleOffsetStartsLaterOrRewindsWhenPastTheLoop) {
  XmRig rig;
  // 0x20 x 256 = 8192 is past the 4000-sample loop; 0x00 repeats the remembered 0x20.
  ASSERT_TRUE(rig.Start({{C4, 1, 0, 0x9, 0x02}, {C5, 1, 0, 0x9, 0x20}, {C5, 1, 0, 0x9, 0x00}}));
  rig.Tick(1);
  TMixVoice* voice = rig.Ch().voice;
  EXPECT_EQ(voice->position, 512);
  for (int32_t played : {1234, 99}) {
    voice->position = played;
    rig.Tick(6);
    EXPECT_EQ(rig.Ch().voice, voice) << played;  // no trigger
    EXPECT_EQ(voice->position, 0) << played;     // rewound
    EXPECT_EQ(voice->sample, rig.song->instruments[0].samples[0]);
  }
}

TEST(XmEffects, SetVolumeAndPanningReachTheVoiceAndSetFinetuneTheSample) {
  XmRig rig, pan;
  ASSERT_TRUE(rig.Start({{C4, 1, 0, 0xC, 0x80}}));
  ASSERT_TRUE(pan.Start({{C4, 1, 0, 8, 0xFA}, {0, 0, 0, 0, 0}, {0, 0, 0, 0xE, 0x8C}}));
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().voice->volume, 255);
  EXPECT_EQ(pan.Trace(2, {1, 12}, [](XmRig& r) { return r.Ch().voice->panning; }), (V{0xFA, 0xC0}));
  XmRig fine;
  ASSERT_TRUE(fine.Start({{C4, 1, 0, 0xE, 0x53}, {C4, 1, 0, 0, 0}}));
  fine.Tick(1);
  EXPECT_EQ(fine.song->instruments[0].samples[0]->finetune, 3);
  EXPECT_EQ(fine.Ch().period, 4608);  // this row's note was computed before
  fine.Tick(6);
  EXPECT_EQ(fine.Ch().period, LinearPeriod(48, 3));
  EXPECT_EQ(XmEmptySample.finetune, 0);
}

TEST(XmEffects, NoteDelayStartsTheNoteOnItsTick) {
  XmRig rig;
  ASSERT_TRUE(rig.Start({{C4, 1, 0, 0, 0}, {C5, 1, 0x20, 0xE, 0xD2}}));
  rig.Tick(6);
  TMixVoice* voice = rig.Ch().voice;
  // Same voice, volume, period and voice volume: until tick 2 the values from before the row hold;
  // then a new voice starts the note with the volume column applied.
  auto state = [&](XmRig& r) { return V{r.Ch().voice == voice, r.Ch().volume, r.Ch().period, r.Ch().voice->volume}; };
  EXPECT_EQ(rig.Trace(3, {1}, state), (VV{{1, 64, 4608, 128}, {1, 64, 4608, 128}, {0, 16, 3840, 32}}));
}

TEST(XmEffects, RetriggerAndNoteCut) {
  XmRig rig(2);
  rig.Cell(0, 1) = XmCell{C4, 1, 0, 0xE, 0xC3};
  ASSERT_TRUE(rig.Start({{C4, 1, 0, 0xE, 0x92}}));
  rig.Tick(1);
  TMixVoice* first = rig.Ch(0).voice;
  // Ticks 1 to 4: channel 0 retriggers every second tick (onto the partner voice and back); channel 1 is cut on tick 3.
  EXPECT_EQ(rig.Trace(4, {1}, [&](XmRig& r) { return V{r.Ch(0).voice == first, r.Ch(1).volume}; }),
            (VV{{1, 64}, {0, 64}, {0, 0}, {1, 0}}));
  EXPECT_EQ(rig.Ch(1).voice->volume, 0);
}

TEST(XmEffects, GlobalVolumeAndItsSlide) {
  XmRig rig(2);
  const XmCell global[6] = {{0, 0, 0, 16, 0x30}, {0, 0, 0, 17, 0x02}, {0, 0, 0, 17, 0},
                            {0, 0, 0, 17, 0x50}, {0, 0, 0, 17, 0xF0}, {0, 0, 0, 16, 0x80}};
  for (int r = 0; r < 6; ++r) rig.Cell(r, 1) = global[r];
  ASSERT_TRUE(rig.Start({{C4, 1, 0, 0, 0}}));
  EXPECT_EQ(rig.Trace(6, {6}, [](XmRig& r) { return r.song->globalVolume; }), (V{48, 38, 28, 53, 64, 64}));
  // A new start resets the global volume but keeps the slide's memory.
  SongRenderEnd(rig.song);
  ASSERT_TRUE(SongRenderBegin(rig.song));
  EXPECT_EQ((V{rig.song->globalVolume, rig.song->globalVolumeSlide}), (V{64, 0xF0}));
}

TEST(XmEffects, SetEnvelopePosition) {
  XmRig rig, plain;
  rig.def.instruments[0].volume = {{{0, 64}, {10, 0}, {20, 40}}, 1};
  ASSERT_TRUE(rig.Start({{C4, 1, 0, 0, 0}, {0, 0, 0, 21, 5}, {0, 0, 0, 21, 250}}));
  // Finished and output: the values at envelope ticks 5, 6 and 9, then placed beyond the last point.
  auto state = [](XmRig& r) { return V{r.Ch().volEnv.finished, r.Ch().volEnv.output}; };
  EXPECT_EQ(rig.Trace(4, {8, 1, 3, 1}, state), (VV{{0, 32}, {0, 25}, {0, 6}, {1, 40}}));
  ASSERT_TRUE(plain.Start({{C4, 1, 0, 21, 5}}));  // no volume envelope: nothing to place
  plain.Tick(1);
  EXPECT_EQ((V{plain.Ch().volEnv.output, plain.Ch().volEnv.tick}), (V{64, 0}));
}

TEST(XmEffects, MultiRetriggerVolumeTypes) {
  const int expect[16] = {32, 31, 30, 28, 24, 16, 21, 16, 32, 33, 34, 36, 40, 48, 48, 64};
  for (int type = 0; type < 16; ++type) {
    XmRig rig;
    ASSERT_TRUE(rig.Start({{C4, 1, 0x30, 27, static_cast<uint8_t>((type << 4) | 2)}}));
    rig.Tick(1);
    TMixVoice* voice = rig.Ch().voice;
    // Tick 1 leaves it; tick 2 retriggers and changes the volume.
    EXPECT_EQ(rig.Trace(2, {1}, [&](XmRig& r) { return V{r.Ch().voice == voice, r.Ch().volume}; }),
              (VV{{1, 32}, {0, expect[type]}}))
        << type;
  }
}

TEST(XmEffects, InstrumentBeyondTheCountWorksWithTheEmptyInstrument) {
  XmRig rig;
  ASSERT_TRUE(rig.Start({{C4, 1, 0, 0, 0}, {C5, 9, 0, 0, 0}}));
  rig.Tick(6);
  TXmSample* own = rig.Ch().sample;
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().sample, own);  // the channel's own sample is left as it was
  EXPECT_EQ(rig.Ch().voice->sample, &XmEmptySample);
  EXPECT_EQ((V{rig.Ch().instrument, rig.Ch().volume, rig.Ch().period}), (V{8, 0, LinearPeriod(60, 0)}));
}
