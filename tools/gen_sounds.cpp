// Generator for the data set's sounds (not written yet).
#include "generators.h"

void GenerateSounds(TGenOutput&) {}
