// Pixel buffers, hashed gradient noise, the JPEG and TGA encoders and the PNG writer (libpng).
#include "gen_pixmap.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <png.h>

void TPixmap::Set(int x, int y, const TRgb& c, float a) {
  uint8_t* p = &Px[(size_t(y) * Width + x) * Channels];
  p[0] = uint8_t(std::lround(Clamp01(c.r) * 255.0f));
  p[1] = uint8_t(std::lround(Clamp01(c.g) * 255.0f));
  p[2] = uint8_t(std::lround(Clamp01(c.b) * 255.0f));
  if (Channels == 4) p[3] = uint8_t(std::lround(Clamp01(a) * 255.0f));
}

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

float Smoothstep(float e0, float e1, float x) {
  float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

float Mix(float a, float b, float t) { return a + (b - a) * t; }
TRgb Mix(const TRgb& a, const TRgb& b, float t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)}; }
TRgb Scale(const TRgb& c, float k) { return {c.r * k, c.g * k, c.b * k}; }

uint32_t HashInts(int32_t x, int32_t y, int32_t z, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B9u;
  h ^= uint32_t(x) * 0x85EBCA6Bu;
  h = (h << 13) | (h >> 19);
  h ^= uint32_t(y) * 0xC2B2AE35u;
  h = (h << 17) | (h >> 15);
  h ^= uint32_t(z) * 0x27D4EB2Fu;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

float HashUnit(int32_t x, int32_t y, uint32_t seed) {
  return float(HashInts(x, y, 0, seed) >> 8) * (1.0f / 16777216.0f);
}

static float Fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

static int Wrap(int v, int period) {
  if (period <= 0) return v;
  int m = v % period;
  return m < 0 ? m + period : m;
}

// Eight gradient directions around the circle, picked by the hash.
static float Grad2(int ix, int iy, uint32_t seed, float dx, float dy) {
  static const float kDirs[8][2] = {{1, 0}, {0.7071f, 0.7071f}, {0, 1}, {-0.7071f, 0.7071f},
                                    {-1, 0}, {-0.7071f, -0.7071f}, {0, -1}, {0.7071f, -0.7071f}};
  const float* g = kDirs[HashInts(ix, iy, 0, seed) & 7];
  return g[0] * dx + g[1] * dy;
}

float Noise2(float x, float y, uint32_t seed, int period) {
  const float fx = std::floor(x), fy = std::floor(y);
  const int x0 = int(fx), y0 = int(fy);
  const float dx = x - fx, dy = y - fy;
  const int ax = Wrap(x0, period), bx = Wrap(x0 + 1, period);
  const int ay = Wrap(y0, period), by = Wrap(y0 + 1, period);
  const float n00 = Grad2(ax, ay, seed, dx, dy), n10 = Grad2(bx, ay, seed, dx - 1, dy);
  const float n01 = Grad2(ax, by, seed, dx, dy - 1), n11 = Grad2(bx, by, seed, dx - 1, dy - 1);
  const float u = Fade(dx), v = Fade(dy);
  return 1.4142f * Mix(Mix(n00, n10, u), Mix(n01, n11, u), v);
}

static float Grad3(int ix, int iy, int iz, uint32_t seed, float dx, float dy, float dz) {
  // The twelve cube-edge directions.
  switch (HashInts(ix, iy, iz, seed) % 12) {
    case 0: return dx + dy;
    case 1: return -dx + dy;
    case 2: return dx - dy;
    case 3: return -dx - dy;
    case 4: return dx + dz;
    case 5: return -dx + dz;
    case 6: return dx - dz;
    case 7: return -dx - dz;
    case 8: return dy + dz;
    case 9: return -dy + dz;
    case 10: return dy - dz;
    default: return -dy - dz;
  }
}

float Noise3(float x, float y, float z, uint32_t seed) {
  const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
  const int x0 = int(fx), y0 = int(fy), z0 = int(fz);
  const float dx = x - fx, dy = y - fy, dz = z - fz;
  float n[2][2][2];
  for (int k = 0; k < 2; ++k)
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 2; ++i) n[k][j][i] = Grad3(x0 + i, y0 + j, z0 + k, seed, dx - i, dy - j, dz - k);
  const float u = Fade(dx), v = Fade(dy), w = Fade(dz);
  const float a = Mix(Mix(n[0][0][0], n[0][0][1], u), Mix(n[0][1][0], n[0][1][1], u), v);
  const float b = Mix(Mix(n[1][0][0], n[1][0][1], u), Mix(n[1][1][0], n[1][1][1], u), v);
  return Mix(a, b, w);
}

float Fbm2(float x, float y, int octaves, uint32_t seed, int period) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * Noise2(x, y, seed + uint32_t(o) * 101u, period);
    norm += amp;
    x *= 2;
    y *= 2;
    if (period > 0) period *= 2;
    amp *= 0.5f;
  }
  return sum / norm;
}

float Fbm3(float x, float y, float z, int octaves, uint32_t seed) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * Noise3(x, y, z, seed + uint32_t(o) * 101u);
    norm += amp;
    x *= 2;
    y *= 2;
    z *= 2;
    amp *= 0.5f;
  }
  return sum / norm;
}

std::vector<uint8_t> EncodeJpeg(const TPixmap& img, int quality) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long memSize = 0;
  jpeg_mem_dest(&cinfo, &mem, &memSize);
  cinfo.image_width = JDIMENSION(img.Width);
  cinfo.image_height = JDIMENSION(img.Height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.dct_method = JDCT_ISLOW;  // the integer transform: the same bytes everywhere
  cinfo.optimize_coding = TRUE;
  for (int c = 0; c < cinfo.num_components; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
  }
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(size_t(img.Width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = int(cinfo.next_scanline);
    for (int x = 0; x < img.Width; ++x)
      for (int c = 0; c < 3; ++c) row[size_t(x) * 3 + c] = img.At(x, y)[c];
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> out(mem, mem + memSize);
  jpeg_destroy_compress(&cinfo);
  std::free(mem);
  return out;
}

std::vector<uint8_t> EncodeTga(const TPixmap& img) {
  const int bpp = img.Channels == 4 ? 4 : 3;
  std::vector<uint8_t> f(18, 0);
  f[2] = 2;  // uncompressed true-colour
  f[12] = uint8_t(img.Width & 0xFF);
  f[13] = uint8_t(img.Width >> 8);
  f[14] = uint8_t(img.Height & 0xFF);
  f[15] = uint8_t(img.Height >> 8);
  f[16] = uint8_t(bpp * 8);
  f[17] = bpp == 4 ? 8 : 0;  // alpha bits; rows bottom to top, pixels left to right
  f.reserve(18 + size_t(img.Width) * img.Height * bpp);
  for (int y = img.Height - 1; y >= 0; --y) {
    for (int x = 0; x < img.Width; ++x) {
      const uint8_t* p = img.At(x, y);
      f.push_back(p[2]);
      f.push_back(p[1]);
      f.push_back(p[0]);
      if (bpp == 4) f.push_back(p[3]);
    }
  }
  return f;
}

bool WritePng(const std::string& path, int w, int h, int channels, const uint8_t* px) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  img.width = png_uint_32(w);
  img.height = png_uint_32(h);
  img.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  const bool ok = png_image_write_to_file(&img, path.c_str(), 0, px, 0, nullptr) != 0;
  png_image_free(&img);
  return ok;
}
