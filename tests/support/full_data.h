// The complete data set made in code: the game fixture's files plus every texture and both songs.
#pragma once
#include "support/test_env.h"

// Writes everything the game reads below root/data (textures, sky, menu band, the
// particle images, both XM songs, and what WriteTestGameData writes) and returns the
// paths written, relative to root, sorted.
std::vector<std::string> WriteFullGameData(const std::string& root);

// Resident set size of this process in bytes, from /proc/self/statm.
long long ResidentBytes();
