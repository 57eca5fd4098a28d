// libFuzzer target: terrain building from a decoded height image, then ground queries and
// shots at points taken from the input; every answer must stay inside the map's arrays.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "actors/l_spider.h"
#include "effects/l_particle.h"
#include "game/l_game.h"

namespace {

// The input read front to back; past its end every value reads as zero bytes.
struct Input {
  const uint8_t* p;
  size_t n;
  size_t Skip(size_t k) { return k = k < n ? k : n, p += k, n -= k, k; }
  template <typename T>
  T Take() {
    T v{};
    const uint8_t* at = p;
    return std::memcpy(&v, at, Skip(sizeof(T))), v;
  }
};

// Only the triangulated cells are ever answered, never the zero entries; no map answers -1.
void CheckTriangle(int32_t t, const TVector& p) {
  if (GameMap.TriCount == 0 ? (t != -1 || p.y != 0)
                            : (t < 0 || t >= 2 * (GameMap.Width - 2) * (GameMap.Height - 2) || !std::isfinite(p.y)))
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  TImage img;
  img.Width = in.Take<uint16_t>() % 300;
  img.Height = in.Take<uint16_t>() % 300;
  img.Bits = (in.Take<uint8_t>() & 1) ? 32 : 24;
  const size_t bytes = size_t(img.Width) * img.Height * (img.Bits / 8);
  const uint8_t* pixels = in.p;
  img.Pixels.assign(pixels, pixels + in.Skip(bytes));
  if (in.Take<uint8_t>() & 1) img.Pixels.resize(bytes);  // sometimes short, sometimes padded
  MapBuildTerrain(GameMap, img);

  SpiderModel.Radius = float(in.Take<uint8_t>());
  for (int i = 0; i < 3; ++i) MapAddSpider(GameMap)->Position = in.Take<TVector>();
  while (in.n > 0) {
    const uint8_t op = in.Take<uint8_t>();
    TVector p = in.Take<TVector>(), n;
    if (op % 4 == 0) CheckTriangle(MapGroundHeight(GameMap, p), p);
    if (op % 4 == 1) {
      PlayerAreaFlag = op & 4;
      CheckTriangle(MapClampToGround(GameMap, p, n), p);
      PlayerAreaFlag = false;
    }
    if (op % 4 == 2) MapShoot(GameMap, p, in.Take<TVector>());
    if (op % 4 == 3) UpdateParticles();
  }
  ClearParticles();
  MapFree(GameMap, false);
  return 0;
}
