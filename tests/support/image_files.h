// Writers for the picture files the decoder and texture tests feed to the game.
#pragma once
#include "support/test_env.h"

// An uncompressed TGA as the header says; pixels and palette (mapLength * mapEntrySize / 8
// bytes) are written as given, so damaged files can be made too.
struct TgaSpec {
  uint8_t imageType = 2, depth = 24, descriptor = 0;
  uint16_t width = 1, height = 1;
  uint8_t idLength = 0, mapType = 0;
  uint16_t mapLength = 0;
  uint8_t mapEntrySize = 0;
  std::vector<uint8_t> palette{}, pixels{};
};
std::vector<uint8_t> MakeTga(const TgaSpec& spec);

// Baseline JPEG through libjpeg; rgb holds width*height*3 bytes red first, top row first.
// components 1 writes a greyscale file from the red bytes.
std::vector<uint8_t> MakeJpeg(int width, int height, const std::vector<uint8_t>& rgb, int components = 3,
                              int quality = 95);
