// Placeholder until the XM player lands: no song ever loads.
#include "audio/l_music.h"

bool LoadMusic(const std::string&) { return true; }
bool FreeMusic() { return false; }
bool PlayMusic() { return false; }
bool StopMusic() { return false; }
