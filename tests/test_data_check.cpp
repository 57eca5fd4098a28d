// The check command end to end: facts for good files, a named reason for damaged ones, never a crash.
#include <gtest/gtest.h>

#include <sstream>

#include "support/game_env.h"
#include "support/image_files.h"
#include "support/tool_run.h"
#include "support/wave_files.h"
#include "support/xm_builder.h"

namespace {

class DataCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    tool_ = DataTool();
    if (tool_.empty()) GTEST_SKIP() << "the halvrost-data tool is not built";
  }
  // Writes the file, runs check on it and returns the one line printed: "OK ..." for
  // status 0, "BAD ..." for status 1.
  std::string Check(const std::string& name, const std::vector<uint8_t>& bytes, int expectStatus) {
    WriteBytes(dir_.File(name), bytes);
    std::string out;
    EXPECT_EQ(RunTool(tool_ + " check " + dir_.File(name), out), expectStatus) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    EXPECT_EQ(out.rfind(expectStatus ? "BAD " : "OK ", 0), 0u) << out;
    return out;
  }
  std::string tool_;
  ScratchDir dir_;
};

std::vector<uint8_t> Cut(std::vector<uint8_t> b, size_t n) {
  b.resize(std::min(n, b.size()));
  return b;
}

TEST_F(DataCheck, GoodFilesGiveTheirFacts) {
  EXPECT_NE(Check("a.tga", TestTga(4, 2, 1, 2, 3, 255), 0).find("width=4 height=2 bits=32"), std::string::npos);
  const std::vector<uint8_t> grey(8 * 8 * 3, 64);
  EXPECT_NE(Check("b.jpg", MakeJpeg(8, 8, grey), 0).find("width=8 height=8 bits=24"), std::string::npos);
  const std::string map = Check("map1_height.jpg", MakeJpeg(8, 8, grey, 3, 100), 0);
  EXPECT_NE(map.find("triangles=98"), std::string::npos) << map;
  EXPECT_NE(map.find("max_height=8.000"), std::string::npos) << map;
  EXPECT_NE(Check("m.zrm", TestZrm1(3, 4, 2.0f), 0).find("format=ZRM1 meshes=3 frames=4"), std::string::npos);
  EXPECT_NE(Check("g.zrm", TestZrm2(2), 0).find("format=ZRM2 meshes=2"), std::string::npos);
  EXPECT_NE(Check("s.wav", TestWav(100), 0).find("channels=1 rate=22050 bits=16 frames=2205"), std::string::npos);
  XmModuleDef def;
  def.channels = 4;
  AddSimpleInstrument(def, FlatSample(100, 1000), false, 1, 0, 0);
  def.AddPattern(16);
  def.orders = {0, 0};
  EXPECT_NE(Check("t.xm", BuildXm(def), 0).find("channels=4 orders=2 patterns=1 instruments=1 samples=1"),
            std::string::npos);
  std::vector<uint8_t> scores(209, 0);
  scores[0] = 3;
  scores[1] = 'A', scores[2] = 'd', scores[3] = 'a';
  scores[17 + 20] = 0x10, scores[17 + 21] = 0x27;  // 10000
  EXPECT_NE(Check("score.dat", scores, 0).find("entries=8 best=10000 name=\"Ada\""), std::string::npos);
}

TEST_F(DataCheck, DamagedFilesAreNamedWithTheReason) {
  EXPECT_NE(Check("a.tga", Cut(TestTga(16, 16, 1, 2, 3, 4), 30), 1).find("a.tga"), std::string::npos);
  EXPECT_NE(Check("b.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16}, 1).find("JPEG"), std::string::npos);
  const std::vector<uint8_t> grey(2 * 2 * 3, 64);
  EXPECT_NE(Check("tiny_height.jpg", MakeJpeg(2, 2, grey), 1).find("below"), std::string::npos);
  EXPECT_NE(Check("m.zrm", Cut(TestZrm1(3, 4, 2.0f), 40), 1).find("ZRM1 refused"), std::string::npos);
  EXPECT_NE(Check("x.zrm", {'Z', 'R', 'M', '9', 0, 0}, 1).find("neither"), std::string::npos);
  WaveLayout stereo;
  stereo.channels = 2;
  EXPECT_NE(Check("s.wav", MakeWave(stereo, std::vector<uint8_t>(400)), 1).find("mono"), std::string::npos);
  WaveLayout huge;
  huge.overrideLength = true;
  huge.length = 0x7FFFFFFF;
  EXPECT_NE(Check("h.wav", MakeWave(huge, std::vector<uint8_t>(10)), 1).find("BAD"), std::string::npos);
  EXPECT_NE(Check("t.xm", {'E', 'x', 't'}, 1).find("XM refused"), std::string::npos);
  EXPECT_NE(Check("score.dat", std::vector<uint8_t>(100), 1).find("100 bytes"), std::string::npos);
  std::vector<uint8_t> longName(209, 0);
  longName[0] = 200;
  EXPECT_NE(Check("score.dat", longName, 1).find("over 16"), std::string::npos);
  EXPECT_NE(Check("empty.wav", {}, 1).find("BAD"), std::string::npos);
  EXPECT_NE(Check("notes.txt", {'h', 'i'}, 1).find("no loader"), std::string::npos);
}

TEST_F(DataCheck, EveryFileGetsALineAndOneBadFileFailsTheRun) {
  WriteBytes(dir_.File("ok.wav"), TestWav(10));
  WriteBytes(dir_.File("bad.wav"), {1, 2, 3});
  std::string out;
  EXPECT_EQ(RunTool(tool_ + " check " + dir_.File("ok.wav") + " " + dir_.File("missing.tga") + " " +
                        dir_.File("bad.wav"),
                    out),
            1);
  std::istringstream lines(out);
  std::string a, b, c;
  std::getline(lines, a), std::getline(lines, b), std::getline(lines, c);
  EXPECT_EQ(a.rfind("OK ", 0), 0u) << out;
  EXPECT_NE(b.find("cannot be opened"), std::string::npos) << out;
  EXPECT_EQ(c.rfind("BAD ", 0), 0u) << out;
}

// Every prefix of a good file: the tool answers each with one line and never crashes.
TEST_F(DataCheck, EveryTruncationOfEachKindIsAnsweredCalmly) {
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
      {"t.tga", TestTga(4, 4, 1, 2, 3, 4)}, {"m.zrm", TestZrm1(2, 2, 1.0f)}, {"g.zrm", TestZrm2(1)},
      {"s.wav", TestWav(2)}};
  for (const auto& [name, bytes] : files) {
    std::string args;
    for (size_t n = 0; n < bytes.size(); n += 1 + bytes.size() / 40) {
      const std::string path = dir_.File(std::to_string(n) + name);
      WriteBytes(path, Cut(bytes, n));
      args += " " + path;
    }
    std::string out;
    const int status = RunTool(tool_ + " check" + args, out);
    EXPECT_TRUE(status == 0 || status == 1) << name << " status " << status;
  }
}

// The shipped set end to end: the tool generates the tree, then passes every file it wrote,
// and a second run into another directory gives the same bytes.
TEST_F(DataCheck, TheGeneratedTreePassesAndIsTheSameEveryRun) {
  std::string out;
  ASSERT_EQ(RunTool(tool_ + " generate " + dir_.File("a"), out), 0) << out;
  ASSERT_EQ(RunTool(tool_ + " generate " + dir_.File("b"), out), 0) << out;
  const std::vector<uint8_t> list = ReadBytes(dir_.File("a/.generated"));
  std::istringstream stamp(std::string(list.begin(), list.end()));
  std::string rel, files;
  int count = 0;
  while (std::getline(stamp, rel)) {
    if (rel.empty()) continue;
    ++count;
    files += ' ';
    files += dir_.File("a/" + rel);
    EXPECT_EQ(ReadBytes(dir_.File("a/" + rel)), ReadBytes(dir_.File("b/" + rel))) << rel;
  }
  EXPECT_GE(count, 23);
  EXPECT_EQ(RunTool(tool_ + " check" + files, out), 0) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), count) << out;
  EXPECT_EQ(out.find("BAD "), std::string::npos) << out;
}

}  // namespace
