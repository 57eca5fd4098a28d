// High-score table: defaults, insertion rules, the 209-byte file, damaged files and safe saving.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "menu/l_score.h"
#include "support/test_env.h"

namespace {

// Every test runs in its own empty directory, as the game does in its own.
class ScoreFile : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path());
    ShortTextAssign(PlayerName, "Enter Name");
    ResetScoreTable();
  }
  void TearDown() override { std::filesystem::current_path(old_); }
  std::vector<uint8_t> File() { return ReadBytes(dir_.File("score.dat")); }
  // A saved file of another run, which a failed save must leave as it was.
  std::vector<uint8_t> WriteOldFile() {
    std::vector<uint8_t> old(209, 0);
    old[0] = 3;
    std::memcpy(&old[1], "Old", 3);
    WriteBytes(dir_.File("score.dat"), old);
    ShortTextAssign(PlayerName, "New");
    return old;
  }
  ScratchDir dir_;
  std::filesystem::path old_;
};

std::vector<int32_t> Scores() {
  std::vector<int32_t> s;
  for (const TScoreEntry& e : ScoreTable) s.push_back(e.Score);
  return s;
}

// Each case starts from the default table; names mark who entered where.
TEST(ScoreTableInsert, PlacesByScoreBelowEqualOnes) {
  const std::vector<int32_t> defaults = {1000, 875, 750, 625, 500, 375, 250, 125};
  struct Case {
    std::vector<int32_t> added;  // by "A", then "B"
    std::vector<int32_t> table;
    int slotOfLast;  // -1: the last one did not enter
  } cases[] = {
      {{125}, defaults, -1},  // equal to the last does not enter
      {{126}, {1000, 875, 750, 625, 500, 375, 250, 126}, 7},
      {{2000}, {2000, 1000, 875, 750, 625, 500, 375, 250}, 0},
      {{750, 750}, {1000, 875, 750, 750, 750, 625, 500, 375}, 4},
      {{0, -5}, defaults, -1},
  };
  for (const Case& c : cases) {
    ResetScoreTable();
    const char* names[] = {"A", "B"};
    for (size_t i = 0; i < c.added.size(); ++i) {
      ShortTextAssign(PlayerName, names[i]);
      AddScore(c.added[i]);
    }
    EXPECT_EQ(Scores(), c.table) << c.added[0];
    if (c.slotOfLast >= 0) {
      EXPECT_EQ(ShortTextString(ScoreTable[c.slotOfLast].Name), names[c.added.size() - 1]) << c.added[0];
      if (c.slotOfLast == 0) {
        EXPECT_EQ(ShortTextString(ScoreTable[1].Name), "Player");
      }
    }
  }
}

TEST_F(ScoreFile, NoFileGivesDefaultsWhichWriteExactly209BytesAndOnlyThoseAreRead) {
  LoadScores();
  EXPECT_EQ(ShortTextString(PlayerName), "Enter Name");
  WriteBytes(dir_.File("score.dat"), std::vector<uint8_t>(50, 1));  // an older file is replaced
  SaveScores();
  std::vector<uint8_t> f = File();
  ASSERT_EQ(f.size(), 209u);
  EXPECT_EQ(f[0], 10);
  EXPECT_EQ(std::memcmp(&f[1], "Enter Name", 10), 0);
  for (int i = 0; i < 8; ++i) {
    const uint8_t* e = &f[17 + 24 * i];
    EXPECT_EQ(e[0], 6);
    EXPECT_EQ(std::memcmp(e + 1, "Player", 6), 0);
    for (int k = 7; k < 20; ++k) EXPECT_EQ(e[k], 0) << "entry " << i << " byte " << k;
    int32_t score = e[20] | (e[21] << 8) | (e[22] << 16) | (e[23] << 24);
    EXPECT_EQ(score, 1000 - 125 * i);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("score.dat.tmp")));
  // A longer file is read for its first 209 bytes only.
  f.resize(400, 0xEE);
  WriteBytes(dir_.File("score.dat"), f);
  ShortTextAssign(PlayerName, "Other");
  LoadScores();
  EXPECT_EQ(ShortTextString(PlayerName), "Enter Name");
  EXPECT_EQ(ScoreTable[7].Score, 125);
}

TEST_F(ScoreFile, NameAndTableCarryToTheNextRun) {
  ShortTextAssign(PlayerName, "Kirsten");
  AddScore(900);
  ScoreTable[5].Score = -7;  // any signed value survives the round trip
  SaveScores();
  ShortTextAssign(PlayerName, "Enter Name");
  ResetScoreTable();
  LoadScores();
  EXPECT_EQ(ShortTextString(PlayerName), "Kirsten");
  EXPECT_EQ(ScoreTable[1].Score, 900);
  EXPECT_EQ(ShortTextString(ScoreTable[1].Name), "Kirsten");
  EXPECT_EQ(ScoreTable[5].Score, -7);
}

TEST_F(ScoreFile, LeftoverBytesBehindANameAreKept) {
  std::vector<uint8_t> f(209, 0);
  f[0] = 2;
  std::memcpy(&f[1], "AbCdEfGh", 8);
  for (int i = 0; i < 8; ++i) {
    f[17 + 24 * i] = 1;
    f[17 + 24 * i + 1] = 'x';
    f[17 + 24 * i + 2] = 'y';  // ignored when read, but written back as it was
    f[17 + 24 * i + 18] = 0x5A;
  }
  WriteBytes(dir_.File("score.dat"), f);
  LoadScores();
  EXPECT_EQ(ShortTextString(PlayerName), "Ab");
  EXPECT_EQ(ShortTextString(ScoreTable[0].Name), "x");
  SaveScores();
  EXPECT_EQ(File(), f);
}

// A short file delivers what it holds; everything behind keeps its current value.
TEST_F(ScoreFile, ShortFilesFillOnlyWhatTheyHold) {
  WriteBytes(dir_.File("score.dat"), {5, 'H', 'e', 'l', 'g', 'a', 'Q', 'Q', 'Q', 'Q'});
  LoadScores();
  EXPECT_EQ(ShortTextString(PlayerName), "Helga");
  EXPECT_EQ(PlayerName.Chars[8], 'Q');
  EXPECT_EQ(PlayerName.Chars[9], 'e');  // tenth character of "Enter Name" untouched
  EXPECT_EQ(Scores(), (std::vector<int32_t>{1000, 875, 750, 625, 500, 375, 250, 125}));
  std::vector<uint8_t> full(209, 0);
  for (int i = 0; i < 8; ++i) {
    full[17 + 24 * i] = 1;
    full[17 + 24 * i + 1] = 'a' + i;
    full[17 + 24 * i + 20] = static_cast<uint8_t>(10 - i);
  }
  // Cut after the first byte of entry 2's score: its low byte comes from the file.
  full.resize(17 + 24 * 2 + 21);
  WriteBytes(dir_.File("score.dat"), full);
  LoadScores();
  EXPECT_EQ(ScoreTable[0].Score, 10);
  EXPECT_EQ(ScoreTable[1].Score, 9);
  EXPECT_EQ(ScoreTable[2].Score, (750 & ~0xFF) | 8);
  EXPECT_EQ(ShortTextString(ScoreTable[2].Name), "c");
  EXPECT_EQ(ShortTextString(ScoreTable[3].Name), "Player");
  EXPECT_EQ(ScoreTable[3].Score, 625);
}

TEST_F(ScoreFile, StoredLengthAbove16IsClamped) {
  std::vector<uint8_t> f(209, 'n');
  f[0] = 200;
  for (int i = 0; i < 8; ++i) {
    f[17 + 24 * i] = 255;
    std::memset(&f[17 + 24 * i + 20], 0, 4);
  }
  WriteBytes(dir_.File("score.dat"), f);
  LoadScores();
  EXPECT_EQ(PlayerName.Length, 16);
  EXPECT_EQ(ShortTextString(PlayerName), std::string(16, 'n'));
  for (const TScoreEntry& e : ScoreTable) EXPECT_EQ(e.Name.Length, 16);
  // A full name takes no more letters, and deleting works from 16 down.
  EXPECT_FALSE(ShortTextAppend(PlayerName, 'x'));
  ShortTextDeleteLast(PlayerName);
  EXPECT_EQ(PlayerName.Length, 15);
}

TEST_F(ScoreFile, DirectoryNamedScoreDatLoadsDefaults) {
  std::filesystem::create_directory(dir_.File("score.dat"));
  ShortTextAssign(PlayerName, "Kept");
  LoadScores();
  EXPECT_EQ(ShortTextString(PlayerName), "Kept");
  EXPECT_EQ(ScoreTable[0].Score, 1000);
}

TEST_F(ScoreFile, FailedTempCreationKeepsTheOldFile) {
  std::vector<uint8_t> old = WriteOldFile();
  // The temporary cannot be created: a directory sits where it would go.
  std::filesystem::create_directory(dir_.File("score.dat.tmp"));
  SaveScores();
  EXPECT_EQ(File(), old);
}

TEST_F(ScoreFile, FullDiskKeepsTheOldFileAndLeavesNoTemporary) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  std::vector<uint8_t> old = WriteOldFile();
  // Writes through this link fail as on a full disk.
  std::filesystem::create_symlink("/dev/full", dir_.File("score.dat.tmp"));
  SaveScores();
  EXPECT_EQ(File(), old);
  EXPECT_FALSE(std::filesystem::is_symlink(dir_.File("score.dat.tmp")));
}

}  // namespace
