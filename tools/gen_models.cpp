// Generator for the data set's models (not written yet).
#include "generators.h"

void GenerateModels(TGenOutput&) {}
