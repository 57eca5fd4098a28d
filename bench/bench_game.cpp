// Whole-game speed on the generated data set: a game step and a frame under load, and start-up.
#include "platform/p_gl.h"
#include <benchmark/benchmark.h>

#include "audio/l_sound.h"
#include "support/bench_data.h"
#include "support/full_data.h"
#include "support/game_env.h"

namespace {

constexpr int kTurrets = 10;
constexpr int kParticles = 3000;

bool Ready(benchmark::State& state) {
  const bool ok = EnterBenchData() && EnsureTestGL(640, 480);
  if (!ok) state.SkipWithError("no GL context or no data");
  return ok;
}

// Dead spiders are replaced at the ring's edge and the smoke topped up, so the load stays
// what the benchmark names.
void TopUp(int spiders) {
  for (TSpider* s; GameMap.SpiderCount < spiders && (s = MapAddSpider(GameMap));) {
    InitSpider(*s);
    const float a = RandomInt(6283) / 1000.0f, r = 30.0f + float(RandomInt(50));
    s->Position = {85 + r * std::cos(a), 0, 85 + r * std::sin(a)};
    AimSpider(*s);
  }
  while (ParticleList.Count < kParticles) {
    auto* smoke = new TP_Smoke({85 + float(RandomInt(60)) - 30, 10, 85 + float(RandomInt(60)) - 30});
    smoke->Life = 50 + RandomInt(200);
    AddParticle(smoke);
  }
}

// The game as a player would have it a while into a big wave: walking a slow circle and firing
// in the middle of the open ground, range(0) spiders alive around him, ten turrets, a haze of
// smoke, healed each step; 50 steps let the turrets find targets and the smoke spread. Then
// each iteration is a step, or with `render` a frame that is drawn, not just queued.
void PlayScene(benchmark::State& state, bool render) {
  if (!Ready(state)) return;
  const int spiders = int(state.range(0));
  InitSound(); LoadGame(); RandomSeed(2024); MenuActive = true;
  TapKey(VK_RETURN);  // START
  WaveDelay = 1 << 30; SpawnsLeft = 0;  // the waves stay out of it
  Player.Position = {85, Player.Position.y, 85};
  for (int i = 0; i < kTurrets; ++i) {
    TZenit* z = MapAddZenit(GameMap);
    if (!z) break;
    const float a = i * 6.2831853f / kTurrets;
    z->Position = {85 + 6 * std::cos(a), 0, 85 + 6 * std::sin(a)};
    z->Aim[1] = z->TargetAim[1] = a;
    PlaceZenit(*z);
  }
  KeyPress(0); KeyPress('W'); TopUp(spiders);  // fire, forward
  auto step = [spiders] { Player.Health = 100; GameStep(3, 0); UpdateSound(); TopUp(spiders); };
  for (int i = 0; i < 50; ++i) step();
  // The first frames compile the driver's pipelines and upload textures.
  for (int i = 0; render && i < 5; ++i) RenderGame(), glFinish();
  for (auto _ : state) render ? (RenderGame(), glFinish()) : step();
  state.counters["spiders"] = GameMap.SpiderCount;
  state.counters["particles"] = ParticleList.Count;
  state.counters["rss_mib"] = double(ResidentBytes()) / 1048576.0;
  ResetInput(); FreeGame(); ShutdownSound();
}

void BM_UpdateGame(benchmark::State& state) { PlayScene(state, false); }
BENCHMARK(BM_UpdateGame)->Arg(25)->Arg(100)->Arg(250)->Unit(benchmark::kMicrosecond);
// Mesa draws on threads of its own: the wall time of a frame is what counts.
void BM_RenderGame(benchmark::State& state) { PlayScene(state, true); }
BENCHMARK(BM_RenderGame)->Arg(25)->Arg(100)->Arg(250)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the sound device and the data to the first menu frame on screen, as the program
// starts once its window and GL context exist; freeing is not counted.
void BM_Startup(benchmark::State& state) {
  if (!Ready(state)) return;
  for (auto _ : state) {
    InitSound(); LoadGame(); MenuActive = true; RenderGame(); glFinish();
    state.PauseTiming(); FreeGame(); ShutdownSound(); state.ResumeTiming();
  }
}
BENCHMARK(BM_Startup)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace
