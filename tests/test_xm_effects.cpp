// XM effect column: every effect's first-tick and later-tick rule, stepped tick by tick.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

#include "audio/xm_mix.h"
#include "support/xm_rig.h"

namespace {

const uint8_t C4 = 49, C5 = 61;
using V = std::vector<int>;
using VB = std::vector<std::pair<bool, int>>;

// Fills rows 0, 1, ... of channel 0 and starts the song.
bool Start(XmRig& rig, const std::vector<XmCell>& rows) {
  int r = 0;
  for (const XmCell& c : rows) rig.Cell(r++) = c;
  return rig.Start();
}

// What `read` gives after each of `count` steps; the steps take the tick counts in `ticks` in turn.
template <class Read>
auto Trace(XmRig& rig, int count, const V& ticks, Read read) {
  std::vector<decltype(read(rig))> out;
  for (int i = 0; i < count; ++i) {
    rig.Tick(ticks[i % ticks.size()]);
    out.push_back(read(rig));
  }
  return out;
}

// The same for one field of channel 0.
template <class T>
V Steps(XmRig& rig, int count, const V& ticks, T TXmChannel::*field) {
  return Trace(rig, count, ticks, [field](XmRig& r) { return static_cast<int>(r.Ch().*field); });
}

}  // namespace

TEST(XmEffects, ArpeggioCyclesThroughTheThreeNotes) {
  for (bool linear : {true, false}) {
    XmRig rig;
    rig.def.flags = linear ? 1 : 0;
    ASSERT_TRUE(Start(rig, {{C4, 1, 0, 0x0, 0x37}}));
    const int d3 = linear ? 3 * 64 : NotePeriod(51, 0) - NotePeriod(48, 0);
    const int d7 = linear ? 7 * 64 : NotePeriod(55, 0) - NotePeriod(48, 0);
    EXPECT_EQ(Steps(rig, 6, {1}, &TXmChannel::periodDelta), (V{0, d3, d7, 0, d3, d7})) << linear;
    // The voice hears the note a fifth up in either period model.
    const int fifth = linear ? static_cast<int>(std::nearbyint(8363 * std::pow(2.0, 7 / 12.0)))
                             : 14317056 / NotePeriod(55, 0);
    EXPECT_EQ(rig.Ch().voice->frequency, fifth) << linear;
  }
}

// Each row's value after its first tick and after its last (six ticks a row).
TEST(XmEffects, SlidesActAfterTheFirstTickAndRememberTheirSpeeds) {
  const struct {
    const char* what;
    int32_t TXmChannel::*field;
    std::vector<XmCell> rows;
    V after;
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
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    XmRig rig;
    ASSERT_TRUE(Start(rig, c.rows));
    EXPECT_EQ(Steps(rig, static_cast<int>(2 * c.rows.size()), {1, 5}, c.field), c.after);
  }
}

TEST(XmEffects, VibratoSineStepsAndAdvances) {
  XmRig rig;
  ASSERT_TRUE(Start(rig, {{C4, 1, 0, 0x4, 0x8F}}));
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().vibratoPos, 0);  // the first tick steps but does not advance
  // Positions 0, 8, 16, 24, -32: |256 sin| = 0, 181, 256, 181, 0, times 15 >> 7, times 4; each then advances 8.
  EXPECT_EQ(Trace(rig, 5, {1}, [](XmRig& r) { return std::pair{r.Ch().periodDelta, r.Ch().vibratoPos}; }),
            (std::vector<std::pair<int, int>>{{0, 8}, {-84, 16}, {-120, 24}, {-84, -32}, {0, -24}}));
}

TEST(XmEffects, VibratoAndTremoloWaveforms) {
  XmRig rig;
  ASSERT_TRUE(Start(rig, {{C4, 1, 0x30, 0xE, 0x41} /* ramp */, {0, 0, 0, 0x4, 0x8F},
                          {0, 0, 0, 0xE, 0x42} /* square */, {0, 0, 0, 0x4, 0},
                          {0, 0, 0, 0xE, 0x72} /* tremolo square */, {0, 0, 0, 0x7, 0x84}}));
  rig.Tick(6 + 2);
  // Ramp: 8 x position, or -8 x position - 1 below 0; times 15 >> 7, times 4.
  EXPECT_EQ(Steps(rig, 4, {1}, &TXmChannel::periodDelta),
            (V{-((64 * 15) >> 7) * 4, -((128 * 15) >> 7) * 4, -((192 * 15) >> 7) * 4, ((255 * 15) >> 7) * 4}));
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
  ASSERT_TRUE(Start(rig, {{C4, 1, 0, 0, 0}, {C5, 0, 0, 0x3, 0x08}, {0, 0, 0, 0x5, 0x02}}));
  rig.Tick(6 + 6);
  EXPECT_EQ(rig.Ch().period, 4608 - 5 * 32);
  TMixVoice* voice = rig.Ch().voice;
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().voice, voice);  // 5xy goes on sliding to the note: no trigger
  rig.Tick(5);
  EXPECT_EQ(rig.Ch().period, 4608 - 10 * 32);
  EXPECT_EQ(rig.Ch().volume, 64 - 10);
}

TEST(XmEffects, VibratoWithVolumeSlide) {
  XmRig rig;
  ASSERT_TRUE(Start(rig, {{C4, 1, 0x30, 0x4, 0x8F}, {0, 0, 0, 0x6, 0x20}}));
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
  ASSERT_TRUE(Start(rig, {{C4, 1, 0x30, 0x7, 0x8F}, {0, 0, 0, 0x7, 0}, {0, 0, 0, 0, 0}}));
  // Nothing on the first tick; then 0, 42, 60, 42 and 0, the middle three cut to 64 - 32.
  EXPECT_EQ(Steps(rig, 6, {1}, &TXmChannel::volumeDelta), (V{0, 0, 32, 32, 32, 0}));
  rig.Tick(2);
  EXPECT_EQ(rig.Ch().volumeDelta, -32);  // the negative half stops at volume 0
  rig.Tick(4);
  const int last = rig.Ch().volumeDelta;
  EXPECT_NE(last, 0);
  EXPECT_EQ(rig.Ch().volume, 32);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().volume, 32 + last);
}

TEST(XmEffects, SampleOffsetStartsLaterOrRewindsWhenPastTheLoop) {
  XmRig rig;
  // 0x20 x 256 = 8192 is past the 4000-sample loop; 0x00 repeats the remembered 0x20.
  ASSERT_TRUE(Start(rig, {{C4, 1, 0, 0x9, 0x02}, {C5, 1, 0, 0x9, 0x20}, {C5, 1, 0, 0x9, 0x00}}));
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().voice->position, 512);
  TMixVoice* voice = rig.Ch().voice;
  for (int32_t played : {1234, 99}) {
    voice->position = played;
    rig.Tick(6);
    EXPECT_EQ(rig.Ch().voice, voice) << played;  // no trigger
    EXPECT_EQ(voice->position, 0) << played;     // rewound
    EXPECT_EQ(voice->sample, rig.song->instruments[0].samples[0]);
  }
}

TEST(XmEffects, SetVolumeIsNotClamped) {
  XmRig rig;
  ASSERT_TRUE(Start(rig, {{C4, 1, 0, 0xC, 0x80}}));
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().volume, 128);
  EXPECT_EQ(rig.Ch().voice->volume, 255);
}

TEST(XmEffects, SetFinetuneChangesTheSampleRecord) {
  XmRig rig;
  ASSERT_TRUE(Start(rig, {{C4, 1, 0, 0xE, 0x53}, {C4, 1, 0, 0, 0}}));
  rig.Tick(1);
  EXPECT_EQ(rig.song->instruments[0].samples[0]->finetune, 3);
  EXPECT_EQ(rig.Ch().period, 4608);  // this row's note was computed before
  rig.Tick(6);
  EXPECT_EQ(rig.Ch().period, LinearPeriod(48, 3));
  EXPECT_EQ(XmEmptySample.finetune, 0);
}

TEST(XmEffects, NoteDelayStartsTheNoteOnItsTick) {
  XmRig rig;
  ASSERT_TRUE(Start(rig, {{C4, 1, 0, 0, 0}, {C5, 1, 0x20, 0xE, 0xD2}}));
  rig.Tick(6);
  TMixVoice* voice = rig.Ch().voice;
  // Same voice, volume, period and voice volume: until tick 2 the values from before the row hold;
  // then a new voice starts the note with the volume column applied.
  EXPECT_EQ(Trace(rig, 3, {1},
                  [&](XmRig& r) {
                    return std::tuple{r.Ch().voice == voice, r.Ch().volume, r.Ch().period, r.Ch().voice->volume};
                  }),
            (std::vector<std::tuple<bool, int, int, int>>{{true, 64, 4608, 128}, {true, 64, 4608, 128},
                                                          {false, 16, 3840, 32}}));
}

TEST(XmEffects, RetriggerAndNoteCut) {
  XmRig rig(2);
  rig.Cell(0, 0) = XmCell{C4, 1, 0, 0xE, 0x92};
  rig.Cell(0, 1) = XmCell{C4, 1, 0, 0xE, 0xC3};
  ASSERT_TRUE(rig.Start());
  rig.Tick(1);
  TMixVoice* first = rig.Ch(0).voice;
  // Ticks 1 to 4: channel 0 retriggers every second tick (onto the partner voice and back); channel 1 is cut on tick 3.
  EXPECT_EQ(Trace(rig, 4, {1}, [&](XmRig& r) { return std::pair{r.Ch(0).voice == first, r.Ch(1).volume}; }),
            (VB{{true, 64}, {false, 64}, {false, 0}, {true, 0}}));
  EXPECT_EQ(rig.Ch(1).voice->volume, 0);
}

TEST(XmEffects, GlobalVolumeAndItsSlide) {
  XmRig rig(2);
  rig.Cell(0, 0) = XmCell{C4, 1, 0, 0, 0};
  const XmCell global[6] = {{0, 0, 0, 16, 0x30}, {0, 0, 0, 17, 0x02}, {0, 0, 0, 17, 0},
                            {0, 0, 0, 17, 0x50}, {0, 0, 0, 17, 0xF0}, {0, 0, 0, 16, 0x80}};
  for (int r = 0; r < 6; ++r) rig.Cell(r, 1) = global[r];
  ASSERT_TRUE(rig.Start());
  EXPECT_EQ(Trace(rig, 6, {6}, [](XmRig& r) { return r.song->globalVolume; }), (V{48, 38, 28, 53, 64, 64}));
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
  ASSERT_TRUE(Start(rig, {{C4, 1, 0, 0, 0}, {0, 0, 0, 21, 5}, {0, 0, 0, 21, 250}}));
  // Finished and output: the values at envelope ticks 5, 6 and 9, then placed beyond the last point.
  auto state = [](XmRig& r) { return std::pair{r.Ch().volEnv.finished, r.Ch().volEnv.output}; };
  EXPECT_EQ(Trace(rig, 4, {8, 1, 3, 1}, state), (VB{{false, 32}, {false, 25}, {false, 6}, {true, 40}}));

  XmRig plain;  // no volume envelope: nothing to place
  ASSERT_TRUE(Start(plain, {{C4, 1, 0, 21, 5}}));
  plain.Tick(1);
  EXPECT_EQ(plain.Ch().volEnv.output, 64);
  EXPECT_EQ(plain.Ch().volEnv.tick, 0);
}

TEST(XmEffects, SetPanningActsAtOnceForTheVoiceTooAndASlideStopsAt255) {
  XmRig rig;
  ASSERT_TRUE(Start(rig, {{C4, 1, 0, 8, 0xFA}, {0, 0, 0, 25, 0x90}, {0, 0, 0, 0xE, 0x8C}}));
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().voice->panning, 0xFA);
  rig.Tick(11);
  EXPECT_EQ(rig.Ch().panning, 255);
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().panning, 0xC0);
  EXPECT_EQ(rig.Ch().voice->panning, 0xC0);
}

TEST(XmEffects, MultiRetriggerVolumeTypes) {
  const int expect[16] = {32, 31, 30, 28, 24, 16, 21, 16, 32, 33, 34, 36, 40, 48, 48, 64};
  for (int type = 0; type < 16; ++type) {
    XmRig rig;
    ASSERT_TRUE(Start(rig, {{C4, 1, 0x30, 27, static_cast<uint8_t>((type << 4) | 2)}}));
    rig.Tick(1);
    TMixVoice* voice = rig.Ch().voice;
    // Tick 1 leaves it; tick 2 retriggers and changes the volume.
    EXPECT_EQ(Trace(rig, 2, {1}, [&](XmRig& r) { return std::pair{r.Ch().voice == voice, r.Ch().volume}; }),
              (VB{{true, 32}, {false, expect[type]}}))
        << type;
  }
}

TEST(XmEffects, TremorAlternatesOnAndOffTimes) {
  XmRig rig;
  ASSERT_TRUE(Start(rig, {{C4, 1, 0, 29, 0x12}, {0, 0, 0, 29, 0}}));  // two ticks on, three off
  EXPECT_EQ(Steps(rig, 12, {1}, &TXmChannel::volumeDelta), (V{0, 0, -64, -64, -64, 0, 0, -64, -64, -64, 0, 0}));
}

TEST(XmEffects, InstrumentBeyondTheCountWorksWithTheEmptyInstrument) {
  XmRig rig;
  ASSERT_TRUE(Start(rig, {{C4, 1, 0, 0, 0}, {C5, 9, 0, 0, 0}}));
  rig.Tick(6);
  TXmSample* own = rig.Ch().sample;
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().instrument, 8);
  EXPECT_EQ(rig.Ch().sample, own);  // the channel's own sample is left as it was
  EXPECT_EQ(rig.Ch().voice->sample, &XmEmptySample);
  EXPECT_EQ(rig.Ch().volume, 0);
  EXPECT_EQ(rig.Ch().period, LinearPeriod(60, 0));
}
