// Offline rendering and render-xm: lengths, the row timeline against hand-computed times, stereo sides, errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "audio/xm_render.h"
#include "support/test_env.h"
#include "support/tool_run.h"
#include "support/xm_rig.h"

namespace {

// Speed and tempo changes, a pattern delay, a pattern loop, a break and a jump back.
XmModuleDef TimingSong() {
  XmModuleDef def;
  def.channels = 2;
  AddSimpleInstrument(def, FlatSample(3000, 4000), true, 1, 0, 3000);
  XmPatternDef& a = def.AddPattern(8);
  a.At(0, 0) = XmCell{49, 1, 0, 0xF, 3};     // speed 3
  a.At(2, 1) = XmCell{0, 0, 0, 0xF, 150};    // 150 BPM: 735 frames a tick
  a.At(3, 0) = XmCell{0, 0, 0, 0xE, 0xE1};   // 3 more ticks
  a.At(4, 0) = XmCell{0, 0, 0, 0xE, 0x60};   // loop start
  a.At(5, 0) = XmCell{0, 0, 0, 0xE, 0x61};   // once more
  a.At(6, 1) = XmCell{0, 0, 0, 0xD, 0x02};   // row 2 of the next order
  XmPatternDef& b = def.AddPattern(4);
  b.At(3, 0) = XmCell{0, 0, 0, 0xB, 0};      // back to order 0: the pass ends here
  def.orders = {0, 1};
  return def;
}

// Worked out by hand from the rules: 882 frames a tick at 125 BPM, 735 at 150.
//   (0,0) 0       3 ticks x 882            (0,4) 11907  loop start, 3 x 735
//   (0,1) 2646    3 x 882                  (0,5) 14112  E61 jumps back to row 4
//   (0,2) 5292    tempo 150: 3 x 735       (0,4) 16317
//   (0,3) 7497    EE1: (3 + 3) x 735       (0,5) 18522  count runs out
//   (0,6) 20727   D02                      (1,2) 22932
//   (1,3) 25137   B00: ends at 27342
const struct { uint64_t frame; int order, row; } kExpected[] = {
    {0, 0, 0},     {2646, 0, 1},  {5292, 0, 2},  {7497, 0, 3},  {11907, 0, 4}, {14112, 0, 5},
    {16317, 0, 4}, {18522, 0, 5}, {20727, 0, 6}, {22932, 1, 2}, {25137, 1, 3},
};

}  // namespace

TEST(XmRender, TimelineMatchesTheHandComputedRowTimes) {
  TXmSong* song = LoadXmBytes(BuildXm(TimingSong()));
  ASSERT_NE(song, nullptr);
  TXmRender r;
  ASSERT_TRUE(RenderSong(song, 0, r));
  SongFree(song);
  ASSERT_EQ(r.rows.size(), std::size(kExpected));
  for (size_t i = 0; i < r.rows.size(); ++i) {
    EXPECT_EQ(r.rows[i].frame, kExpected[i].frame) << i;
    EXPECT_EQ(r.rows[i].order, kExpected[i].order) << i;
    EXPECT_EQ(r.rows[i].row, kExpected[i].row) << i;
  }
  EXPECT_TRUE(r.endedWithSong);
  EXPECT_EQ(r.frames, 27342u);
  EXPECT_EQ(r.pcm.size(), 2u * 27342);
}

TEST(XmRender, FixedLengthAndTheTenMinuteCap) {
  XmModuleDef def = TimingSong();
  def.patterns[1].At(3, 0) = XmCell{0, 0, 0, 0xB, 1};  // order 1 forever: never ends by itself
  TXmSong* song = LoadXmBytes(BuildXm(def));
  ASSERT_NE(song, nullptr);
  TXmRender r;
  ASSERT_TRUE(RenderSong(song, 0.25, r));
  EXPECT_EQ(r.frames, 11025u);
  EXPECT_EQ(r.rows.back().frame, 7497u);  // rows starting inside the quarter second
  // The jump to order 1 at its own position closes the pass, so no cap is needed here;
  // a song with speed 0xFFFF would be cut at ten minutes instead.
  ASSERT_TRUE(RenderSong(song, 0, r));
  EXPECT_TRUE(r.endedWithSong);
  SongFree(song);
  XmModuleDef slow;
  slow.tempo = 0xFFFF;
  slow.bpm = 32;
  slow.AddPattern(1);
  song = LoadXmBytes(BuildXm(slow));
  ASSERT_NE(song, nullptr);
  int blocks = 0;
  r.sink = [](const int16_t*, uint32_t, void* ctx) { ++*static_cast<int*>(ctx); };
  r.sinkCtx = &blocks;
  ASSERT_TRUE(RenderSong(song, 0, r));
  EXPECT_FALSE(r.endedWithSong);
  EXPECT_EQ(r.frames, 600u * 44100);
  EXPECT_TRUE(r.pcm.empty());
  EXPECT_GT(blocks, 29000);
  SongFree(song);
}

TEST(RenderXmCommand, WritesTheWavAndPrintsTheTimeline) {
  const std::string tool = DataTool();
  if (tool.empty()) GTEST_SKIP() << "the halvrost-data tool is not built";
  XmScratch dir;
  dir.Write("timing.xm", BuildXm(TimingSong()));
  std::string out;
  ASSERT_EQ(RunTool(tool + " render-xm " + dir.File("timing.xm") + " " + dir.File("out.wav") + " --timeline", out), 0);
  std::string expect;
  for (const auto& e : kExpected) {
    char line[64];
    std::snprintf(line, sizeof line, "%.3f %d %d\n", e.frame * 1000.0 / 44100, e.order, e.row);
    expect += line;
  }
  EXPECT_EQ(out, expect);
  EXPECT_NE(out.find("570.000 1 3\n"), std::string::npos);
  const std::vector<uint8_t> wav = ReadBytes(dir.File("out.wav"));
  ASSERT_EQ(wav.size(), 44u + 27342 * 4);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  auto le32 = [&](size_t at) { return wav[at] | (wav[at + 1] << 8) | (wav[at + 2] << 16) | (uint32_t(wav[at + 3]) << 24); };
  EXPECT_EQ(le32(24), 44100u);
  EXPECT_EQ(le32(40), 27342u * 4);
  EXPECT_EQ(wav[22], 2);
  EXPECT_EQ(wav[34], 16);

  ASSERT_EQ(RunTool(tool + " render-xm " + dir.File("timing.xm") + " " + dir.File("half.wav") + " --seconds 0.5", out), 0);
  EXPECT_TRUE(out.empty());
}

// Channel 0 (+8000) panned to 0 and channel 1 (-4000) to 255: each side hears one channel,
// the left one first in every frame, in the render and in the WAV file alike.
TEST(RenderXmCommand, PanningZeroIsHardLeftAnd255HardRight) {
  XmModuleDef def;
  def.channels = 2;
  AddSimpleInstrument(def, FlatSample(3000, 8000), true, 1, 0, 3000);
  AddSimpleInstrument(def, FlatSample(3000, -4000), true, 1, 0, 3000);
  XmPatternDef& p = def.AddPattern(8);
  p.At(0, 0) = XmCell{49, 1, 0, 0x8, 0x00};
  p.At(0, 1) = XmCell{49, 2, 0, 0x8, 0xFF};
  const std::vector<uint8_t> bytes = BuildXm(def);
  TXmSong* song = LoadXmBytes(bytes);
  ASSERT_NE(song, nullptr);
  TXmRender r;
  ASSERT_TRUE(RenderSong(song, 0.1, r));
  SongFree(song);
  for (size_t f = 128; f < r.frames; ++f) {  // after the 128-frame ramp: volume 128 of 255 on one side
    ASSERT_EQ(r.pcm[2 * f], 4016) << f;
    ASSERT_EQ(r.pcm[2 * f + 1], -2008) << f;
  }
  const std::string tool = DataTool();
  if (tool.empty()) GTEST_SKIP() << "the halvrost-data tool is not built";
  XmScratch dir;
  dir.Write("pan.xm", bytes);
  std::string out;
  ASSERT_EQ(RunTool(tool + " render-xm " + dir.File("pan.xm") + " " + dir.File("pan.wav") + " --seconds 0.1", out), 0);
  const std::vector<uint8_t> wav = ReadBytes(dir.File("pan.wav"));
  ASSERT_EQ(wav.size(), 44 + r.pcm.size() * 2);
  EXPECT_EQ(std::memcmp(wav.data() + 44, r.pcm.data(), r.pcm.size() * 2), 0);
}

TEST(RenderXmCommand, ARefusedFileIsOneLineOnStandardErrorAndStatusOne) {
  const std::string tool = DataTool();
  if (tool.empty()) GTEST_SKIP() << "the halvrost-data tool is not built";
  XmScratch dir;
  XmModuleDef def;
  def.channels = 40;
  def.AddPattern(4);
  dir.Write("wide.xm", BuildXm(def));
  std::string err;
  EXPECT_EQ(RunTool(tool + " render-xm " + dir.File("wide.xm") + " " + dir.File("o.wav") + " 2>&1 >/dev/null", err), 1);
  EXPECT_NE(err.find("40 channels"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
  EXPECT_EQ(RunTool(tool + " render-xm " + dir.File("none.xm") + " " + dir.File("o.wav") + " 2>&1 >/dev/null", err), 1);
  EXPECT_NE(err.find("cannot read"), std::string::npos) << err;
  EXPECT_EQ(RunTool(tool + " render-xm " + dir.File("wide.xm") + " 2>/dev/null", err), 2);
  EXPECT_EQ(RunTool(tool + " render-xm a.xm b.wav --seconds -3 2>/dev/null", err), 2);
}
