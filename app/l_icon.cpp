// The window icon: a dark spider inside a red sight ring, anti-aliased, on a clear ground.
#include "app/l_icon.h"

#include <algorithm>
#include <cmath>

static float Segment(float x, float y, float ax, float ay, float bx, float by, float r) {
  const float ux = bx - ax, uy = by - ay;
  float t = ((x - ax) * ux + (y - ay) * uy) / (ux * ux + uy * uy);
  t = std::clamp(t, 0.0f, 1.0f);
  return std::hypot(x - ax - t * ux, y - ay - t * uy) - r;
}

// Signed distance to the spider (negative inside), in pixels.
static float SpiderShape(float x, float y) {
  float d = std::min(std::hypot(x - 16, y - 19) - 4.5f, std::hypot(x - 16, y - 12.5f) - 3.0f);
  static const float kLegs[4][6] = {{2, 12, 7, 7, 10, 3},
                                    {2.5f, 14, 8.5f, 11.5f, 12, 9},
                                    {2.5f, 16, 8.5f, 18, 12, 22},
                                    {2, 18, 7, 23, 10, 28}};
  for (const auto& l : kLegs)
    for (int side = -1; side <= 1; side += 2) {
      d = std::min(d, Segment(x, y, 16 + side * l[0], l[1], 16 + side * l[2], l[3], 0.9f));
      d = std::min(d, Segment(x, y, 16 + side * l[2], l[3], 16 + side * l[4], l[5], 0.7f));
    }
  return d;
}

std::vector<uint8_t> MakeIconPixels() {
  std::vector<uint8_t> px(32 * 32 * 4, 0);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      // Coverage of the ring and of the spider over 4 x 4 samples.
      float ring = 0, spider = 0;
      for (int s = 0; s < 16; ++s) {
        const float sx = x + (s % 4 + 0.5f) / 4, sy = y + (s / 4 + 0.5f) / 4;
        const float r = std::hypot(sx - 16, sy - 16);
        const bool tick = (std::fabs(sx - 16) < 1 || std::fabs(sy - 16) < 1) && r > 12.5f && r < 16;
        if (std::fabs(r - 14) < 1.4f || tick) ring += 1.0f / 16;
        if (SpiderShape(sx, sy) < 0) spider += 1.0f / 16;
      }
      const float a = std::min(1.0f, ring + spider);
      if (a <= 0) continue;
      // Red ring, near-black spider with a reddish sheen.
      const float w = spider / std::max(a, 1e-6f);
      uint8_t* p = &px[(size_t(y) * 32 + x) * 4];
      p[0] = uint8_t(std::lround(220 * (1 - w) + 40 * w));
      p[1] = uint8_t(std::lround(30 * (1 - w) + 16 * w));
      p[2] = uint8_t(std::lround(24 * (1 - w) + 16 * w));
      p[3] = uint8_t(std::lround(255 * a));
    }
  }
  return px;
}
