// XM pattern playback: row timing, jumps, breaks, loops, delays, key-off and tone portamento.
#include <gtest/gtest.h>

#include "audio/xm_mix.h"
#include "support/xm_rig.h"

namespace {

using P = std::vector<std::pair<int, int>>;

// Two channels, an empty pattern of each of the given row counts, and the order list.
XmModuleDef Song(std::vector<int> rows, std::vector<uint8_t> orders) {
  XmModuleDef def;
  def.channels = 2;
  for (int r : rows) def.AddPattern(r);
  def.orders = orders;
  return def;
}

// The first n rows an offline render of the given length starts.
std::vector<TXmRowStart> Rows(const XmModuleDef& def, double seconds, size_t n) {
  TXmSong* song = LoadXmBytes(BuildXm(def));
  EXPECT_NE(song, nullptr);
  if (!song) return {};
  std::vector<TXmRowStart> rows = Timeline(song, seconds);
  SongFree(song);
  if (rows.size() > n) rows.resize(n);
  return rows;
}

P Path(const XmModuleDef& def, double seconds, size_t n) {
  P out;
  for (const TXmRowStart& r : Rows(def, seconds, n)) out.push_back({r.order, r.row});
  return out;
}

std::vector<uint64_t> Frames(const XmModuleDef& def, double seconds, size_t n) {
  std::vector<uint64_t> out;
  for (const TXmRowStart& r : Rows(def, seconds, n)) out.push_back(r.frame);
  return out;
}

}  // namespace

TEST(XmSequencer, Speed6At125BpmGivesRowsOf6Times882Frames) {
  EXPECT_EQ(Frames(Song({8}, {0}), 1.0, 4), (std::vector<uint64_t>{0, 6 * 882, 12 * 882, 18 * 882}));
  XmRig rig;
  ASSERT_TRUE(rig.Start());
  EXPECT_EQ(rig.song->samplesPerTick, 882);
  const struct { int bpm, frames; } tempos[] = {{150, 735}, {32, 3445}, {0, 882}};  // 0: never an endless tick
  for (const auto& t : tempos) {
    SongSetBpm(rig.song, t.bpm);
    EXPECT_EQ(rig.song->samplesPerTick, t.frames) << t.bpm;
  }
}

TEST(XmSequencer, BreakAbove63GoesToRowZeroOfTheNextOrder) {
  XmModuleDef def = Song({8, 128}, {0, 1});  // a next pattern long enough to hold row 70
  def.patterns[0].At(1, 1) = XmCell{0, 0, 0, 0xD, 0x70};
  EXPECT_EQ(Path(def, 0.5, 4), (P{{0, 0}, {0, 1}, {1, 0}, {1, 1}}));
  def.patterns[0].At(1, 1).param = 0x15;  // decimal digits: row 15
  EXPECT_EQ(Path(def, 0.5, 4), (P{{0, 0}, {0, 1}, {1, 15}, {1, 16}}));
}

TEST(XmSequencer, JumpThenBreakInOneRowUsesTheJumpsOrderAndTheBreaksRow) {
  XmModuleDef def = Song({8, 8, 8}, {0, 1, 2});
  def.patterns[0].At(0, 0) = XmCell{0, 0, 0, 0xB, 2};
  def.patterns[0].At(0, 1) = XmCell{0, 0, 0, 0xD, 0x05};
  EXPECT_EQ(Path(def, 0.5, 3), (P{{0, 0}, {2, 5}, {2, 6}}));
  // The break first and the jump after it: the jump decides both.
  def.patterns[0].At(0, 0) = XmCell{0, 0, 0, 0xD, 0x05};
  def.patterns[0].At(0, 1) = XmCell{0, 0, 0, 0xB, 2};
  EXPECT_EQ(Path(def, 0.5, 3), (P{{0, 0}, {2, 0}, {2, 1}}));
  // A jump beyond the song goes to order 0.
  def.patterns[0].At(0, 0) = XmCell{};
  def.patterns[0].At(0, 1) = XmCell{0, 0, 0, 0xB, 9};
  EXPECT_EQ(Path(def, 0.5, 2), (P{{0, 0}, {0, 0}}));
}

TEST(XmSequencer, PatternLoopWithTwoRepeatsPlaysTheSectionThreeTimes) {
  XmModuleDef def = Song({4}, {0});
  def.patterns[0].At(1, 0) = XmCell{0, 0, 0, 0xE, 0x60};
  def.patterns[0].At(2, 0) = XmCell{0, 0, 0, 0xE, 0x62};
  EXPECT_EQ(Path(def, 2.0, 9), (P{{0, 0}, {0, 1}, {0, 2}, {0, 1}, {0, 2}, {0, 1}, {0, 2}, {0, 3}, {0, 0}}));
}

TEST(XmSequencer, SetSpeedWithParameterZeroChangesNothing) {
  XmModuleDef def = Song({8}, {0});
  def.patterns[0].At(0, 0) = XmCell{0, 0, 0, 0xF, 0x02};
  def.patterns[0].At(1, 1) = XmCell{0, 0, 0, 0xF, 0x00};
  EXPECT_EQ(Frames(def, 0.2, 5), (std::vector<uint64_t>{0, 2 * 882, 4 * 882, 6 * 882, 8 * 882}));
}

TEST(XmSequencer, SongEndContinuesAtTheRestartPosition) {
  XmModuleDef def = Song({2, 2}, {0, 1});
  def.restart = 1;
  EXPECT_EQ(Path(def, 1.0, 7), (P{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 0}, {1, 1}, {1, 0}}));
}

TEST(XmSequencer, AnOrderWithoutAPatternSlotPlaysEmptyRowsAtOrderZero) {
  XmModuleDef def = Song({4}, {7});
  def.songLengthOverride = 0;  // so order 0's entry does not count towards the slots
  def.tempo = 1;
  TXmSong* song = LoadXmBytes(BuildXm(def));
  ASSERT_NE(song, nullptr);
  ASSERT_EQ(song->patternSlots, 1);
  std::vector<TXmRowStart> rows = Timeline(song, 5.0);
  ASSERT_GE(rows.size(), 66u);
  EXPECT_EQ(rows[63].row, 63);
  EXPECT_EQ(rows[64].order, 0);
  EXPECT_EQ(rows[64].row, 0);
  SongFree(song);
}

TEST(XmSequencer, LoopStartFromALongerPatternIsKeptInsideAShortOne) {
  XmModuleDef def = Song({32, 4}, {0, 1});
  def.patterns[0].At(20, 0) = XmCell{0, 0, 0, 0xE, 0x60};
  def.patterns[0].At(21, 0) = XmCell{0, 0, 0, 0xD, 0};
  def.patterns[1].At(1, 0) = XmCell{0, 0, 0, 0xE, 0x61};  // loops back to row 20 of a 4-row pattern
  const P p = Path(def, 3.0, 25);
  ASSERT_EQ(p.size(), 25u);
  // Row 20 does not exist here: row 0.
  EXPECT_EQ(P(p.begin() + 22, p.end()), (P{{1, 0}, {1, 1}, {1, 0}}));
}

TEST(XmSequencer, KeyOffWithoutVolumeEnvelopeSilencesAtOnce) {
  // The key-off note, and the K effect whatever its parameter.
  for (const XmCell off : {XmCell{97, 0, 0, 0, 0}, XmCell{0, 0, 0, 20, 0x05}}) {
    XmRig rig;
    rig.Cell(0) = XmCell{49, 1, 0, 0, 0};
    rig.Cell(1) = off;
    ASSERT_TRUE(rig.Start());
    rig.Tick(6);
    EXPECT_EQ(rig.Ch().voice->volume, 128);
    rig.Tick(1);
    EXPECT_TRUE(rig.Ch().keyOff) << int(off.effect);
    EXPECT_EQ(rig.Ch().volEnv.output, 0) << int(off.effect);
    EXPECT_EQ(rig.Ch().voice->volume, 0) << int(off.effect);
  }
}

TEST(XmSequencer, KeyOffReleasesTheEnvelopeFromItsSustainAndFadesOut) {
  XmRig rig;
  XmInstrumentDef& in = rig.def.instruments[0];
  in.volume.points = {{0, 64}, {2, 32}, {6, 0}};
  in.volume.type = 3;
  in.volume.sustain = 1;
  in.fadeout = 1000;
  rig.Cell(0) = XmCell{49, 1, 0, 0, 0};
  rig.Cell(2) = XmCell{0, 0, 0, 20, 0x33};  // K: key-off whatever the parameter
  ASSERT_TRUE(rig.Start());
  rig.Tick(12);
  EXPECT_EQ(rig.Ch().volEnv.output, 32);  // held at the sustain point
  EXPECT_EQ(rig.Ch().fadeoutVolume, 65536);
  rig.Tick(1);
  EXPECT_TRUE(rig.Ch().keyOff);
  EXPECT_EQ(rig.Ch().fadeoutVolume, 65536 - 2000);
  const int expect[4] = {24, 16, 8, 0};
  for (int e : expect) {
    rig.Tick(1);
    EXPECT_EQ(rig.Ch().volEnv.output, e);
  }
  EXPECT_EQ(rig.Ch().fadeoutVolume, 65536 - 5 * 2000);
  rig.Tick(60);
  EXPECT_EQ(rig.Ch().fadeoutVolume, 0);
  EXPECT_TRUE(rig.Ch().volEnv.finished);
}

TEST(XmSequencer, KeyOffAfterTheEnvelopeFinishedHoldsItsLastValueAndFadesOut) {
  XmRig rig;
  XmInstrumentDef& in = rig.def.instruments[0];
  in.volume.points = {{0, 64}, {4, 48}};  // sustain on the last point, reached long before the key-off
  in.volume.type = 3;
  in.volume.sustain = 1;
  in.fadeout = 4096;  // 8192 a tick: silent 8 ticks after the key-off, across the next row start
  rig.Cell(0) = XmCell{49, 1, 0, 0, 0};
  rig.Cell(2) = XmCell{97, 0, 0, 0, 0};
  ASSERT_TRUE(rig.Start());
  rig.Tick(12);
  ASSERT_TRUE(rig.Ch().volEnv.finished);
  int previous = rig.Ch().voice->volume;
  for (int t = 1; t <= 8; ++t) {
    rig.Tick(1);
    EXPECT_EQ(rig.Ch().volEnv.output, 48) << t;
    EXPECT_EQ(rig.Ch().fadeoutVolume, 65536 - t * 8192) << t;
    EXPECT_LT(rig.Ch().voice->volume, previous) << t;
    if (t < 8) {
      EXPECT_GT(rig.Ch().voice->volume, 0) << t;
    }
    previous = rig.Ch().voice->volume;
  }
  EXPECT_EQ(previous, 0);
}

TEST(XmSequencer, TonePortamentoKeepsTheSampleAndSlides) {
  XmRig rig;
  rig.Cell(0) = XmCell{49, 1, 0, 0, 0};
  rig.Cell(1) = XmCell{61, 1, 0, 0x3, 0x10};
  rig.Cell(2) = XmCell{0, 0, 0, 0x3, 0};  // the speed is remembered
  rig.Cell(3) = XmCell{0, 0, 0, 0x3, 0};
  ASSERT_TRUE(rig.Start());
  rig.Tick(6);
  TMixVoice* voice = rig.Ch().voice;
  int32_t pos = voice->position;
  rig.Tick(1);
  EXPECT_EQ(rig.Ch().voice, voice);  // no trigger: same voice, same sample, playing on
  EXPECT_EQ(voice->position, pos);
  EXPECT_EQ(rig.Ch().note, 48);
  EXPECT_EQ(rig.Ch().period, 4608);
  EXPECT_EQ(rig.Ch().notePeriod, 3840);
  for (int t = 1; t <= 5; ++t) {
    rig.Tick(1);
    EXPECT_EQ(rig.Ch().period, 4608 - 64 * t);
  }
  rig.Tick(6 * 2);
  EXPECT_EQ(rig.Ch().period, 3840);  // arrives, never past
}
