// Generator for the data set's music: the menu song and the game song as XM modules.
#include "gen_music_compose.h"
#include "generators.h"

void GenerateMusic(TGenOutput& out) {
  WriteDataFile(out, "music/baits.xm", WriteXm(ComposeMenuSong()));
  WriteDataFile(out, "music/rave.xm", WriteXm(ComposeGameSong()));
}
