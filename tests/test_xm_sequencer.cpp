// XM pattern playback: row timing, speed and tempo, jumps, breaks, loops and the song's end.
#include <gtest/gtest.h>

#include "audio/xm_render.h"
#include "support/xm_builder.h"

namespace {

using P = std::vector<std::pair<int, int>>;
using F = std::vector<uint64_t>;

// Two channels, an empty pattern of each of the given row counts, and the order list.
XmModuleDef Song(std::vector<int> rows, std::vector<uint8_t> orders) {
  XmModuleDef def;
  def.channels = 2;
  for (int r : rows) def.AddPattern(r);
  def.orders = orders;
  return def;
}

// The rows an offline render of the given length starts, as (order, row) pairs and their frames.
std::pair<P, F> Rows(const XmModuleDef& def, double seconds) {
  TXmSong* song = LoadXmBytes(BuildXm(def));
  EXPECT_NE(song, nullptr);
  TXmRender r;
  if (song) RenderSong(song, seconds, r), SongFree(song);
  std::pair<P, F> out;
  for (const TXmRowStart& row : r.rows) out.first.push_back({row.order, row.row}), out.second.push_back(row.frame);
  return out;
}

P Path(const XmModuleDef& def, double seconds, size_t n) {
  P p = Rows(def, seconds).first;
  return P(p.begin(), p.begin() + std::min(n, p.size()));
}

F Frames(const XmModuleDef& def, double seconds, size_t n) {
  F f = Rows(def, seconds).second;
  return F(f.begin(), f.begin() + std::min(n, f.size()));
}

}  // namespace

TEST(XmSequencer, Speed6At125BpmGivesRowsOf6Times882Frames) {
  EXPECT_EQ(Frames(Song({8}, {0}), 1.0, 4), (F{0, 6 * 882, 12 * 882, 18 * 882}));
  XmRig rig;
  ASSERT_TRUE(rig.Start());
  EXPECT_EQ(rig.song->samplesPerTick, 882);
  const struct { int bpm, frames; } tempos[] = {{150, 735}, {32, 3445}, {0, 882}};  // 0: never an endless tick
  for (const auto& t : tempos) {
    SongSetBpm(rig.song, t.bpm);
    EXPECT_EQ(rig.song->samplesPerTick, t.frames) << t.bpm;
  }
}

TEST(XmSequencer, JumpsBreaksAndLoops) {
  const XmCell D70{0, 0, 0, 0xD, 0x70}, D15{0, 0, 0, 0xD, 0x15}, D05{0, 0, 0, 0xD, 0x05}, B2{0, 0, 0, 0xB, 2};
  const XmCell E60{0, 0, 0, 0xE, 0x60}, E62{0, 0, 0, 0xE, 0x62};
  const struct {
    const char* what;
    std::vector<int> rows;
    // Cells as (pattern, row, channel).
    std::vector<std::tuple<int, int, int, XmCell>> cells;
    P path;
  } cases[] = {
      {"a break above 63 goes to row 0 of the next order", {8, 128}, {{0, 1, 1, D70}}, {{0, 0}, {0, 1}, {1, 0}, {1, 1}}},
      {"break rows are decimal digits", {8, 128}, {{0, 1, 1, D15}}, {{0, 0}, {0, 1}, {1, 15}, {1, 16}}},
      {"a jump then a break: the jump's order, the break's row", {8, 8, 8}, {{0, 0, 0, B2}, {0, 0, 1, D05}},
       {{0, 0}, {2, 5}, {2, 6}}},
      {"a break then a jump: the jump decides both", {8, 8, 8}, {{0, 0, 0, D05}, {0, 0, 1, B2}}, {{0, 0}, {2, 0}, {2, 1}}},
      {"a jump beyond the song goes to order 0", {8, 8, 8}, {{0, 0, 1, {0, 0, 0, 0xB, 9}}}, {{0, 0}, {0, 0}}},
      {"a loop with two repeats plays the section three times", {4}, {{0, 1, 0, E60}, {0, 2, 0, E62}},
       {{0, 0}, {0, 1}, {0, 2}, {0, 1}, {0, 2}, {0, 1}, {0, 2}, {0, 3}, {0, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> orders;
    for (size_t i = 0; i < c.rows.size(); ++i) orders.push_back(static_cast<uint8_t>(i));
    XmModuleDef def = Song(c.rows, orders);
    for (const auto& [pattern, row, channel, cell] : c.cells) def.patterns[pattern].At(row, channel) = cell;
    EXPECT_EQ(Path(def, 2.0, c.path.size()), c.path);
  }
}

TEST(XmSequencer, SetSpeedWithParameterZeroChangesNothing) {
  XmModuleDef def = Song({8}, {0});
  def.patterns[0].At(0, 0) = XmCell{0, 0, 0, 0xF, 0x02};
  def.patterns[0].At(1, 1) = XmCell{0, 0, 0, 0xF, 0x00};
  EXPECT_EQ(Frames(def, 0.2, 5), (F{0, 2 * 882, 4 * 882, 6 * 882, 8 * 882}));
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
  EXPECT_EQ(song->patternSlots, 1);
  SongFree(song);
  const P p = Path(def, 5.0, 66);
  ASSERT_EQ(p.size(), 66u);
  EXPECT_EQ(P(p.begin() + 63, p.end()), (P{{0, 63}, {0, 0}, {0, 1}}));
}

TEST(XmSequencer, LoopStartFromALongerPatternIsKeptInsideAShortOne) {
  XmModuleDef def = Song({32, 4}, {0, 1});
  def.patterns[0].At(20, 0) = XmCell{0, 0, 0, 0xE, 0x60};
  def.patterns[0].At(21, 0) = XmCell{0, 0, 0, 0xD, 0};
  def.patterns[1].At(1, 0) = XmCell{0, 0, 0, 0xE, 0x61};  // loops back to row 20 of a 4-row pattern
  const P p = Path(def, 3.0, 25);
  ASSERT_EQ(p.size(), 25u);
  EXPECT_EQ(P(p.begin() + 22, p.end()), (P{{1, 0}, {1, 1}, {1, 0}}));  // row 20 does not exist here: row 0
}
