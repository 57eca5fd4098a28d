// Generator for the data set's images (not written yet).
#include "generators.h"

void GenerateImages(TGenOutput&) {}

bool WriteContactSheet(const std::string&) { return false; }
