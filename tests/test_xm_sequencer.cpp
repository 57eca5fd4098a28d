// XM pattern playback: row timing, jumps, breaks, loops, delays, key-off and tone portamento.
#include <gtest/gtest.h>

#include "audio/xm_mix.h"
#include "support/xm_rig.h"

namespace {

struct Pos {
  int order, row;
  uint64_t frame;
};

std::vector<Pos> Rows(XmModuleDef& def, double seconds) {
  TXmSong* song = LoadXmBytes(BuildXm(def));
  EXPECT_NE(song, nullptr);
  std::vector<Pos> out;
  if (!song) return out;
  for (const TXmRowStart& r : Timeline(song, seconds)) out.push_back({r.order, r.row, r.frame});
  SongFree(song);
  return out;
}

std::vector<std::pair<int, int>> Path(const std::vector<Pos>& rows, size_t n) {
  std::vector<std::pair<int, int>> out;
  for (size_t i = 0; i < rows.size() && i < n; ++i) out.push_back({rows[i].order, rows[i].row});
  return out;
}

XmModuleDef Song(int patterns, int rows, std::vector<uint8_t> orders) {
  XmModuleDef def;
  def.channels = 2;
  for (int i = 0; i < patterns; ++i) def.AddPattern(rows);
  def.orders = orders;
  return def;
}

using P = std::vector<std::pair<int, int>>;

}  // namespace

TEST(XmSequencer, Speed6At125BpmGivesRowsOf6Times882Frames) {
  XmModuleDef def = Song(1, 8, {0});
  std::vector<Pos> rows = Rows(def, 1.0);
  ASSERT_GE(rows.size(), 8u);
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(rows[i].frame, i * 6 * 882) << i;
  XmRig rig;
  ASSERT_TRUE(rig.Start());
  EXPECT_EQ(rig.song->samplesPerTick, 882);
  SongSetBpm(rig.song, 150);
  EXPECT_EQ(rig.song->samplesPerTick, 735);
  SongSetBpm(rig.song, 32);
  EXPECT_EQ(rig.song->samplesPerTick, 3445);
  SongSetBpm(rig.song, 0);  // never a tick without end
  EXPECT_EQ(rig.song->samplesPerTick, 882);
}

TEST(XmSequencer, BreakAbove63GoesToRowZeroOfTheNextOrder) {
  XmModuleDef def = Song(2, 8, {0, 1});
  def.patterns[0].At(1, 1) = XmCell{0, 0, 0, 0xD, 0x70};
  EXPECT_EQ(Path(Rows(def, 0.5), 4), (P{{0, 0}, {0, 1}, {1, 0}, {1, 1}}));
  def.patterns[0].At(1, 1).param = 0x15;  // decimal digits: row 15 of an 8-row pattern plays row 0
  def.patterns[1] = XmPatternDef{};
  def.patterns[1].rows = 32;
  def.patterns[1].channels = 2;
  def.patterns[1].cells.assign(64, XmCell{});
  EXPECT_EQ(Path(Rows(def, 0.5), 4), (P{{0, 0}, {0, 1}, {1, 15}, {1, 16}}));
}

TEST(XmSequencer, JumpThenBreakInOneRowUsesTheJumpsOrderAndTheBreaksRow) {
  XmModuleDef def = Song(3, 8, {0, 1, 2});
  def.patterns[0].At(0, 0) = XmCell{0, 0, 0, 0xB, 2};
  def.patterns[0].At(0, 1) = XmCell{0, 0, 0, 0xD, 0x05};
  EXPECT_EQ(Path(Rows(def, 0.5), 3), (P{{0, 0}, {2, 5}, {2, 6}}));
  // The break first and the jump after it: the jump decides both.
  def.patterns[0].At(0, 0) = XmCell{0, 0, 0, 0xD, 0x05};
  def.patterns[0].At(0, 1) = XmCell{0, 0, 0, 0xB, 2};
  EXPECT_EQ(Path(Rows(def, 0.5), 3), (P{{0, 0}, {2, 0}, {2, 1}}));
  // A jump beyond the song goes to order 0.
  def.patterns[0].At(0, 0) = XmCell{};
  def.patterns[0].At(0, 1) = XmCell{0, 0, 0, 0xB, 9};
  EXPECT_EQ(Path(Rows(def, 0.5), 2), (P{{0, 0}, {0, 0}}));
}

TEST(XmSequencer, PatternLoopWithTwoRepeatsPlaysTheSectionThreeTimes) {
  XmModuleDef def = Song(1, 4, {0});
  def.patterns[0].At(1, 0) = XmCell{0, 0, 0, 0xE, 0x60};
  def.patterns[0].At(2, 0) = XmCell{0, 0, 0, 0xE, 0x62};
  EXPECT_EQ(Path(Rows(def, 2.0), 9), (P{{0, 0}, {0, 1}, {0, 2}, {0, 1}, {0, 2}, {0, 1}, {0, 2}, {0, 3}, {0, 0}}));
}

TEST(XmSequencer, SpeedZeroMakesEveryTickANewRow) {
  XmModuleDef def = Song(1, 8, {0});
  def.patterns[0].At(0, 0) = XmCell{0, 0, 0, 0xF, 0x00};
  std::vector<Pos> rows = Rows(def, 0.2);
  ASSERT_GE(rows.size(), 5u);
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(rows[i].frame, i * 882);
}

TEST(XmSequencer, TempoAndSpeedChangesAndPatternDelay) {
  XmModuleDef def = Song(1, 8, {0});
  def.patterns[0].At(0, 0) = XmCell{0, 0, 0, 0xF, 150};  // 735 frames a tick from this very tick
  def.patterns[0].At(1, 1) = XmCell{0, 0, 0, 0xF, 3};
  def.patterns[0].At(2, 0) = XmCell{0, 0, 0, 0xE, 0xE2};  // two more rows' worth of ticks
  std::vector<Pos> rows = Rows(def, 1.0);
  ASSERT_GE(rows.size(), 5u);
  EXPECT_EQ(rows[1].frame, 6u * 735);
  EXPECT_EQ(rows[2].frame, 6u * 735 + 3 * 735);
  EXPECT_EQ(rows[3].frame, 6u * 735 + 3 * 735 + 9 * 735);
  EXPECT_EQ(rows[4].frame, 6u * 735 + 3 * 735 + 9 * 735 + 3 * 735);
}

TEST(XmSequencer, SongEndContinuesAtTheRestartPosition) {
  XmModuleDef def = Song(2, 2, {0, 1});
  def.restart = 1;
  EXPECT_EQ(Path(Rows(def, 1.0), 7), (P{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 0}, {1, 1}, {1, 0}}));
}

TEST(XmSequencer, AnOrderWithoutAPatternSlotPlaysEmptyRowsAtOrderZero) {
  XmModuleDef def = Song(1, 4, {7});
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
  XmModuleDef def = Song(2, 4, {0, 1});
  def.patterns[0] = XmPatternDef{};
  def.patterns[0].rows = 32;
  def.patterns[0].channels = 2;
  def.patterns[0].cells.assign(64, XmCell{});
  def.patterns[0].At(20, 0) = XmCell{0, 0, 0, 0xE, 0x60};
  def.patterns[0].At(21, 0) = XmCell{0, 0, 0, 0xD, 0};
  def.patterns[1].At(1, 0) = XmCell{0, 0, 0, 0xE, 0x61};  // loops back to row 20 of a 4-row pattern
  std::vector<Pos> rows = Rows(def, 3.0);
  std::vector<std::pair<int, int>> p = Path(rows, 25);
  ASSERT_GE(p.size(), 25u);
  EXPECT_EQ(p[22], (std::pair<int, int>{1, 0}));
  EXPECT_EQ(p[23], (std::pair<int, int>{1, 1}));
  EXPECT_EQ(p[24], (std::pair<int, int>{1, 0}));  // row 20 does not exist here: row 0
}

TEST(XmSequencer, KeyOffWithoutVolumeEnvelopeSilencesAtOnce) {
  XmRig rig;
  rig.Cell(0) = XmCell{49, 1, 0, 0, 0};
  rig.Cell(1) = XmCell{97, 0, 0, 0, 0};
  ASSERT_TRUE(rig.Start());
  rig.Tick(6);
  EXPECT_EQ(rig.Ch().voice->volume, 128);
  rig.Tick(1);
  EXPECT_TRUE(rig.Ch().keyOff);
  EXPECT_EQ(rig.Ch().volEnv.output, 0);
  EXPECT_EQ(rig.Ch().voice->volume, 0);
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
