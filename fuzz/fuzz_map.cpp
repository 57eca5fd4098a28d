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

struct Input {
  const uint8_t* p;
  size_t n;
  template <typename T>
  T Take() {
    T v{};
    size_t k = n < sizeof(T) ? n : sizeof(T);
    std::memcpy(&v, p, k);
    p += k;
    n -= k;
    return v;
  }
};

void CheckTriangle(int32_t t, const TVector& p) {
  if (GameMap.TriCount == 0) {
    if (t != -1 || p.y != 0) std::abort();
    return;
  }
  // Only the triangulated cells are ever answered, never the zero entries.
  if (t < 0 || t >= 2 * (GameMap.Width - 2) * (GameMap.Height - 2)) std::abort();
  if (!std::isfinite(p.y)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  TImage img;
  img.Width = in.Take<uint16_t>() % 300;
  img.Height = in.Take<uint16_t>() % 300;
  img.Bits = (in.Take<uint8_t>() & 1) ? 32 : 24;
  size_t bytes = size_t(img.Width) * img.Height * (img.Bits / 8);
  size_t have = in.n < bytes ? in.n : bytes;
  img.Pixels.assign(in.p, in.p + have);
  in.p += have;
  in.n -= have;
  if (in.Take<uint8_t>() & 1) img.Pixels.resize(bytes);  // sometimes short, sometimes padded
  MapBuildTerrain(GameMap, img);

  SpiderModel.Radius = float(in.Take<uint8_t>());
  for (int i = 0; i < 3; ++i) MapAddSpider(GameMap)->Position = in.Take<TVector>();
  while (in.n > 0) {
    uint8_t op = in.Take<uint8_t>();
    TVector p = in.Take<TVector>();
    TVector n;
    switch (op % 4) {
      case 0:
        CheckTriangle(MapGroundHeight(GameMap, p), p);
        break;
      case 1:
        PlayerAreaFlag = op & 4;
        CheckTriangle(MapClampToGround(GameMap, p, n), p);
        PlayerAreaFlag = false;
        break;
      case 2:
        MapShoot(GameMap, p, in.Take<TVector>());
        break;
      default:
        UpdateParticles();
        break;
    }
  }
  ClearParticles();
  MapFree(GameMap, false);
  return 0;
}
