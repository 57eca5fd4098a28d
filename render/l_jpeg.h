// JPEG decoding through libjpeg into 24-bit blue-first pixels, top row first.
#pragma once
#include <cstddef>
#include <string>

#include "render/l_image.h"

// Any failure (missing file, bad data, decoding error) returns false, never aborts.
bool DecodeJpeg(const std::string& fileName, TImage& out);
// Pictures beyond this many pixels are refused before any pixel memory is taken.
constexpr unsigned long kJpegMaxPixels = 16384ul * 16384ul;
// maxPixels lowers the limit (the fuzz target uses it to skip slow honest pictures).
bool DecodeJpegMemory(const uint8_t* data, size_t size, TImage& out,
                      unsigned long maxPixels = kJpegMaxPixels);
