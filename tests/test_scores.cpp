// High-score table: defaults, insertion rules, the 209-byte file, damaged files and safe saving.

#include <filesystem>

#include "menu/l_score.h"
#include "support/test_env.h"

namespace {

const std::vector<int32_t> kDefaults = {1000, 875, 750, 625, 500, 375, 250, 125};
constexpr size_t Entry(int i) { return 17 + 24 * size_t(i); }  // offset of entry i in the file
std::string Name(const TScoreEntry& e) { return ShortTextString(e.Name); }

std::vector<int32_t> Scores() {
  std::vector<int32_t> s;
  for (const TScoreEntry& e : ScoreTable) s.push_back(e.Score);
  return s;
}

// Every test runs in its own empty directory, as the game does in its own.
class ScoreFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Enter(), ShortTextAssign(PlayerName, "Enter Name"), ResetScoreTable();
  }
  std::vector<uint8_t> File() { return ReadBytes(path_); }
  void Load(const std::vector<uint8_t>& bytes) { WriteBytes(path_, bytes), LoadScores(); }
  // A saved file of another run, which a failed save must leave as it was.
  std::vector<uint8_t> WriteOldFile() {
    std::vector<uint8_t> old(209, 0);
    old[0] = 1, old[1] = 'O';
    return WriteBytes(path_, old), ShortTextAssign(PlayerName, "New"), old;
  }
  ScratchDir dir_;
  const std::string path_ = dir_.File("score.dat");
};

// Each case starts from the default table; names mark who entered where.
TEST(ScoreTableInsert, PlacesByScoreBelowEqualOnes) {
  struct {
    std::vector<int32_t> added, table;  // added by "A", then "B"
    int slotOfLast;  // -1: the last one did not enter
  } cases[] = {
      {{125}, kDefaults, -1},  // equal to the last does not enter
      {{126}, {1000, 875, 750, 625, 500, 375, 250, 126}, 7},
      {{2000}, {2000, 1000, 875, 750, 625, 500, 375, 250}, 0},
      {{750, 750}, {1000, 875, 750, 750, 750, 625, 500, 375}, 4},
      {{0, -5}, kDefaults, -1},
  };
  for (const auto& c : cases) {
    ResetScoreTable();
    const char* names[] = {"A", "B"};
    for (size_t i = 0; i < c.added.size(); ++i) ShortTextAssign(PlayerName, names[i]), AddScore(c.added[i]);
    EXPECT_EQ(Scores(), c.table) << c.added[0];
    if (c.slotOfLast >= 0) { EXPECT_EQ(Name(ScoreTable[c.slotOfLast]), names[c.added.size() - 1]); }
    if (c.slotOfLast == 0) { EXPECT_EQ(Name(ScoreTable[1]), "Player"); }
  }
}

TEST_F(ScoreFile, NoFileGivesDefaultsWhichWriteExactly209BytesAndOnlyThoseAreRead) {
  LoadScores();
  EXPECT_EQ(ShortTextString(PlayerName), "Enter Name");
  WriteBytes(path_, std::vector<uint8_t>(50, 1)), SaveScores();  // an older file is replaced
  std::vector<uint8_t> f = File(), want(209, 0);
  std::memcpy(&want[0], "\12Enter Name", 11);
  for (int i = 0; i < 8; ++i) {  // length, 16 name bytes, 3 padding, score little-endian
    std::memcpy(&want[Entry(i)], "\6Player", 7);
    want[Entry(i) + 20] = uint8_t(1000 - 125 * i), want[Entry(i) + 21] = uint8_t((1000 - 125 * i) >> 8);
  }
  EXPECT_EQ(f, want);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("score.dat.tmp")));
  // A longer file is read for its first 209 bytes only.
  f.resize(400, 0xEE), ShortTextAssign(PlayerName, "Other"), Load(f);
  EXPECT_EQ(ShortTextString(PlayerName) + std::to_string(ScoreTable[7].Score), "Enter Name125");
}

TEST_F(ScoreFile, LeftoverBytesBehindANameAreKept) {
  std::vector<uint8_t> f(209, 0);
  f[0] = 2;
  std::memcpy(&f[1], "AbCdEfGh", 8);
  for (int i = 0; i < 8; ++i) std::memcpy(&f[Entry(i)], "\1xy", 3), f[Entry(i) + 18] = 0x5A;  // 'y' not read
  Load(f);
  EXPECT_EQ(ShortTextString(PlayerName) + Name(ScoreTable[0]), "Abx");
  EXPECT_EQ((SaveScores(), File()), f);  // but written back as it was
}

// A short file delivers what it holds; everything behind keeps its current value.
TEST_F(ScoreFile, ShortFilesFillOnlyWhatTheyHold) {
  Load({5, 'H', 'e', 'l', 'g', 'a', 'Q', 'Q', 'Q', 'Q'});
  EXPECT_EQ(ShortTextString(PlayerName), "Helga");
  EXPECT_EQ(std::string(PlayerName.Chars + 8, 2), "Qe");  // tenth character of "Enter Name" untouched
  EXPECT_EQ(Scores(), kDefaults);
  std::vector<uint8_t> full(209, 0);
  for (int i = 0; i < 8; ++i)
    full[Entry(i)] = 1, full[Entry(i) + 1] = uint8_t('a' + i), full[Entry(i) + 20] = uint8_t(10 - i);
  // Cut after the first byte of entry 2's score: its low byte comes from the file.
  full.resize(Entry(2) + 21), Load(full);
  EXPECT_EQ(Scores(), (std::vector<int32_t>{10, 9, (750 & ~0xFF) | 8, 625, 500, 375, 250, 125}));
  EXPECT_EQ(Name(ScoreTable[2]) + Name(ScoreTable[3]), "cPlayer");
}

TEST_F(ScoreFile, StoredLengthAbove16IsClampedAndADirectoryInTheFilesPlaceLoadsDefaults) {
  std::vector<uint8_t> f(209, 'n');
  f[0] = 200;
  for (int i = 0; i < 8; ++i) f[Entry(i)] = 255, std::memset(&f[Entry(i) + 20], 0, 4);
  Load(f);
  EXPECT_EQ(ShortTextString(PlayerName), std::string(16, 'n'));
  for (const TScoreEntry& e : ScoreTable) EXPECT_EQ(e.Name.Length, 16);
  // A full name takes no more letters, and deleting works from 16 down.
  EXPECT_FALSE(ShortTextAppend(PlayerName, 'x'));
  EXPECT_EQ((ShortTextDeleteLast(PlayerName), PlayerName.Length), 15);
  std::filesystem::remove(path_), std::filesystem::create_directory(path_);
  ShortTextAssign(PlayerName, "Kept"), ResetScoreTable(), LoadScores();
  EXPECT_TRUE(ShortTextString(PlayerName) == "Kept" && Scores() == kDefaults);
}

TEST_F(ScoreFile, FailedTempCreationKeepsTheOldFile) {
  std::vector<uint8_t> old = WriteOldFile();
  // The temporary cannot be created: a directory sits where it would go.
  std::filesystem::create_directory(dir_.File("score.dat.tmp")), SaveScores();
  EXPECT_EQ(File(), old);
}

TEST_F(ScoreFile, FullDiskKeepsTheOldFileAndLeavesNoTemporary) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  std::vector<uint8_t> old = WriteOldFile();
  // Writes through this link fail as on a full disk.
  std::filesystem::create_symlink("/dev/full", dir_.File("score.dat.tmp")), SaveScores();
  EXPECT_TRUE(File() == old && !std::filesystem::is_symlink(dir_.File("score.dat.tmp")));
}

}  // namespace
