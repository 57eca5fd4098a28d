// Pictures and helpers shared by the image generators: pixel buffers, noise, file encoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TRgb {
  float r = 0, g = 0, b = 0;
};

// Red first, top row first (the picture as seen); 3 (RGB) or 4 (RGBA) bytes a pixel.
struct TPixmap {
  int Width = 0;
  int Height = 0;
  int Channels = 3;
  std::vector<uint8_t> Px;

  TPixmap() = default;
  TPixmap(int w, int h, int channels) : Width(w), Height(h), Channels(channels), Px(size_t(w) * h * channels, 0) {}
  // Components in 0..1, clamped and rounded.
  void Set(int x, int y, const TRgb& c, float a = 1.0f);
  const uint8_t* At(int x, int y) const { return &Px[(size_t(y) * Width + x) * Channels]; }
};

float Clamp01(float v);
float Smoothstep(float e0, float e1, float x);
float Mix(float a, float b, float t);
TRgb Mix(const TRgb& a, const TRgb& b, float t);
TRgb Scale(const TRgb& c, float k);

// Deterministic noise (integer hashing only, no library random engines).
uint32_t HashInts(int32_t x, int32_t y, int32_t z, uint32_t seed);
float HashUnit(int32_t x, int32_t y, uint32_t seed);  // [0, 1)
// Gradient noise in about [-1, 1]; a period > 0 makes it repeat every period lattice cells.
float Noise2(float x, float y, uint32_t seed, int period = 0);
float Noise3(float x, float y, float z, uint32_t seed);
// Sums of octaves, each twice the frequency and half the amplitude; about [-1, 1].
float Fbm2(float x, float y, int octaves, uint32_t seed, int period = 0);
float Fbm3(float x, float y, float z, int octaves, uint32_t seed);

// File encoders. JPEG keeps full colour resolution (no chroma subsampling); TGA is
// uncompressed and stored bottom row first, 24 or 32 bits as the channels say.
std::vector<uint8_t> EncodeJpeg(const TPixmap& img, int quality);
std::vector<uint8_t> EncodeTga(const TPixmap& img);
// Writes w x h pixels of 3 (RGB) or 4 (RGBA) bytes, top row first, as a compressed 8-bit PNG
// through libpng; false when the file cannot be written. The one PNG writer of the project.
bool WritePng(const std::string& path, int w, int h, int channels, const uint8_t* px);
