// The eight best scores, the player's name and the 209-byte "score.dat" they live in.
#pragma once
#include <cstdint>
#include <string>

// Length-prefixed single-byte text of capacity 16. Bytes behind Length are kept as
// they happen to be (leftovers of longer names) and written out unchanged.
struct TShortText {
  uint8_t Length;
  char Chars[16];
};
static_assert(sizeof(TShortText) == 17);

struct TScoreEntry {
  TShortText Name;
  uint8_t Unused[3];
  int32_t Score;
};
static_assert(sizeof(TScoreEntry) == 24);

constexpr int ScoreEntries = 8;
constexpr int ScoreFileSize = 17 + ScoreEntries * 24;  // 209

extern TScoreEntry ScoreTable[ScoreEntries];
// The name typed in the menu; owned here because the score file carries it.
extern TShortText PlayerName;

void LoadScores();
void SaveScores();
void AddScore(int32_t score);

// Short-text helpers.
std::string ShortTextString(const TShortText& text);
void ShortTextAssign(TShortText& text, const std::string& value);  // truncates to 16
bool ShortTextAppend(TShortText& text, char ch);                   // false when full
void ShortTextDeleteLast(TShortText& text);

// The file image, as written and read: name, then the entries, scores little-endian.
void EncodeScoreFile(uint8_t out[ScoreFileSize]);
void DecodeScoreFile(const uint8_t in[ScoreFileSize]);
void ResetScoreTable();  // the eight default entries
