// The window icon, drawn in code: a spider in a gun sight.
#pragma once
#include <cstdint>
#include <vector>

// 32 x 32 pixels, 4 bytes each (red, green, blue, alpha), top row first.
std::vector<uint8_t> MakeIconPixels();
