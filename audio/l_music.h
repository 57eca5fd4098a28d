// Game-facing music operations on the one current XM song.
#pragma once
#include <string>

bool LoadMusic(const std::string& fileName);
bool FreeMusic();
bool PlayMusic();
bool StopMusic();
