// Uncompressed TGA reader: palette, true-colour and grey images to blue-first pixels.
#include "render/l_tga.h"

#include <cstring>
#include <new>

#include "platform/p_file.h"

// Larger pictures are refused outright rather than risking huge allocations.
static const uint64_t kMaxPixels = 16384ull * 16384ull;

static uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

static bool Convert(const uint8_t* data, size_t size, TImage& out) {
  if (!data || size < 18) return false;
  const uint8_t* h = data;
  uint8_t idLength = h[0], mapType = h[1], imageType = h[2];
  uint16_t mapLength = Le16(h + 5);
  uint8_t mapEntrySize = h[7];
  uint32_t width = Le16(h + 12), height = Le16(h + 14);
  uint8_t depth = h[16], descriptor = h[17];

  if (imageType != 1 && imageType != 2 && imageType != 3) return false;
  if (depth != 8 && depth != 16 && depth != 24 && depth != 32) return false;
  if (width == 0 || height == 0 || uint64_t(width) * height > kMaxPixels) return false;

  size_t pos = 18 + size_t(idLength);
  std::vector<uint8_t> palette;
  if (imageType == 1) {
    if (mapType != 1 || mapEntrySize != 24) return false;
    size_t bytes = size_t(mapLength) * 3;
    if (pos > size || size - pos < bytes) return false;
    palette.assign(data + pos, data + pos + bytes);
    pos += bytes;
    // Only an 8-bit colour-mapped image reads the palette; others ignore it.
  }
  if (pos > size) return false;
  const uint8_t* src = data + pos;
  size_t avail = size - pos;
  size_t count = size_t(width) * height;
  size_t inBytes = count * (depth / 8);
  if (avail < inBytes) return false;  // truncated: refuse rather than read past the end

  int outBpp = depth >= 32 ? 4 : 3;
  out.Width = static_cast<int32_t>(width);
  out.Height = static_cast<int32_t>(height);
  out.Bits = outBpp * 8;
  out.Pixels.resize(count * outBpp);
  uint8_t* dst = out.Pixels.data();

  switch (depth) {
    case 8:
      if (imageType == 1) {
        for (size_t i = 0; i < count; ++i) {
          size_t index = src[i];
          if (index >= mapLength) return false;  // a palette index past the map: damaged file
          std::memcpy(dst + i * 3, palette.data() + index * 3, 3);
        }
      } else {
        for (size_t i = 0; i < count; ++i) dst[i * 3] = dst[i * 3 + 1] = dst[i * 3 + 2] = src[i];
      }
      break;
    case 16:
      for (size_t i = 0; i < count; ++i) {
        uint16_t v = Le16(src + i * 2);
        dst[i * 3] = static_cast<uint8_t>((v & 0x1F) << 3);
        dst[i * 3 + 1] = static_cast<uint8_t>(((v >> 5) & 0x1F) << 3);
        dst[i * 3 + 2] = static_cast<uint8_t>(((v >> 10) & 0x1F) << 3);
      }
      break;
    default:
      std::memcpy(dst, src, inBytes);
      break;
  }

  size_t rowBytes = size_t(width) * outBpp;
  if (descriptor & 0x10) {
    for (uint32_t r = 0; r < height; ++r) {
      uint8_t* row = dst + r * rowBytes;
      for (uint32_t a = 0, b = width - 1; a < b; ++a, --b) {
        uint8_t tmp[4];
        std::memcpy(tmp, row + a * outBpp, outBpp);
        std::memcpy(row + a * outBpp, row + b * outBpp, outBpp);
        std::memcpy(row + b * outBpp, tmp, outBpp);
      }
    }
  }
  if (descriptor & 0x20) {
    std::vector<uint8_t> tmp(rowBytes);
    for (uint32_t r = 0; r < height / 2; ++r) {
      uint8_t* a = dst + r * rowBytes;
      uint8_t* b = dst + (height - 1 - r) * rowBytes;
      std::memcpy(tmp.data(), a, rowBytes);
      std::memcpy(a, b, rowBytes);
      std::memcpy(b, tmp.data(), rowBytes);
    }
  }
  return true;
}

bool ReadTGAMemory(const uint8_t* data, size_t size, TImage& out) {
  out = TImage{};
  // A picture too large for memory fails the read like any damaged file.
  try {
    if (Convert(data, size, out)) return true;
  } catch (const std::bad_alloc&) {
  }
  out = TImage{};
  return false;
}

bool ReadTGA(const std::string& fileName, TImage& out) {
  out = TImage{};
  std::vector<uint8_t> bytes;
  try {
    if (!GameFileReadAll(fileName, bytes)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return ReadTGAMemory(bytes.data(), bytes.size(), out);
}
