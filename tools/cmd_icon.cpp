// halvrost-data icon OUT.ico: the game's icon pixels as a Windows icon file (one 32 x 32, 32-bit image).
#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/l_icon.h"
#include "commands.h"

static void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

static void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

static std::vector<uint8_t> IconFile(const std::vector<uint8_t>& rgba, int size) {
  const uint32_t maskRow = (static_cast<uint32_t>(size) + 31) / 32 * 4;
  const uint32_t imageBytes = 40 + static_cast<uint32_t>(size * size) * 4 + maskRow * size;
  std::vector<uint8_t> b;
  Put16(b, 0);  // directory: reserved, type 1 (icon), one image
  Put16(b, 1);
  Put16(b, 1);
  b.push_back(static_cast<uint8_t>(size));
  b.push_back(static_cast<uint8_t>(size));
  b.push_back(0);  // no palette
  b.push_back(0);
  Put16(b, 1);   // planes
  Put16(b, 32);  // bits per pixel
  Put32(b, imageBytes);
  Put32(b, 22);  // the image follows the 6 + 16 bytes of directory
  // The image: a bitmap header whose height counts the colour rows and the mask rows.
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(size));
  Put32(b, static_cast<uint32_t>(size * 2));
  Put16(b, 1);
  Put16(b, 32);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  // Rows bottom-up, blue first; then the transparency mask, one bit per pixel.
  for (int y = size - 1; y >= 0; --y)
    for (int x = 0; x < size; ++x) {
      const uint8_t* p = &rgba[(static_cast<size_t>(y) * size + x) * 4];
      b.insert(b.end(), {p[2], p[1], p[0], p[3]});
    }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskRow, 0);
    for (int x = 0; x < size; ++x)
      if (rgba[(static_cast<size_t>(y) * size + x) * 4 + 3] == 0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

int CmdIcon(int argc, char** argv) {
  if (argc != 1) {
    std::fprintf(stderr, "usage: halvrost-data icon OUT.ico\n");
    return 2;
  }
  const std::vector<uint8_t> file = IconFile(MakeIconPixels(), 32);
  std::FILE* f = std::fopen(argv[0], "wb");
  bool ok = f && std::fwrite(file.data(), 1, file.size(), f) == file.size();
  if (f) ok = std::fclose(f) == 0 && ok;
  if (!ok) std::fprintf(stderr, "cannot write %s\n", argv[0]);
  return ok ? 0 : 1;
}
