// Timer, integer text, file checks, the random generator and game-path resolution.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <set>

#include "app/l_utils.h"
#include "platform/p_file.h"
#include "platform/p_timer.h"
#include "support/test_env.h"

TEST(IntToString, DecimalWithSign) {
  EXPECT_EQ(IntToString(0), "0");
  EXPECT_EQ(IntToString(-125), "-125");
  EXPECT_EQ(IntToString(INT32_MAX), "2147483647");
  EXPECT_EQ(IntToString(INT32_MIN), "-2147483648");
}

TEST(Timer, MonotonicMilliseconds) {
  int32_t a = GetTimer();
  PlatformSleep(20);
  int32_t b = GetTimer();
  int32_t d = static_cast<int32_t>(static_cast<uint32_t>(b) - static_cast<uint32_t>(a));
  EXPECT_GE(d, 19);
  EXPECT_LT(d, 1000);  // generous: a loaded machine may oversleep
}

TEST(Timer, LongUptimeWrapsSmoothlyWithoutLeaping) {
  const uint64_t ns = 1000000000u;  // this platform's counter frequency
  const uint64_t day = 86400u * ns;
  // Past the point where counter * 1000 no longer fits 64 bits (about 106.75 days).
  for (uint64_t start : {day, 106 * day + day * 3 / 4, 200 * day, 1000 * day}) {
    int32_t a = CounterMilliseconds(start, ns);
    int32_t b = CounterMilliseconds(start + 20 * 1000000u, ns);
    EXPECT_EQ(static_cast<uint32_t>(b) - static_cast<uint32_t>(a), 20u) << start / day << " days";
    EXPECT_EQ(static_cast<uint32_t>(a), static_cast<uint32_t>(start / 1000000u)) << start / day << " days";
  }
  EXPECT_EQ(CounterMilliseconds(19999999, ns), 19);  // truncated, not rounded
  EXPECT_EQ(CounterMilliseconds(12345, 10000000), 1);  // a 10 MHz counter
  EXPECT_EQ(CounterMilliseconds(5, 0), 0);
}

TEST(Random, RangesAndRepeatableSeeds) {
  std::vector<int> first, again;
  RandomSeed(7);
  for (int i = 0; i < 50; ++i) first.push_back(RandomInt(15));
  RandomSeed(7);
  for (int i = 0; i < 50; ++i) again.push_back(RandomInt(15));
  EXPECT_EQ(again, first);
  std::set<int> seen;
  for (int i = 0; i < 2000; ++i) {
    int v = RandomInt(3);
    float f = RandomFloat();
    ASSERT_TRUE(v >= 0 && v < 3) << v;
    ASSERT_TRUE(f >= 0.0f && f < 1.0f) << f;
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_EQ(RandomInt(0), 0);
  EXPECT_EQ(RandomInt(-4), 0);
}

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir.File("Data/Sounds"));
    WriteBytes(dir.File("Data/Sounds/Attack.WAV"), {1, 2, 3});
  }
  ScratchDir dir;
};

TEST_F(Files, WindowsPathsFindFilesWhateverTheirCase) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(GameFileReadAll(dir.Path() + "\\data\\sounds\\attack.wav", bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_TRUE(FileExists(dir.Path() + "\\DATA\\\\sounds//ATTACK.wav"));
  // A file made under a path that does not exist yet lands in the existing folders.
  FILE* f = GameFileOpen(dir.Path() + "\\data\\New.dat", "wb");
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(GameFileFinish(f));
  EXPECT_TRUE(std::filesystem::exists(dir.File("Data/New.dat")));
}

TEST_F(Files, FileExistsOnlyForReadableFiles) {
  EXPECT_FALSE(FileExists(dir.File("nothing")));
  EXPECT_FALSE(FileExists(dir.File("Data")));  // a directory
  EXPECT_FALSE(FileExists(""));
  // A file held open for writing elsewhere is still readable.
  FILE* w = std::fopen(dir.File("busy.dat").c_str(), "wb");
  ASSERT_NE(w, nullptr);
  std::fputs("x", w);
  EXPECT_TRUE(FileExists(dir.File("busy.dat")));
  std::fclose(w);
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(GameFileReadAll(dir.File("data/sounds/attack.wav"), bytes));
  EXPECT_EQ(bytes.size(), 3u);
  EXPECT_FALSE(GameFileReadAll(dir.File("gone.wav"), bytes));
}

TEST_F(Files, ProgramDirectoryHoldsTheData) {
  namespace fs = std::filesystem;
  const fs::path old = fs::current_path();
  ScratchDir elsewhere;
  fs::current_path(elsewhere.Path());
  // No data here nor beside the test binary: the build's data folder is used.
  EXPECT_TRUE(EnterProgramDirectory("/nonexistent/halvrost", dir.Path().c_str()));
  EXPECT_TRUE(fs::equivalent(fs::current_path(), dir.Path()));
  // Already in a folder holding data: stay.
  EXPECT_TRUE(EnterProgramDirectory("/nonexistent/halvrost", elsewhere.Path().c_str()));
  EXPECT_TRUE(fs::equivalent(fs::current_path(), dir.Path()));
  fs::current_path(old);
}
