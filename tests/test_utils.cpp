// Timer, integer text, file checks, the random generator and game-path resolution.

#include <climits>
#include <filesystem>
#include <set>

#include "app/l_utils.h"
#include "platform/p_file.h"
#include "platform/p_timer.h"
#include "support/test_env.h"

namespace fs = std::filesystem;

TEST(IntToString, DecimalWithSign) {
  for (auto [v, text] : {std::pair{0, "0"}, {-125, "-125"}, {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"}})
    EXPECT_EQ(IntToString(v), text);
}

TEST(Timer, MonotonicMillisecondsThatWrapSmoothlyAfterALongUptime) {
  int32_t a = GetTimer();
  PlatformSleep(20);
  uint32_t d = static_cast<uint32_t>(GetTimer()) - static_cast<uint32_t>(a);
  EXPECT_TRUE(d >= 19 && d < 1000) << d;  // generous: a loaded machine may oversleep
  const uint64_t ns = 1000000000u, day = 86400u * ns;  // this platform's counter frequency
  // Past the point where counter * 1000 no longer fits 64 bits (about 106.75 days).
  for (uint64_t start : {day, 106 * day + day * 3 / 4, 1000 * day}) {
    uint32_t from = static_cast<uint32_t>(CounterMilliseconds(start, ns));
    EXPECT_EQ(static_cast<uint32_t>(CounterMilliseconds(start + 20 * 1000000u, ns)) - from, 20u) << start / day;
    EXPECT_EQ(from, static_cast<uint32_t>(start / 1000000u)) << start / day << " days";
  }
  // Truncated, not rounded; a 10 MHz counter; none.
  EXPECT_EQ(CounterMilliseconds(19999999, ns), 19);
  EXPECT_EQ(std::pair(CounterMilliseconds(12345, 10000000), CounterMilliseconds(5, 0)), std::pair(1, 0));
}

TEST(Random, RangesAndRepeatableSeeds) {
  std::vector<int> runs[2];
  for (std::vector<int>& run : runs)
    for (int i = (RandomSeed(7), 0); i < 50; ++i) run.push_back(RandomInt(15));
  EXPECT_EQ(runs[0], runs[1]);
  std::set<int> seen;
  for (int i = 0; i < 2000; ++i, seen.insert(RandomInt(3))) ASSERT_TRUE(RandomFloat() >= 0.0f && RandomFloat() < 1.0f);
  EXPECT_TRUE(*seen.begin() == 0 && *seen.rbegin() == 2);
  EXPECT_EQ(std::tuple(seen.size(), RandomInt(0), RandomInt(-4)), std::tuple(3u, 0, 0));
}

TEST(Files, WindowsPathsFindReadableFilesWhateverTheirCase) {
  ScratchDir dir;
  fs::create_directories(dir.File("Data/Sounds"));
  WriteBytes(dir.File("Data/Sounds/Attack.WAV"), {1, 2, 3});
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(GameFileReadAll(dir.Path() + "\\data\\sounds\\attack.wav", bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_FALSE(GameFileReadAll(dir.File("gone.wav"), bytes));
  EXPECT_TRUE(FileExists(dir.Path() + "\\DATA\\\\sounds//ATTACK.wav"));
  for (std::string no : {dir.File("nothing"), dir.File("Data") /* a directory */, std::string()})
    EXPECT_FALSE(FileExists(no)) << no;
  // A file held open for writing elsewhere is still readable.
  FILE* w = std::fopen(dir.File("busy.dat").c_str(), "wb");
  EXPECT_TRUE(w && std::fputs("x", w) >= 0 && FileExists(dir.File("busy.dat")));
  if (w) std::fclose(w);
  // A file made under a path that does not exist yet lands in the existing folders.
  FILE* f = GameFileOpen(dir.Path() + "\\data\\New.dat", "wb");
  EXPECT_TRUE(f && GameFileFinish(f) && fs::exists(dir.File("Data/New.dat")));
  // No data here nor beside the test binary: the build's data folder is used; already in a
  // folder holding data: stay.
  ScratchDir elsewhere;
  elsewhere.Enter();
  for (const ScratchDir* build : {&dir, &elsewhere})
    EXPECT_TRUE(EnterProgramDirectory("/nonexistent/halvrost", build->Path().c_str()) &&
                fs::equivalent(fs::current_path(), dir.Path()));
}
