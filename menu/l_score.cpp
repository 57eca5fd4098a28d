// High-score table and the score file: defaults, insertion, byte-exact load and a safe save.
#include "menu/l_score.h"

#include <cstdio>
#include <cstring>

#include "app/l_utils.h"
#include "platform/p_file.h"

TScoreEntry ScoreTable[ScoreEntries];
TShortText PlayerName = {10, {'E', 'n', 't', 'e', 'r', ' ', 'N', 'a', 'm', 'e'}};

static const char* const ScoreFileName = "score.dat";
// Written first and renamed over the real file only once complete, so a failed save
// (full disk, unwritable directory) never costs the table that was there.
static const char* const ScoreTempName = "score.dat.tmp";

std::string ShortTextString(const TShortText& text) {
  size_t n = text.Length > 16 ? 16 : text.Length;
  return std::string(text.Chars, n);
}

void ShortTextAssign(TShortText& text, const std::string& value) {
  size_t n = value.size() > 16 ? 16 : value.size();
  std::memcpy(text.Chars, value.data(), n);
  text.Length = static_cast<uint8_t>(n);
}

bool ShortTextAppend(TShortText& text, char ch) {
  if (text.Length >= 16) return false;
  text.Chars[text.Length++] = ch;
  return true;
}

void ShortTextDeleteLast(TShortText& text) {
  if (text.Length > 16) text.Length = 16;
  if (text.Length > 0) --text.Length;
}

void ResetScoreTable() {
  for (int i = 0; i < ScoreEntries; ++i) {
    TScoreEntry& e = ScoreTable[i];
    std::memset(&e, 0, sizeof e);
    ShortTextAssign(e.Name, "Player");
    e.Score = 1000 - 125 * i;
  }
}

static void PutInt32(uint8_t* p, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}

static int32_t GetInt32(const uint8_t* p) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(p[i]) << (8 * i);
  return static_cast<int32_t>(u);
}

static void PutText(uint8_t* p, const TShortText& t) {
  p[0] = t.Length;
  std::memcpy(p + 1, t.Chars, 16);
}

// A damaged length byte above 16 would make every later reader run past the text.
static void GetText(const uint8_t* p, TShortText& t) {
  t.Length = p[0] > 16 ? 16 : p[0];
  std::memcpy(t.Chars, p + 1, 16);
}

void EncodeScoreFile(uint8_t out[ScoreFileSize]) {
  PutText(out, PlayerName);
  for (int i = 0; i < ScoreEntries; ++i) {
    uint8_t* p = out + 17 + 24 * i;
    PutText(p, ScoreTable[i].Name);
    std::memcpy(p + 17, ScoreTable[i].Unused, 3);
    PutInt32(p + 20, ScoreTable[i].Score);
  }
}

void DecodeScoreFile(const uint8_t in[ScoreFileSize]) {
  GetText(in, PlayerName);
  for (int i = 0; i < ScoreEntries; ++i) {
    const uint8_t* p = in + 17 + 24 * i;
    GetText(p, ScoreTable[i].Name);
    std::memcpy(ScoreTable[i].Unused, p + 17, 3);
    ScoreTable[i].Score = GetInt32(p + 20);
  }
}

void LoadScores() {
  ResetScoreTable();
  if (!FileExists(ScoreFileName)) return;
  FILE* f = GameFileOpen(ScoreFileName, "rb");
  if (!f) return;
  // A short file delivers what it holds; everything behind keeps its current value.
  uint8_t image[ScoreFileSize];
  EncodeScoreFile(image);
  uint8_t read[ScoreFileSize];
  size_t n = std::fread(read, 1, sizeof read, f);
  std::fclose(f);
  std::memcpy(image, read, n);
  DecodeScoreFile(image);
}

void SaveScores() {
  uint8_t image[ScoreFileSize];
  EncodeScoreFile(image);
  FILE* f = GameFileOpen(ScoreTempName, "wb");
  if (!f) return;
  bool ok = std::fwrite(image, 1, sizeof image, f) == sizeof image;
  ok = GameFileFinish(f) && ok;
  if (!ok || !GameFileReplace(ScoreTempName, ScoreFileName)) GameFileRemove(ScoreTempName);
}

void AddScore(int32_t score) {
  int place = -1;
  for (int i = 0; i < ScoreEntries; ++i) {
    if (ScoreTable[i].Score < score) {
      place = i;
      break;
    }
  }
  if (place < 0) return;
  for (int i = ScoreEntries - 2; i >= place; --i) ScoreTable[i + 1] = ScoreTable[i];
  TScoreEntry& e = ScoreTable[place];
  TShortText name = PlayerName;
  if (name.Length > 16) name.Length = 16;
  e.Name = name;
  e.Score = score;
}
