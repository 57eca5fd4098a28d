// The map: a height field of rolling hills around open ground, and its lit colour image.
#include <cmath>
#include <vector>

#include "gen_images.h"

const float kSunDir[3] = {-0.5830f, 0.6572f, -0.4770f};

namespace {

struct TPoint {
  float x, z;
};

// Where the player stands, where the spiders come from and the middle they walk to.
const float kAreaMin = 20, kAreaMax = 150;
const TPoint kSpawns[3] = {{220, 50}, {220, 220}, {50, 220}};
const TPoint kCentre = {85, 85};
const float kWorld = 2.0f * kHeightSide;  // 256 units

float SegmentDist(float x, float z, TPoint a, TPoint b, float* along = nullptr) {
  const float ux = b.x - a.x, uz = b.z - a.z;
  float t = ((x - a.x) * ux + (z - a.z) * uz) / (ux * ux + uz * uz);
  t = Clamp01(t);
  if (along) *along = t;
  const float dx = x - (a.x + t * ux), dz = z - (a.z + t * uz);
  return std::sqrt(dx * dx + dz * dz);
}

float AreaDist(float x, float z) {
  const float dx = std::fmax(std::fmax(kAreaMin - x, x - kAreaMax), 0.0f);
  const float dz = std::fmax(std::fmax(kAreaMin - z, z - kAreaMax), 0.0f);
  return std::sqrt(dx * dx + dz * dz);
}

// A minimum without a crease where the nearer of the two changes.
float SmoothMin(float a, float b, float k) {
  const float h = Clamp01(0.5f + 0.5f * (b - a) / k);
  return Mix(b, a, h) - k * h * (1 - h);
}

// Distance to the ground kept open: the player's area and the spiders' three ways in.
// The point is pushed about by noise first, so that the edges of the open ground wander.
float OpenDist(float x, float z) {
  const float wx = x + 12.0f * Fbm2(x / 70.0f, z / 70.0f, 2, 13);
  const float wz = z + 12.0f * Fbm2(x / 70.0f + 5.0f, z / 70.0f, 2, 17);
  float d = AreaDist(wx, wz);
  for (const TPoint& s : kSpawns) d = SmoothMin(d, SegmentDist(wx, wz, s, kCentre), 24.0f);
  return d;
}

float Bump(float x, float z, TPoint c, float sigma) {
  const float dx = x - c.x, dz = z - c.z;
  return std::exp(-(dx * dx + dz * dz) / (2 * sigma * sigma));
}

// Bilinear sample of a (n x n) grid spaced one unit apart.
float Sample(const std::vector<float>& g, int n, float x, float z) {
  x = std::fmin(std::fmax(x, 0.0f), float(n - 1) - 0.001f);
  z = std::fmin(std::fmax(z, 0.0f), float(n - 1) - 0.001f);
  const int i = int(x), j = int(z);
  const float fx = x - i, fz = z - j;
  const float* r0 = &g[size_t(j) * n + i];
  const float* r1 = r0 + n;
  return Mix(Mix(r0[0], r0[1], fx), Mix(r1[0], r1[1], fx), fz);
}

}  // namespace

float TerrainHeight(float x, float z) {
  // Open ground: gentle swells, a rise behind two of the spawn points.
  float h = 5.5f + 2.6f * Fbm2(x / 60.0f, z / 60.0f, 3, 11);
  h += 3.5f * Bump(x, z, kSpawns[0], 35) + 4.5f * Bump(x, z, kSpawns[2], 35);

  // Hills grow with the distance from the open ground.
  const float m = Smoothstep(6, 58, OpenDist(x, z));
  const float hills = 4.0f + 16.0f * Clamp01(0.5f + 0.7f * Fbm2(x / 55.0f + 3.1f, z / 55.0f - 1.7f, 4, 23));
  const float ridges = 4.0f * (1.0f - std::fabs(Fbm2(x / 35.0f, z / 35.0f, 3, 31)));
  h += m * (hills + ridges);

  // A rim along the map's edge hides where the world ends.
  const float edge = std::fmin(std::fmin(x, z), std::fmin(kWorld - 2 - x, kWorld - 2 - z));
  const float rimWidth = 28.0f + 10.0f * Fbm2(x / 30.0f, z / 30.0f, 2, 37);
  h += (10.0f + 7.0f * Fbm2(x / 25.0f + 9.0f, z / 25.0f, 3, 39)) * Smoothstep(rimWidth, 0, edge);

  // A valley runs from the middle out past the far spawn point and through the rim.
  float along = 0;
  const float dv = SegmentDist(x, z, {135, 135}, {262, 262}, &along);
  const float width = 13.0f + 6.0f * along;
  h -= (3.5f + 10.0f * m) * Smoothstep(0, 0.3f, along) * std::exp(-dv * dv / (2 * width * width));

  // Soft ceiling below the top of the byte range, and never below the bottom.
  if (h > 26) h = 26 + 5.5f * std::tanh((h - 26) / 5.5f);
  return std::fmax(h, 0.5f);
}

TPixmap MakeHeightImage() {
  TPixmap img(kHeightSide, kHeightSide, 3);
  for (int j = 0; j < kHeightSide; ++j) {
    for (int k = 0; k < kHeightSide; ++k) {
      // The game reads height = byte / 8 at vertex (2k, 2j).
      long b = std::lround(TerrainHeight(2.0f * k, 2.0f * j) * 8.0f);
      uint8_t v = uint8_t(b < 0 ? 0 : (b > 255 ? 255 : b));
      uint8_t* p = &img.Px[(size_t(j) * kHeightSide + k) * 3];
      p[0] = p[1] = p[2] = v;
    }
  }
  return img;
}

TPixmap MakeMapColour() {
  // Heights on a one-unit grid, for slopes and for the shadow rays.
  const int n = int(kWorld) + 1;
  std::vector<float> g(size_t(n) * n);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) g[size_t(j) * n + i] = TerrainHeight(float(i), float(j));

  const TRgb grassA = {0.37f, 0.52f, 0.19f}, grassB = {0.55f, 0.56f, 0.29f};
  const TRgb grassC = {0.27f, 0.42f, 0.16f};
  const TRgb lush = {0.24f, 0.44f, 0.17f}, dirt = {0.50f, 0.40f, 0.28f};
  const TRgb rockA = {0.55f, 0.53f, 0.50f}, rockB = {0.40f, 0.39f, 0.38f};
  const float lx = kSunDir[0], ly = kSunDir[1], lz = kSunDir[2];
  const float horiz = std::sqrt(lx * lx + lz * lz);

  // Soft shadows on the same grid: how close the ray to the sun passes over the ground.
  std::vector<float> sun(g.size());
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const float h = g[size_t(j) * n + i];
      float lit = 1.0f;
      for (float t = 1.5f; t < 80.0f && lit > 0.0f; t += 1.5f) {
        const float px = i + lx / horiz * t, pz = j + lz / horiz * t;
        if (px < 0 || pz < 0 || px > kWorld || pz > kWorld) break;
        const float above = h + 0.3f + t * ly / horiz - Sample(g, n, px, pz);
        lit = std::fmin(lit, Clamp01(0.5f + 3.0f * above / t));
      }
      sun[size_t(j) * n + i] = lit;
    }
  }

  TPixmap img(kColourSide, kColourSide, 3);
  for (int r = 0; r < kColourSide; ++r) {
    for (int c = 0; c < kColourSide; ++c) {
      const float x = (c + 0.5f) * 0.5f, z = (r + 0.5f) * 0.5f;  // column from x, row from z
      const float h = Sample(g, n, x, z);
      const float gx = (Sample(g, n, x + 1, z) - Sample(g, n, x - 1, z)) * 0.5f;
      const float gz = (Sample(g, n, x, z + 1) - Sample(g, n, x, z - 1)) * 0.5f;
      const float slope = std::sqrt(gx * gx + gz * gz);
      const float inv = 1.0f / std::sqrt(gx * gx + gz * gz + 1);
      const float diffuse = std::fmax(0.0f, (-gx * lx + ly - gz * lz) * inv);

      const float lit = Sample(sun, n, x, z);

      // Materials by height and slope, their borders broken up by noise.
      const float n1 = Fbm2(x / 9.0f, z / 9.0f, 3, 41), n2 = Fbm2(x / 30.0f, z / 30.0f, 3, 43);
      TRgb grass = Mix(grassA, grassB, Clamp01(0.5f + 1.2f * n2));
      grass = Mix(grass, grassC, 0.6f * Smoothstep(0.0f, 0.5f, Fbm2(x / 20.0f + 4.0f, z / 20.0f, 3, 45)));
      grass = Mix(grass, lush, 0.8f * Smoothstep(6.0f, 2.5f, h + 1.5f * n1));
      float dirtW = Smoothstep(0.36f, 0.55f, slope + 0.12f * n1);
      dirtW = std::fmax(dirtW, Smoothstep(0.45f, 0.7f, Fbm2(x / 14.0f, z / 14.0f, 3, 47)));
      const float rockW = std::fmax(Smoothstep(0.6f, 0.85f, slope + 0.15f * n1),
                                    Smoothstep(24.0f, 28.0f, h + 3.0f * n2));
      const TRgb rock = Scale(Mix(rockB, rockA, 0.5f + 0.5f * Fbm2(x / 4.0f, h * 1.5f, 2, 53)),
                              0.95f + 0.05f * std::sin(h * 2.0f + 6.0f * n1));
      TRgb col = Mix(Mix(grass, dirt, dirtW), rock, rockW);

      // Clumps and grain, then the light.
      const float grain = 0.06f * (HashUnit(c, r, 59) - 0.5f) + 0.08f * Fbm2(x / 2.0f, z / 2.0f, 2, 61);
      const float light = (0.46f + 0.74f * diffuse * lit) * (1.0f + grain) * 1.08f;
      img.Set(c, r, Scale(col, light));
    }
  }
  return img;
}
