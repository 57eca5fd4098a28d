// Decoded picture as the decoders hand it over: packed rows, blue first.
#pragma once
#include <cstdint>
#include <vector>

struct TImage {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Bits = 0;  // 24 or 32
  std::vector<uint8_t> Pixels;
};
