// Generator for the data set's music (not written yet).
#include "generators.h"

void GenerateMusic(TGenOutput&) {}
