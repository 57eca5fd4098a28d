// The check command end to end: facts for good files, a named reason for damaged ones, never a crash.

#include <sstream>

#include "support/game_env.h"
#include "support/image_files.h"
#include "support/tool_run.h"
#include "support/wave_files.h"
#include "support/xm_builder.h"

namespace {

using Bytes = std::vector<uint8_t>;

class DataCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    tool_ = DataTool();
    if (tool_.empty()) GTEST_SKIP() << "the halvrost-data tool is not built";
  }
  // Writes the files and runs check on them; returns the exit status, out gets what it printed.
  int Run(const std::vector<std::pair<std::string, Bytes>>& files, std::string& out) {
    std::string args;
    for (const auto& [name, bytes] : files)
      WriteBytes(dir_.File(name), bytes), args.append(" ").append(dir_.File(name));
    return RunTool(tool_ + " check" + args, out);
  }
  std::string tool_;
  ScratchDir dir_;
};

Bytes Cut(Bytes b, size_t n) { return b.resize(std::min(n, b.size())), b; }

Bytes Wave(uint16_t channels, bool hugeLength, size_t bytes) {
  WaveLayout w;
  w.channels = channels, w.overrideLength = hugeLength, w.length = 0x7FFFFFFF;
  return MakeWave(w, Bytes(bytes));
}

Bytes Xm() {
  XmModuleDef def;
  def.channels = 4, def.orders = {0, 0};
  AddSimpleInstrument(def, FlatSample(100, 1000), false, 1, 0, 0);
  return def.AddPattern(16), BuildXm(def);
}

Bytes Scores(uint8_t nameLength) {
  Bytes b(209, 0);
  b[0] = nameLength, b[1] = 'A', b[2] = 'd', b[3] = 'a';
  b[17 + 20] = 0x10, b[17 + 21] = 0x27;  // 10000
  return b;
}

// Each file alone: status 0 with one "OK ..." line naming its facts, or status 1 with one
// "BAD ..." line naming the reason.
TEST_F(DataCheck, GoodFilesGiveTheirFactsDamagedOnesTheReason) {
  const Bytes grey(8 * 8 * 3, 64);
  const std::tuple<const char*, Bytes, int, const char*> cases[] = {
      {"a.tga", TestTga(4, 2, 1, 2, 3, 255), 0, "width=4 height=2 bits=32"},
      {"b.jpg", MakeJpeg(8, 8, grey), 0, "width=8 height=8 bits=24"},
      {"map1_height.jpg", MakeJpeg(8, 8, grey, 3, 100), 0, "triangles=98 min_height=8.000 max_height=8.000"},
      {"m.zrm", TestZrm1(3, 4, 2.0f), 0, "format=ZRM1 meshes=3 frames=4"},
      {"g.zrm", TestZrm2(2), 0, "format=ZRM2 meshes=2"},
      {"s.wav", TestWav(100), 0, "channels=1 rate=22050 bits=16 frames=2205"},
      {"t.xm", Xm(), 0, "channels=4 orders=2 patterns=1 instruments=1 samples=1"},
      {"score.dat", Scores(3), 0, "entries=8 best=10000 name=\"Ada\""},
      {"a.tga", Cut(TestTga(16, 16, 1, 2, 3, 4), 30), 1, "a.tga"},
      {"b.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16}, 1, "JPEG"},
      {"tiny_height.jpg", MakeJpeg(2, 2, Bytes(2 * 2 * 3, 64)), 1, "below"},
      {"m.zrm", Cut(TestZrm1(3, 4, 2.0f), 40), 1, "ZRM1 refused"},
      {"x.zrm", {'Z', 'R', 'M', '9', 0, 0}, 1, "neither"},
      {"s.wav", Wave(2, false, 400), 1, "mono"},
      {"h.wav", Wave(1, true, 10), 1, "BAD"},
      {"t.xm", {'E', 'x', 't'}, 1, "XM refused"},
      {"score.dat", Bytes(100), 1, "100 bytes"},
      {"score.dat", Scores(200), 1, "over 16"},
      {"notes.txt", {'h', 'i'}, 1, "no loader"},
  };
  for (const auto& [name, bytes, status, says] : cases) {
    std::string out;
    EXPECT_EQ(Run({{name, bytes}}, out), status) << out;
    EXPECT_TRUE(std::count(out.begin(), out.end(), '\n') == 1 && out.rfind(status ? "BAD " : "OK ", 0) == 0 &&
                out.find(says) != std::string::npos) << out;
  }
}

// Every prefix of a good file: the tool answers each with one line and never crashes.
TEST_F(DataCheck, EveryTruncationOfEachKindIsAnsweredCalmly) {
  for (const auto& [name, bytes] : std::vector<std::pair<std::string, Bytes>>{
           {"t.tga", TestTga(4, 4, 1, 2, 3, 4)}, {"m.zrm", TestZrm1(2, 2, 1.0f)}, {"g.zrm", TestZrm2(1)},
           {"s.wav", TestWav(2)}}) {
    std::vector<std::pair<std::string, Bytes>> cuts;
    for (size_t n = 0; n < bytes.size(); n += 1 + bytes.size() / 40)
      cuts.push_back({std::to_string(n) + name, Cut(bytes, n)});
    std::string out;
    EXPECT_EQ(Run(cuts, out) | 1, 1) << name;
  }
}

// The shipped set end to end: the tool generates the tree, then passes every file it wrote,
// and a second run into another directory gives the same bytes.
TEST_F(DataCheck, TheGeneratedTreePassesIsTheSameEveryRunAndEveryFileGetsALine) {
  std::string out, rel, files;
  for (const char* to : {"a", "b"}) ASSERT_EQ(RunTool(tool_ + " generate " + dir_.File(to), out), 0) << out;
  const Bytes list = ReadBytes(dir_.File("a/.generated"));
  std::istringstream stamp(std::string(list.begin(), list.end()));
  int count = 0;
  while (std::getline(stamp, rel)) {
    if (rel.empty()) continue;
    ++count, files.append(" ").append(dir_.File("a/" + rel));
    EXPECT_EQ(ReadBytes(dir_.File("a/" + rel)), ReadBytes(dir_.File("b/" + rel))) << rel;
  }
  EXPECT_GE(count, 23);
  EXPECT_EQ(RunTool(tool_ + " check" + files, out), 0) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), count) << out;
  // Every file still gets its line when one cannot be opened and one is bad, and the run fails.
  WriteBytes(dir_.File("bad.wav"), {1, 2, 3});
  EXPECT_EQ(RunTool(tool_ + " check" + files + " " + dir_.File("missing.tga") + " " + dir_.File("bad.wav"), out), 1);
  std::istringstream lines(out);
  for (int i = 0; i <= count; ++i) std::getline(lines, rel);
  EXPECT_NE(rel.find("cannot be opened"), rel.npos) << out;
  EXPECT_TRUE(std::getline(lines, rel) && rel.rfind("BAD ", 0) == 0) << out;

}

}  // namespace
