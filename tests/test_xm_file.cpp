// XM player file access: the memory stream's read, seek and tell rules and the callback set.
#include <gtest/gtest.h>

#include <vector>

#include "audio/xm_file.h"
#include "audio/xm_song.h"
#include "support/xm_builder.h"

static TMemFile* Stream(const std::vector<uint8_t>& bytes) {
  return MemFileCreate(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

TEST(MemFile, ReadCutsAtTheEndAndAdvances) {
  TMemFile* f = Stream({1, 2, 3, 4, 5});
  uint8_t buf[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(MemFileRead(buf, 3, f), 3u);
  EXPECT_EQ(buf[2], 3);
  EXPECT_EQ(MemFileTell(f), 3u);
  EXPECT_EQ(MemFileRead(buf, 8, f), 2u);
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + 4), (std::vector<uint8_t>{4, 5, 3, 9}));  // the rest is left alone
  EXPECT_EQ(MemFileRead(buf, 8, f), 0u);
  EXPECT_EQ(MemFileTell(f), 5u);
  // A count that would wrap the position still stops at the end.
  MemFileSeek(f, 1, 0);
  EXPECT_EQ(MemFileRead(buf, 0xFFFFFFFFu, f), 4u);
  MemFileClose(f);
}

TEST(MemFile, SeekModesAndCutToSize) {
  TMemFile* f = Stream(std::vector<uint8_t>(100, 0));
  // Unsigned 32-bit offsets: from the end they wrap around; an unknown mode leaves the position.
  const struct { uint32_t offset; int mode; uint32_t position; } seeks[] = {
      {40, 0, 40}, {10, 1, 50}, {static_cast<uint32_t>(-20), 2, 80}, {5, 7, 80}, {1000, 0, 100}, {0xFFFFFFF0u, 1, 84}};
  for (const auto& s : seeks) {
    MemFileSeek(f, s.offset, s.mode);
    EXPECT_EQ(MemFileTell(f), s.position) << s.offset << " " << s.mode;
  }
  MemFileClose(f);
}

TEST(MemFile, OpenReadsTheWholeFileAndMissingFilesAreEmpty) {
  XmScratch dir;
  dir.Write("Song.XM", {7, 8, 9});
  // Game paths resolve case and separators.
  std::string gamePath = dir.Path() + "\\song.xm";
  TMemFile* f = static_cast<TMemFile*>(MemFileOpen(gamePath.c_str()));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->size, 3u);
  EXPECT_EQ(f->data[2], 9);
  MemFileClose(f);
  TMemFile* missing = static_cast<TMemFile*>(MemFileOpen((dir.Path() + "/none.xm").c_str()));
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->size, 0u);
  MemFileClose(missing);
}

TEST(FileCallbacks, AnyMissingOperationClearsAllFiveAndLoadAndPlayNeedThem) {
  XmModuleDef def;
  def.AddPattern(4);
  TXmSong* song = LoadXmBytes(BuildXm(def));
  ASSERT_NE(song, nullptr);
  UseMemFileCallbacks();
  EXPECT_TRUE(FileCallbacksSet());
  SetFileCallbacks(MemFileOpen, MemFileClose, nullptr, MemFileSeek, MemFileTell);
  EXPECT_FALSE(FileCallbacksSet());
  EXPECT_EQ(XmFile.open, nullptr);
  EXPECT_EQ(XmFile.tell, nullptr);
  EXPECT_EQ(SongLoad("anything"), nullptr);
  EXPECT_FALSE(SongPlay(song));
  EXPECT_EQ(XmOutput.outputBuffer, nullptr);
  EXPECT_TRUE(SongFree(song));
  EXPECT_FALSE(SongFree(nullptr));
}
