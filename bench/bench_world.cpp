// Speed of the world's hot paths: ground lookups, a shot through a crowd, building the terrain.
#include <benchmark/benchmark.h>

#include "actors/l_spider.h"
#include "app/l_utils.h"
#include "effects/l_particle.h"
#include "support/world_maps.h"

namespace {

// A side x side height image of pseudo-random heights.
TImage Heights(int side) {
  return MakeHeightImage(side, side, [side](int k, int j) { return uint8_t(((j * side + k) * 37) % 251); });
}

void BM_GroundHeight(benchmark::State& state) {
  MapBuildTerrain(GameMap, Heights(128));
  float x = 0;
  for (auto _ : state) {
    x = x > 250 ? 0 : x + 0.37f;
    TVector p = {x, 0, 250 - x};
    benchmark::DoNotOptimize(MapGroundHeight(GameMap, p));
  }
  MapFree(GameMap, false);
}
BENCHMARK(BM_GroundHeight);

void BM_ShotThroughSpiders(benchmark::State& state) {
  MapBuildTerrain(GameMap, Heights(128));
  SpiderModel.Radius = 2;
  RandomSeed(7);
  for (int i = 0; i < state.range(0); ++i)
    MapAddSpider(GameMap)->Position = {float(30 + i % 200), 1, float(40 + (i * 13) % 180)};
  for (auto _ : state) MapShoot(GameMap, {20, 6, 20}, {-0.05f, 0.7f, 0}), ClearParticles();
  MapFree(GameMap, false);
}
BENCHMARK(BM_ShotThroughSpiders)->Arg(0)->Arg(100)->Arg(1000);

void BM_MapBuild(benchmark::State& state) {
  const TImage heights = Heights(256);
  for (auto _ : state) MapBuildTerrain(GameMap, heights);
  MapFree(GameMap, false);
}
BENCHMARK(BM_MapBuild);

}  // namespace
