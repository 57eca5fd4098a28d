// Fuzz target: "score.dat" of any content read by the game's own loader, then written and read back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "menu/l_score.h"

// The loader reads from the current directory: a folder of the run's own, gone when it ends.
static char dir[] = "/tmp/halvrost-fuzz-score-XXXXXX";
static void RemoveDir() { unlink("score.dat"), unlink("score.dat.tmp"), rmdir(dir); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool inTempDir = false;
  if (!inTempDir) {
    if (!mkdtemp(dir) || chdir(dir) != 0) abort();
    inTempDir = true, atexit(RemoveDir);
  }
  FILE* f = std::fopen("score.dat", "wb");
  if (!f) abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  LoadScores();
  if (PlayerName.Length > 16) abort();
  for (const TScoreEntry& e : ScoreTable)
    if (e.Name.Length > 16) abort();
  // What was read survives a save and a second load unchanged.
  uint8_t before[ScoreFileSize], after[ScoreFileSize];
  EncodeScoreFile(before);
  SaveScores();
  LoadScores();
  EncodeScoreFile(after);
  if (std::memcmp(before, after, ScoreFileSize) != 0) abort();
  return 0;
}
