// Test tool: counts the pixels of one kind inside a rectangle of a binary PPM screenshot, so
// shell-driven runs can tell whether the sky, the menu text or the HUD is on screen.
// Usage: ppm_count FILE X0 Y0 X1 Y1 KIND   (KIND: white, black, grey, sky, green, yellow; X1, Y1 excluded)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

static bool Matches(const char* kind, int r, int g, int b) {
  if (!std::strcmp(kind, "white")) return r > 200 && g > 200 && b > 200;
  if (!std::strcmp(kind, "black")) return r < 24 && g < 24 && b < 24;
  // The disabled menu item: a mid grey, neither dark nor bright.
  if (!std::strcmp(kind, "grey")) return r > 90 && r < 180 && std::abs(r - g) < 12 && std::abs(g - b) < 12;
  if (!std::strcmp(kind, "sky")) return b > 150 && b > r + 30;
  if (!std::strcmp(kind, "green")) return g > 150 && r < 110 && b < 110;
  return !std::strcmp(kind, "yellow") && r > 180 && g > 160 && b < 90;
}

int main(int argc, char** argv) {
  if (argc != 7) return std::fprintf(stderr, "usage: ppm_count FILE X0 Y0 X1 Y1 KIND\n"), 2;
  FILE* f = std::fopen(argv[1], "rb");
  int w = 0, h = 0, maxval = 0;
  bool ok = f && std::fscanf(f, "P6 %d %d %d", &w, &h, &maxval) == 3 && maxval == 255 && w > 0 && h > 0 && w <= 8192 &&
            h <= 8192 && std::fgetc(f) != EOF;
  std::vector<unsigned char> rgb(ok ? static_cast<size_t>(w) * h * 3 : 0);
  ok = ok && std::fread(rgb.data(), 1, rgb.size(), f) == rgb.size();
  if (f) std::fclose(f);
  if (!ok) return std::fprintf(stderr, "ppm_count: cannot read %s\n", argv[1]), 2;
  int x0 = std::max(std::atoi(argv[2]), 0), y0 = std::max(std::atoi(argv[3]), 0);
  int x1 = std::min(std::atoi(argv[4]), w), y1 = std::min(std::atoi(argv[5]), h);
  long count = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const unsigned char* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      count += Matches(argv[6], p[0], p[1], p[2]);
    }
  std::printf("%ld\n", count);
  return 0;
}
