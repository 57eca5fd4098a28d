// Marks painted texel by texel into the terrain's colour texture (mip levels 0 to 4).
#pragma once
#include <cstdint>

#include "math/l_math.h"

// Texels of the colour texture's first level; the world maps onto it at 2 per unit.
constexpr int32_t DecalTextureSize = 512;

// image: w * h pixels of 3 bytes (blue, green, red); all-zero pixels are transparent.
// Paints nothing unless the map's kept colour image is 512 x 512 at 24 bits.
void PaintDecal(const TVector& position, int32_t w, int32_t h, const uint8_t* image);
// The 8 x 8 blood splat (SplatImage); nothing when that picture is not 8 x 8 at 24 bits.
void PaintBloodDecal(const TVector& position);
