// Offline rendering and render-xm: lengths, the row timeline against hand-computed times, stereo sides, errors.

#include "audio/xm_render.h"
#include "support/test_env.h"
#include "support/tool_run.h"
#include "support/xm_builder.h"

namespace {

using V = std::vector<int64_t>;

// Speed and tempo changes, a pattern delay, a pattern loop, a break and a jump back.
XmModuleDef TimingSong() {
  XmModuleDef def;
  def.channels = 2;
  AddSimpleInstrument(def, FlatSample(3000, 4000), true, 1, 0, 3000);
  XmPatternDef& a = def.AddPattern(8);
  a.At(0, 0) = XmCell{49, 1, 0, 0xF, 3};    // speed 3
  a.At(2, 1) = XmCell{0, 0, 0, 0xF, 150};   // 150 BPM: 735 frames a tick
  a.At(3, 0) = XmCell{0, 0, 0, 0xE, 0xE1};  // 3 more ticks
  a.At(4, 0) = XmCell{0, 0, 0, 0xE, 0x60};  // loop start
  a.At(5, 0) = XmCell{0, 0, 0, 0xE, 0x61};  // once more
  a.At(6, 1) = XmCell{0, 0, 0, 0xD, 0x02};  // row 2 of the next order
  def.AddPattern(4).At(3, 0) = XmCell{0, 0, 0, 0xB, 0};  // back to order 0: the pass ends here
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

// Renders the module's bytes; the song is freed.
TXmRender Render(const std::vector<uint8_t>& bytes, double seconds) {
  TXmRender r;
  TXmSong* song = LoadXmBytes(bytes);
  EXPECT_TRUE(song && RenderSong(song, seconds, r));
  SongFree(song);
  return r;
}

// render-xm on a file of the scratch folder with the given arguments; its exit status, its output in `out`.
int RenderXm(const ScratchDir& dir, const std::string& args, std::string& out) {
  return RunTool(DataTool() + " render-xm " + dir.Path() + "/" + args, out);
}

}  // namespace

TEST(XmRender, FixedLengthAndTheTenMinuteCap) {
  XmModuleDef def = TimingSong();
  def.patterns[1].At(3, 0) = XmCell{0, 0, 0, 0xB, 1};  // order 1 forever: never ends by itself
  const TXmRender r = Render(BuildXm(def), 0.25);
  EXPECT_EQ(r.frames, 11025u);
  EXPECT_EQ(r.rows.back().frame, 7497u);  // rows starting inside the quarter second
  // The jump to order 1 at its own position closes the pass, so no cap is needed here;
  // a song with speed 0xFFFF would be cut at ten minutes instead.
  EXPECT_TRUE(Render(BuildXm(def), 0).endedWithSong);
  XmModuleDef slow;
  slow.tempo = 0xFFFF, slow.bpm = 32;
  slow.AddPattern(1);
  TXmSong* song = LoadXmBytes(BuildXm(slow));
  ASSERT_NE(song, nullptr);
  int blocks = 0;
  TXmRender counted;
  counted.sink = [](const int16_t*, uint32_t, void* ctx) { ++*static_cast<int*>(ctx); };
  counted.sinkCtx = &blocks;
  ASSERT_TRUE(RenderSong(song, 0, counted));
  SongFree(song);
  EXPECT_EQ(std::tuple(counted.endedWithSong, counted.frames, counted.pcm.empty()),
            std::tuple(false, uint64_t{600 * 44100}, true));
  EXPECT_GT(blocks, 29000);
}

TEST(RenderXmCommand, WritesTheWavAndPrintsTheTimeline) {
  if (DataTool().empty()) GTEST_SKIP() << "the halvrost-data tool is not built";
  ScratchDir dir;
  WriteBytes(dir.File("timing.xm"), BuildXm(TimingSong()));
  std::string out, expect;
  ASSERT_EQ(RenderXm(dir, "timing.xm " + dir.File("out.wav") + " --timeline", out), 0);
  for (const auto& e : kExpected) {
    char line[64];
    std::snprintf(line, sizeof line, "%.3f %d %d\n", e.frame * 1000.0 / 44100, e.order, e.row);
    expect += line;
  }
  EXPECT_EQ(out, expect);
  EXPECT_NE(out.find("570.000 1 3\n"), std::string::npos);
  const std::vector<uint8_t> wav = ReadBytes(dir.File("out.wav"));
  ASSERT_EQ(wav.size(), 44u + 27342 * 4);
  auto le32 = [&](size_t at) { return wav[at] | wav[at + 1] << 8 | wav[at + 2] << 16 | int64_t{wav[at + 3]} << 24; };
  // The rate, the data size, two channels and 16 bits.
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ((V{le32(24), le32(40), wav[22], wav[34]}), (V{44100, 27342 * 4, 2, 16}));
  ASSERT_EQ(RenderXm(dir, "timing.xm " + dir.File("half.wav") + " --seconds 0.5", out), 0);
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
  const TXmRender r = Render(bytes, 0.1);
  for (size_t f = 128; f < r.frames; ++f) {  // after the 128-frame ramp: volume 128 of 255 on one side
    ASSERT_EQ(r.pcm[2 * f], 4016) << f;
    ASSERT_EQ(r.pcm[2 * f + 1], -2008) << f;
  }
  if (DataTool().empty()) GTEST_SKIP() << "the halvrost-data tool is not built";
  ScratchDir dir;
  WriteBytes(dir.File("pan.xm"), bytes);
  std::string out;
  ASSERT_EQ(RenderXm(dir, "pan.xm " + dir.File("pan.wav") + " --seconds 0.1", out), 0);
  const std::vector<uint8_t> wav = ReadBytes(dir.File("pan.wav"));
  ASSERT_EQ(wav.size(), 44 + r.pcm.size() * 2);
  EXPECT_EQ(std::memcmp(wav.data() + 44, r.pcm.data(), r.pcm.size() * 2), 0);
}

TEST(RenderXmCommand, ARefusedFileIsOneLineOnStandardErrorAndStatusOne) {
  if (DataTool().empty()) GTEST_SKIP() << "the halvrost-data tool is not built";
  ScratchDir dir;
  XmModuleDef def;
  def.channels = 40;
  def.AddPattern(4);
  WriteBytes(dir.File("wide.xm"), BuildXm(def));
  std::string err;
  EXPECT_EQ(RenderXm(dir, "wide.xm " + dir.File("o.wav") + " 2>&1 >/dev/null", err), 1);
  EXPECT_NE(err.find("40 channels"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
  EXPECT_EQ(RenderXm(dir, "none.xm " + dir.File("o.wav") + " 2>&1 >/dev/null", err), 1);
  EXPECT_NE(err.find("cannot read"), std::string::npos) << err;
  EXPECT_EQ(RenderXm(dir, "wide.xm 2>/dev/null", err), 2);  // no output file
  EXPECT_EQ(RunTool(DataTool() + " render-xm a.xm b.wav --seconds -3 2>/dev/null", err), 2);
}
