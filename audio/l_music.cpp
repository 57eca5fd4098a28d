// Game-facing music operations on the one current XM song.
#include "audio/l_music.h"

#include "audio/xm_file.h"
#include "audio/xm_song.h"

static TXmSong* CurrentSong = nullptr;

bool LoadMusic(const std::string& fileName) {
  if (CurrentSong) return false;
  UseMemFileCallbacks();
  CurrentSong = SongLoad(fileName.c_str());
  return true;
}

bool FreeMusic() {
  if (!CurrentSong) return false;
  bool ok = SongFree(CurrentSong);
  CurrentSong = nullptr;
  return ok;
}

bool PlayMusic() { return CurrentSong ? SongPlay(CurrentSong) : false; }

bool StopMusic() { return CurrentSong ? SongStop(CurrentSong) : false; }
