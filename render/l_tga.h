// Uncompressed TGA reader (colour-mapped, true-colour, greyscale; 8/16/24/32 bits).
#pragma once
#include <cstddef>
#include <string>

#include "render/l_image.h"

// Rows come out in file order, a top-down file reversed: bottom row first.
bool ReadTGA(const std::string& fileName, TImage& out);
bool ReadTGAMemory(const uint8_t* data, size_t size, TImage& out);
