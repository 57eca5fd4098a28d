// Terrain decals: single texels written into the map's colour texture on levels 0 to 4.
#include "effects/l_decal.h"

#include "platform/p_gl.h"

#include <cmath>

#include "effects/l_particle.h"
#include "game/l_game.h"
#include "render/l_gl.h"

// The kept colour image must match the texture's first level texel for texel.
static bool ReferenceUsable(const TMap& map) {
  const TImage& img = map.Pixels;
  return map.Texture != 0 && img.Width == DecalTextureSize && img.Height == DecalTextureSize &&
         img.Bits == 24 && img.Pixels.size() >= size_t(DecalTextureSize) * DecalTextureSize * 3;
}

void PaintDecal(const TVector& position, int32_t w, int32_t h, const uint8_t* image) {
  if (!image || w <= 0 || h <= 0 || w > DecalTextureSize || h > DecalTextureSize) return;
  if (!ReferenceUsable(GameMap)) return;
  const float px = 2 * position.x, pz = 2 * position.z;
  // Far-away (or not-a-number) points cannot reach the texture; keep Trunc in range.
  if (!(std::fabs(px) < 1e6f) || !(std::fabs(pz) < 1e6f)) return;
  const int32_t c0 = static_cast<int32_t>(std::trunc(px)) - w / 2;
  const int32_t r0 = static_cast<int32_t>(std::trunc(pz)) - h / 2;
  const uint8_t* ref = GameMap.Pixels.Pixels.data();
  BindTexture(GameMap.Texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (int32_t y = r0; y < r0 + h; ++y) {
    if (y < 0) continue;
    if (y >= DecalTextureSize) break;
    for (int32_t x = c0; x < c0 + w; ++x) {
      if (x < 0) continue;
      if (x >= DecalTextureSize) break;
      const uint8_t* src = image + (size_t(y - r0) * w + (x - c0)) * 3;
      const int b = src[0], g = src[1], r = src[2];
      if (b + g + r == 0) continue;
      const uint8_t* m = ref + (size_t(y) * DecalTextureSize + x) * 3;
      const float k = float(m[0] + m[1] + m[2]) / 765.0f;
      const uint8_t texel[3] = {static_cast<uint8_t>(std::trunc(r * k)),
                                static_cast<uint8_t>(std::trunc(g * k)),
                                static_cast<uint8_t>(std::trunc(b * k))};
      for (int level = 0; level <= 4; ++level) {
        const int32_t step = 1 << level;
        if (x % step != 0 || y % step != 0) continue;
        glTexSubImage2D(GL_TEXTURE_2D, level, x >> level, y >> level, 1, 1, GL_RGB,
                        GL_UNSIGNED_BYTE, texel);
      }
    }
  }
}

void PaintBloodDecal(const TVector& position) {
  const TImage& s = SplatImage;
  if (s.Width != 8 || s.Height != 8 || s.Bits != 24 || s.Pixels.size() < 8 * 8 * 3) return;
  PaintDecal(position, 8, 8, s.Pixels.data());
}
