// Speed of the world's hot paths: ground lookups, a shot through a crowd, baking a model.
#include <benchmark/benchmark.h>

#include <vector>

#include "actors/l_spider.h"
#include "app/l_utils.h"
#include "effects/l_particle.h"
#include "game/l_game.h"

namespace {

void BuildMap(int side) {
  TImage img;
  img.Width = img.Height = side;
  img.Bits = 24;
  img.Pixels.assign(size_t(side) * side * 3, 0);
  for (int i = 0; i < side * side; ++i) img.Pixels[size_t(i) * 3] = uint8_t((i * 37) % 251);
  MapBuildTerrain(GameMap, img);
}

void BM_GroundHeight(benchmark::State& state) {
  BuildMap(128);
  TVector p = {0, 0, 0};
  float x = 0;
  for (auto _ : state) {
    x += 0.37f;
    if (x > 250) x = 0;
    p = {x, 0, 250 - x};
    benchmark::DoNotOptimize(MapGroundHeight(GameMap, p));
  }
  MapFree(GameMap, false);
}
BENCHMARK(BM_GroundHeight);

void BM_ShotThroughSpiders(benchmark::State& state) {
  BuildMap(128);
  SpiderModel.Radius = 2;
  RandomSeed(7);
  for (int i = 0; i < state.range(0); ++i)
    MapAddSpider(GameMap)->Position = {float(30 + i % 200), 1, float(40 + (i * 13) % 180)};
  for (auto _ : state) {
    MapShoot(GameMap, {20, 6, 20}, {-0.05f, 0.7f, 0});
    ClearParticles();
  }
  MapFree(GameMap, false);
}
BENCHMARK(BM_ShotThroughSpiders)->Arg(0)->Arg(100)->Arg(1000);

void BM_MapBuild(benchmark::State& state) {
  for (auto _ : state) BuildMap(256);
  MapFree(GameMap, false);
}
BENCHMARK(BM_MapBuild);

}  // namespace
