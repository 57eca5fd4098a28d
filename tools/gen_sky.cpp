// The sky: one colour per direction (gradient, sun, clouds, far hills), its box faces and a sphere map.
#include <cmath>

#include "gen_images.h"

namespace {

struct TCorners {
  float c00[3], c10[3], c01[3];  // the corners at (s, t) = (0, 0), (1, 0) and (0, 1)
};

// As the sky box draws its quads: seen from inside, every side face is upright and
// unmirrored, and texture coordinate (0, 0) is the top-left of the picture.
const TCorners kFaces[5] = {
    {{1, 1, -1}, {1, 1, 1}, {1, -1, -1}},     // +x
    {{-1, 1, -1}, {1, 1, -1}, {-1, -1, -1}},  // -z
    {{1, 1, 1}, {-1, 1, 1}, {1, -1, 1}},      // +z
    {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, 1}},   // -x
    {{1, 1, -1}, {-1, 1, -1}, {1, 1, 1}},     // top
};

const TRgb kZenith = {0.17f, 0.38f, 0.78f};
const TRgb kHorizon = {0.72f, 0.81f, 0.90f};
const TRgb kLowHaze = {0.46f, 0.53f, 0.57f};
const TRgb kFarHills = {0.55f, 0.63f, 0.72f};
const TRgb kNearHills = {0.40f, 0.49f, 0.52f};

// Height of a hill line above the horizon (as the sine of the elevation) for a unit
// horizontal direction; sampled on a circle so that it closes on itself.
float HillLine(float cx, float cz, float radius, uint32_t seed, float base, float amp) {
  const float n = Fbm2(cx * radius + 7.3f, cz * radius - 2.1f, 4, seed);
  return base + amp * (0.5f + 0.5f * n);
}

}  // namespace

TRgb SkyColour(float x, float y, float z) {
  const float len = std::sqrt(x * x + y * y + z * z);
  x /= len, y /= len, z /= len;
  const float flat = std::sqrt(x * x + z * z);
  const float cx = flat > 1e-6f ? x / flat : 1.0f, cz = flat > 1e-6f ? z / flat : 0.0f;
  const float sunCos = x * kSunDir[0] + y * kSunDir[1] + z * kSunDir[2];

  // Blue overhead, pale at the horizon, a warm glow around the sun.
  TRgb col = Mix(kHorizon, kZenith, std::pow(Clamp01(y), 0.5f));
  const float glow = std::pow(Clamp01(sunCos), 10.0f);
  const float halo = std::pow(Clamp01(sunCos), 200.0f);
  col = Mix(col, {1.0f, 0.93f, 0.78f}, 0.45f * glow + 0.4f * halo);

  if (y > 0) {
    // Clouds on a flat layer overhead: they shrink and thin out towards the horizon.
    const float px = x / (y + 0.12f) * 1.1f, pz = z / (y + 0.12f) * 1.1f;
    const float cover = Fbm2(px * 0.35f + 11.0f, pz * 0.35f, 2, 71);
    const float dens = Fbm2(px, pz, 5, 73) + 0.35f * cover;
    float amount = Smoothstep(0.02f, 0.40f, dens) * Smoothstep(0.0f, 0.16f, y);
    const float shade = Smoothstep(0.15f, 0.8f, dens);
    TRgb cloud = Mix({1.0f, 0.99f, 0.96f}, {0.66f, 0.70f, 0.78f}, shade * 0.8f);
    cloud = Mix(cloud, {1.0f, 0.95f, 0.85f}, 0.5f * glow);
    cloud = Mix(cloud, kHorizon, 0.6f * (1.0f - Smoothstep(0.0f, 0.35f, y)));
    col = Mix(col, cloud, amount * 0.92f);
    // The sun's disc, veiled where clouds pass over it.
    const float disc = Smoothstep(0.99880f, 0.99920f, sunCos);
    col = Mix(col, {1.0f, 0.98f, 0.92f}, disc * (1.0f - 0.7f * amount));
  }

  if (y > 0.12f) return col;  // above the highest hill top

  // Far land below the horizon, seen through haze: fields and woods on a ground plane.
  const float depth = std::fmax(-y, 0.0f);
  const float gx = x / (depth + 0.04f) * 2.5f, gz = z / (depth + 0.04f) * 2.5f;
  const float fields = Fbm2(gx + 17.0f, gz, 4, 89);
  TRgb land = Mix({0.25f, 0.34f, 0.20f}, {0.40f, 0.44f, 0.28f}, Clamp01(0.5f + 0.9f * fields));
  land = Mix(land, {0.18f, 0.27f, 0.17f}, Smoothstep(0.15f, 0.35f, Fbm2(gx * 0.6f, gz * 0.6f - 5.0f, 4, 91)));
  land = Mix(land, kLowHaze, std::pow(Smoothstep(0.6f, 0.02f, depth), 1.5f));
  if (y <= 0) col = Mix(land, kHorizon, Smoothstep(0.04f, 0.0f, depth));

  // Two lines of distant hills in front of it, the nearer darker; below their tops
  // they turn into the land.
  const float far = HillLine(cx, cz, 2.2f, 81, 0.0f, 0.08f);
  const float nearLine = HillLine(cx, cz, 3.4f, 83, -0.015f, 0.06f);
  const float aa = 0.0025f;
  const float inFar = Smoothstep(far + aa, far - aa, y);
  const float inNear = Smoothstep(nearLine + aa, nearLine - aa, y);
  const TRgb farCol = Mix(kFarHills, kLowHaze, Smoothstep(0.0f, 0.1f, far - y));
  const TRgb nearCol = Mix(kNearHills, land, Smoothstep(0.0f, 0.1f, nearLine - y));
  col = Mix(col, farCol, inFar);
  col = Mix(col, nearCol, inNear);
  return col;
}

void SkyFacePoint(int face, float s, float t, float out[3]) {
  const TCorners& f = kFaces[face];
  for (int i = 0; i < 3; ++i) out[i] = f.c00[i] + s * (f.c10[i] - f.c00[i]) + t * (f.c01[i] - f.c00[i]);
}

TPixmap MakeSkyFace(int face, int size) {
  TPixmap img(size, size, 3);
  // The outermost texels sit exactly on the cube's edges, so neighbouring faces share
  // their edge colours and the clamped seams vanish.
  const float step = 1.0f / float(size - 1);
  for (int r = 0; r < size; ++r) {
    for (int c = 0; c < size; ++c) {
      float p[3];
      SkyFacePoint(face, c * step, r * step, p);
      img.Set(c, r, SkyColour(p[0], p[1], p[2]));
    }
  }
  return img;
}

TPixmap MakeEnvMap(int size) {
  TPixmap img(size, size, 3);
  for (int r = 0; r < size; ++r) {
    for (int c = 0; c < size; ++c) {
      // Sphere-map coordinates: s across, t from the first row; t above 0.5 reflects
      // upwards, so the sky lies in the second half of the rows.
      float sx = 2.0f * (c + 0.5f) / size - 1.0f, sy = 2.0f * (r + 0.5f) / size - 1.0f;
      float rr = sx * sx + sy * sy;
      if (rr > 0.995f) {
        const float k = std::sqrt(0.995f / rr);
        sx *= k, sy *= k, rr = 0.995f;
      }
      const float nz = std::sqrt(1.0f - rr);
      const float rx = 2 * nz * sx, ry = 2 * nz * sy, rz = 2 * nz * nz - 1;
      TRgb col;
      if (ry >= 0) {
        col = SkyColour(rx, ry, rz);
      } else {
        const float down = Smoothstep(0.0f, 0.6f, -ry / std::sqrt(rx * rx + ry * ry + rz * rz));
        col = Mix({0.55f, 0.57f, 0.52f}, {0.22f, 0.25f, 0.16f}, down);
      }
      // Brushed metal: mostly grey, a little of the colour, a bright rim of light.
      const float lum = 0.3f * col.r + 0.55f * col.g + 0.15f * col.b;
      col = Mix({lum, lum, lum}, col, 0.45f);
      col = Scale(col, 0.85f + 0.35f * Smoothstep(0.6f, 0.98f, rr));
      img.Set(c, r, col);
    }
  }
  return img;
}
