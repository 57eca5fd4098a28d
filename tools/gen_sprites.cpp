// The small textures: detail grain, shadow, crosshair, HUD icons, particles, blood splat, menu band.
#include <cmath>
#include <functional>

#include "gen_images.h"

namespace {

const float kPi = 3.14159265f;

// Signed distances in pixels (negative inside).
float Circle(float x, float y, float cx, float cy, float r) { return std::hypot(x - cx, y - cy) - r; }

float Box(float x, float y, float cx, float cy, float hx, float hy, float round = 0) {
  const float dx = std::fabs(x - cx) - hx + round, dy = std::fabs(y - cy) - hy + round;
  const float ox = std::fmax(dx, 0.0f), oy = std::fmax(dy, 0.0f);
  return std::hypot(ox, oy) + std::fmin(std::fmax(dx, dy), 0.0f) - round;
}

float Capsule(float x, float y, float ax, float ay, float bx, float by, float r) {
  const float ux = bx - ax, uy = by - ay;
  const float t = Clamp01(((x - ax) * ux + (y - ay) * uy) / (ux * ux + uy * uy));
  return std::hypot(x - ax - t * ux, y - ay - t * uy) - r;
}

// A white shape with a dark rim, anti-aliased over 4 x 4 samples a pixel, drawn into a
// cell of the picture. Shading darkens the shape towards its bottom.
void DrawIcon(TPixmap& img, int ox, int oy, int size, float rim,
              const std::function<float(float, float)>& dist) {
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      float fill = 0, outline = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          const float d = dist(x + (sx + 0.5f) / 4.0f, y + (sy + 0.5f) / 4.0f);
          fill += d < 0 ? 1.0f / 16 : 0;
          outline += d < rim ? 1.0f / 16 : 0;
        }
      }
      const float alpha = fill + (outline - fill) * 0.75f;
      const float shade = 1.0f - 0.22f * float(y) / float(size);
      const float v = alpha > 0 ? fill / alpha * shade : 0;
      img.Set(ox + x, oy + y, {v, v, v}, alpha);
    }
  }
}

float Spider(float x, float y) {
  // Seen from above, head up: abdomen, head and four legs a side, each bent at the knee.
  float d = std::fmin(Circle(x, y, 16, 19.5f, 5.5f), Circle(x, y, 16, 11.5f, 3.6f));
  static const float kLegs[4][6] = {  // hip, knee, foot (x as offsets from the middle)
      {2.5f, 11.0f, 8.0f, 6.5f, 10.5f, 2.5f},
      {3.0f, 13.0f, 9.5f, 10.5f, 12.5f, 8.0f},
      {3.0f, 15.0f, 9.5f, 17.5f, 12.5f, 22.0f},
      {2.5f, 17.0f, 8.0f, 22.5f, 10.5f, 28.5f}};
  for (const auto& l : kLegs) {
    for (int side = -1; side <= 1; side += 2) {
      d = std::fmin(d, Capsule(x, y, 16 + side * l[0], l[1], 16 + side * l[2], l[3], 1.05f));
      d = std::fmin(d, Capsule(x, y, 16 + side * l[2], l[3], 16 + side * l[4], l[5], 0.8f));
    }
  }
  return d;
}

float Gear(float x, float y) {
  const float a = std::atan2(y - 16, x - 16);
  const float tooth = Smoothstep(0.25f, 0.55f, 0.5f + 0.5f * std::cos(8 * a));
  const float body = Circle(x, y, 16, 16, 9.0f + 3.0f * tooth);
  return std::fmax(body, -Circle(x, y, 16, 16, 4.0f));
}

}  // namespace

TPixmap MakeDetail(int size) {
  TPixmap img(size, size, 3);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float u = float(x) / size, v = float(y) / size;
      // Every term repeats over the picture, so the tiles join without a seam: soft
      // clumps, blades and grit, and a few small stones.
      float g = 0.88f + 0.07f * Fbm2(u * 4, v * 4, 3, 101, 4);
      g += 0.06f * Fbm2(u * 24, v * 24, 2, 105, 24);
      g += 0.07f * (HashUnit(x, y, 103) - 0.5f);
      const float pebbles = Noise2(u * 40, v * 40, 107, 40);
      g -= 0.12f * Smoothstep(0.4f, 0.6f, pebbles);
      g += 0.08f * Smoothstep(0.5f, 0.7f, Noise2(u * 40 + 0.3f, v * 40 + 0.3f, 107, 40));
      g = std::fmin(g, 1.0f);
      img.Set(x, y, {g, g * 0.995f, g * 0.985f});
    }
  }
  return img;
}

TPixmap MakeShadow(int size) {
  TPixmap img(size, size, 3);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      // r is 1 at the middle of an edge; from 0.95 outwards the picture is white.
      const float dx = (x + 0.5f) / size * 2 - 1, dy = (y + 0.5f) / size * 2 - 1;
      const float r = std::sqrt(dx * dx + dy * dy);
      const float dark = 0.62f * std::pow(1.0f - Smoothstep(0.0f, 0.95f, r), 1.4f);
      img.Set(x, y, {1 - dark, 1 - dark, 1 - dark});
    }
  }
  return img;
}

TPixmap MakeCrosshair() {
  TPixmap img(32, 32, 4);
  DrawIcon(img, 0, 0, 32, 1.4f, [](float x, float y) {
    float d = Circle(x, y, 16, 16, 1.3f);
    d = std::fmin(d, Box(x, y, 16, 8.5f, 1.0f, 3.5f));
    d = std::fmin(d, Box(x, y, 16, 23.5f, 1.0f, 3.5f));
    d = std::fmin(d, Box(x, y, 8.5f, 16, 3.5f, 1.0f));
    d = std::fmin(d, Box(x, y, 23.5f, 16, 3.5f, 1.0f));
    return d;
  });
  return img;
}

TPixmap MakeHudStrip() {
  TPixmap img(128, 32, 4);
  // Health: a rounded cross.
  DrawIcon(img, 0, 0, 32, 1.6f, [](float x, float y) {
    return std::fmin(Box(x, y, 16, 16, 11, 4, 1.5f), Box(x, y, 16, 16, 4, 11, 1.5f));
  });
  DrawIcon(img, 32, 0, 32, 1.6f, Gear);    // build points
  DrawIcon(img, 64, 0, 32, 1.4f, Spider);  // kills
  // Spare: a target ring.
  DrawIcon(img, 96, 0, 32, 1.6f, [](float x, float y) {
    const float ring = std::fabs(Circle(x, y, 16, 16, 9.0f)) - 1.8f;
    return std::fmin(ring, Circle(x, y, 16, 16, 2.5f));
  });
  return img;
}

TPixmap MakeSmoke(int size) {
  TPixmap img(size, size, 4);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float u = (x + 0.5f) / size * 2 - 1, v = (y + 0.5f) / size * 2 - 1;
      const float r = std::sqrt(u * u + v * v);
      const float n = Fbm2(u * 2.5f + 5, v * 2.5f, 4, 111);
      const float a = Smoothstep(0.95f, 0.15f, r + 0.3f * n) * (0.8f + 0.2f * n) * Smoothstep(0.98f, 0.8f, r);
      const float shade = 0.88f + 0.12f * Clamp01(0.5f - 0.5f * v + 0.4f * n);
      img.Set(x, y, {shade, shade, shade * 0.98f}, a);
    }
  }
  return img;
}

TPixmap MakeRicochet(int size) {
  TPixmap img(size, size, 4);
  // Sparks: thin rays of varied length round a small hot core.
  const int rays = 9;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float u = (x + 0.5f) / size * 2 - 1, v = (y + 0.5f) / size * 2 - 1;
      const float r = std::sqrt(u * u + v * v), a = std::atan2(v, u);
      float spark = 0;
      for (int i = 0; i < rays; ++i) {
        const float ang = (i + 0.6f * HashUnit(i, 0, 113)) * 2 * kPi / rays;
        const float len = 0.45f + 0.5f * HashUnit(i, 1, 113);
        float da = std::remainder(a - ang, 2 * kPi);
        const float width = 0.025f / std::fmax(r, 0.05f);
        const float along = 1.0f - Smoothstep(len * 0.5f, len, r);
        spark = std::fmax(spark, std::exp(-da * da / (width * width)) * along);
      }
      const float core = std::exp(-r * r / 0.012f) + 0.5f * std::exp(-r * r / 0.06f);
      const float a0 = Clamp01(std::fmax(core, spark)) * Smoothstep(1.0f, 0.9f, r);
      const TRgb hot = Mix({1.0f, 0.75f, 0.3f}, {1.0f, 1.0f, 0.9f}, Clamp01(core * 1.5f + 0.3f));
      img.Set(x, y, hot, a0);
    }
  }
  return img;
}

TPixmap MakeBlood(int size) {
  TPixmap img(size, size, 4);
  // A splash: a ragged middle and droplets thrown out around it.
  struct Drop {
    float x, y, r;
  };
  Drop drops[9];
  for (int i = 0; i < 9; ++i) {
    const float ang = HashUnit(i, 0, 121) * 2 * kPi, dist = 0.45f + 0.35f * HashUnit(i, 1, 121);
    drops[i] = {dist * std::cos(ang), dist * std::sin(ang), 0.04f + 0.07f * HashUnit(i, 2, 121)};
  }
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float u = (x + 0.5f) / size * 2 - 1, v = (y + 0.5f) / size * 2 - 1;
      const float n = Fbm2(u * 3 + 2, v * 3 - 4, 4, 123);
      float d = std::sqrt(u * u + v * v) - 0.42f - 0.18f * n;
      for (const Drop& p : drops) d = std::fmin(d, std::hypot(u - p.x, v - p.y) - p.r);
      const float a = Smoothstep(0.03f, -0.03f, d) * Smoothstep(0.98f, 0.9f, std::fmax(std::fabs(u), std::fabs(v)));
      const float depth = Clamp01(-d * 4);
      const TRgb col = Mix({0.62f, 0.05f, 0.04f}, {0.36f, 0.01f, 0.02f}, depth * 0.8f + 0.2f * n);
      img.Set(x, y, col, a * 0.95f);
    }
  }
  return img;
}

TPixmap MakeFire(int size) {
  TPixmap img(size, size, 3);
  // A muzzle flash on black: a white core and ragged flame petals.
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float u = (x + 0.5f) / size * 2 - 1, v = (y + 0.5f) / size * 2 - 1;
      const float r = std::sqrt(u * u + v * v), a = std::atan2(v, u);
      const float petals = std::pow(std::fabs(std::cos(2.5f * a)), 3.0f);
      const float ragged = 0.15f * Fbm2(std::cos(a) * 3 + 9, std::sin(a) * 3 + r * 4, 3, 131);
      const float reach = 0.25f + 0.62f * petals + ragged;
      float heat = Clamp01(1.0f - r / std::fmax(reach, 0.05f));
      heat = std::pow(heat, 1.3f) + 0.8f * std::exp(-r * r / 0.02f);
      heat *= Smoothstep(0.98f, 0.85f, r);
      const TRgb col = {Clamp01(heat * 1.6f), Clamp01(heat * 1.2f - 0.1f), Clamp01(heat * 1.4f - 0.6f)};
      img.Set(x, y, col);
    }
  }
  return img;
}

TPixmap MakeGibs() {
  TPixmap img(8, 8, 3);
  // Black is left out when painted; every other pixel is a shade of red bright
  // enough to read as blood on the ground.
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const float u = x - 3.5f, v = y - 3.5f;
      const float r = std::sqrt(u * u + v * v) + 1.6f * (HashUnit(x, y, 141) - 0.5f);
      if (r > 3.1f) continue;
      const float k = HashUnit(x, y, 143);
      img.Set(x, y, {0.42f + 0.2f * k, 0.02f + 0.03f * k, 0.02f + 0.02f * k});
    }
  }
  return img;
}

TPixmap MakeMenuBlur(int size) {
  TPixmap img(size, size, 3);
  // A warm glow with curved streaks; it turns under the menu items, so the streaks
  // shimmer, and it fades to black well inside the clamped border.
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float u = (x + 0.5f) / size * 2 - 1, v = (y + 0.5f) / size * 2 - 1;
      const float r = std::sqrt(u * u + v * v), a = std::atan2(v, u);
      const float swirl = a + 2.2f * r;
      const float streaks = 0.5f + 0.5f * std::sin(7 * swirl + 1.5f * Noise2(std::cos(a) * 2, std::sin(a) * 2, 151));
      const float glow = std::exp(-r * r / 0.30f);
      float k = glow * (0.5f + 0.5f * streaks) * Smoothstep(0.95f, 0.7f, r);
      k += 0.25f * std::exp(-r * r / 0.04f);
      img.Set(x, y, {0.72f * k, 0.44f * k, 0.14f * k});
    }
  }
  return img;
}
