// Texture manager: textures by file name with reference counts, full mipmap chains.
#include "platform/p_gl.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>

#include "render/l_gl.h"
#include "render/l_jpeg.h"
#include "render/l_tga.h"

std::vector<TManTex> TextureTable;
bool TextureClamp = false;
TImage KeptPixels;

// From the last dot after the last backslash or colon, lower-cased; empty if none.
static std::string LowerExtension(const std::string& name) {
  size_t sep = name.find_last_of("\\:/");
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return "";
  std::string ext = name.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext;
}

static int32_t ClosestPowerOfTwo(int32_t v) {
  int32_t lower = 1;
  while (lower * 2 <= v && lower < 4096) lower *= 2;
  if (lower >= 4096) return 4096;
  int32_t upper = lower * 2;
  return (v - lower < upper - v) ? lower : upper;
}

// GLU's own rescaler drops the last rows for some sizes (3 x 2 comes out with an
// empty second row), so pictures whose sides are not powers of two are resampled
// here, bilinearly, to the size GLU would have chosen.
static std::vector<uint8_t> ResampleToPowerOfTwo(const uint8_t* src, int32_t w, int32_t h, int bpp,
                                                 int32_t& outW, int32_t& outH) {
  outW = ClosestPowerOfTwo(w);
  outH = ClosestPowerOfTwo(h);
  std::vector<uint8_t> dst(static_cast<size_t>(outW) * outH * bpp);
  for (int32_t y = 0; y < outH; ++y) {
    float fy = (y + 0.5f) * h / outH - 0.5f;
    int32_t y0 = std::clamp(static_cast<int32_t>(std::floor(fy)), 0, h - 1);
    int32_t y1 = std::min(y0 + 1, h - 1);
    float ty = std::clamp(fy - y0, 0.0f, 1.0f);
    for (int32_t x = 0; x < outW; ++x) {
      float fx = (x + 0.5f) * w / outW - 0.5f;
      int32_t x0 = std::clamp(static_cast<int32_t>(std::floor(fx)), 0, w - 1);
      int32_t x1 = std::min(x0 + 1, w - 1);
      float tx = std::clamp(fx - x0, 0.0f, 1.0f);
      for (int c = 0; c < bpp; ++c) {
        auto at = [&](int32_t xx, int32_t yy) { return src[(static_cast<size_t>(yy) * w + xx) * bpp + c]; };
        float top = at(x0, y0) + (at(x1, y0) - at(x0, y0)) * tx;
        float bottom = at(x0, y1) + (at(x1, y1) - at(x0, y1)) * tx;
        dst[(static_cast<size_t>(y) * outW + x) * bpp + c] = static_cast<uint8_t>(top + (bottom - top) * ty + 0.5f);
      }
    }
  }
  return dst;
}

uint32_t UploadTexture(GLint internalFormat, GLenum pixelFormat, int32_t width, int32_t height,
                       const uint8_t* pixels) {
  // Resampled before any GL object exists, so running out of memory here leaves nothing behind.
  int32_t potW = ClosestPowerOfTwo(width), potH = ClosestPowerOfTwo(height);
  std::vector<uint8_t> scaled;
  if (potW != width || potH != height) {
    int bpp = (pixelFormat == GL_BGRA_EXT || pixelFormat == GL_RGBA) ? 4 : 3;
    scaled = ResampleToPowerOfTwo(pixels, width, height, bpp, potW, potH);
    pixels = scaled.data();
  }
  GLuint id = 0;
  glGenTextures(1, &id);
  glBindTexture(GL_TEXTURE_2D, id);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  GLint wrap = TextureClamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_FALSE);
  gluBuild2DMipmaps(GL_TEXTURE_2D, internalFormat, potW, potH, pixelFormat, GL_UNSIGNED_BYTE, pixels);
  return id;
}

uint32_t LoadTexture(const std::string& fileName, bool keepPixels) {
  for (TManTex& t : TextureTable) {
    if (t.Name == fileName) {
      ++t.Ref;
      return t.ID;
    }
  }
  std::string ext = LowerExtension(fileName);
  TImage image;
  uint32_t id = 0;
  // Out of memory anywhere, in a decoder, the resampling or the table, is a failed load.
  try {
    GLint internalFormat;
    GLenum pixelFormat;
    if (ext == ".jpg") {
      if (!DecodeJpeg(fileName, image)) return 0;
      internalFormat = GL_RGB8;
      pixelFormat = GL_BGR_EXT;
    } else if (ext == ".tga") {
      if (!ReadTGA(fileName, image)) return 0;
      bool rgb = image.Bits == 24;
      internalFormat = rgb ? GL_RGB8 : GL_RGBA8;
      pixelFormat = rgb ? GL_BGR_EXT : GL_BGRA_EXT;
    } else {
      return 0;
    }
    if (image.Width <= 0 || image.Height <= 0) return 0;
    id = UploadTexture(internalFormat, pixelFormat, image.Width, image.Height, image.Pixels.data());
    TextureTable.push_back(TManTex{id, fileName, 1});
  } catch (const std::exception&) {
    if (id) {
      GLuint name = id;
      glDeleteTextures(1, &name);
    }
    return 0;
  }
  if (keepPixels) KeptPixels = std::move(image);
  return id;
}

void FreeTexture(uint32_t texture) {
  if (texture == 0) return;
  for (size_t i = 0; i < TextureTable.size(); ++i) {
    if (TextureTable[i].ID != texture) continue;
    if (--TextureTable[i].Ref > 0) return;
    TextureTable.erase(TextureTable.begin() + static_cast<std::ptrdiff_t>(i));
    break;
  }
  GLuint id = texture;
  glDeleteTextures(1, &id);
  // The bind cache must not claim a deleted name is still bound.
  if (BoundTexture == texture) BoundTexture = 0;
}
