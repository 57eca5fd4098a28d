// Whole-game speed on the generated data set: a game step and a frame under load, and start-up.
#include "platform/p_gl.h"
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "actors/l_player.h"
#include "actors/l_spider.h"
#include "actors/l_zenit.h"
#include "app/l_app.h"
#include "app/l_input.h"
#include "app/l_utils.h"
#include "audio/l_sound.h"
#include "effects/l_particle.h"
#include "game/l_game.h"
#include "menu/l_menu.h"
#include "platform/p_messages.h"
#include "platform/p_window.h"
#include "support/bench_data.h"
#include "support/full_data.h"
#include "support/test_env.h"
#include "world/l_map.h"

namespace {

constexpr int kTurrets = 10;
constexpr int kParticles = 3000;

// The game as a player would have it a while into a big wave: walking and firing in the
// middle of the open ground, `spiders` alive around him, ten turrets, a haze of smoke.
// Dead spiders are replaced at the ring's edge and the player is healed each step, so the
// load stays what the benchmark names.
class Scene {
 public:
  explicit Scene(int spiders) : spiders_(spiders) {
    ok_ = EnterBenchData() && EnsureTestGL(640, 480);
    if (!ok_) return;
    InitSound();
    LoadGame();
    RandomSeed(2024);
    MenuActive = true;
    WndProc(WM_KEYDOWN, VK_RETURN, 0);  // START
    WndProc(WM_KEYUP, VK_RETURN, 0);
    WaveDelay = 1 << 30;  // the waves stay out of it
    SpawnsLeft = 0;
    Player.Position = {85, Player.Position.y, 85};
    for (int i = 0; i < kTurrets; ++i) {
      TZenit* z = MapAddZenit(GameMap);
      if (!z) break;
      float a = i * 6.2831853f / kTurrets;
      z->Position = {85 + 6 * std::cos(a), 0, 85 + 6 * std::sin(a)};
      z->Aim[1] = z->TargetAim[1] = a;
      PlaceZenit(*z);
    }
    KeyPress(0);  // fire
    KeyPress('W');
    TopUp();
  }
  ~Scene() {
    if (!ok_) return;
    ResetInput();
    FreeGame();
    ShutdownSound();
  }
  bool Ok() const { return ok_; }
  void Step() {
    Player.Health = 100;
    // Walk a slow circle so the view and the terrain under the player change.
    PlatformSetCursorPos(ScreenWidth / 2 + 3, ScreenHeight / 2);
    UpdateGame();
    UpdateSound();
    TopUp();
  }

 private:
  void TopUp() {
    while (GameMap.SpiderCount < spiders_) {
      TSpider* s = MapAddSpider(GameMap);
      if (!s) break;
      InitSpider(*s);
      float a = RandomInt(6283) / 1000.0f, r = 30.0f + static_cast<float>(RandomInt(50));
      s->Position = {85 + r * std::cos(a), 0, 85 + r * std::sin(a)};
      AimSpider(*s);
    }
    while (ParticleList.Count < kParticles) {
      TVector p = {85 + static_cast<float>(RandomInt(60)) - 30, 10, 85 + static_cast<float>(RandomInt(60)) - 30};
      auto* smoke = new TP_Smoke(p);
      smoke->Life = 50 + RandomInt(200);
      AddParticle(smoke);
    }
  }
  int spiders_;
  bool ok_ = false;
};

void ResidentCounters(benchmark::State& state) {
  state.counters["rss_mib"] = static_cast<double>(ResidentBytes()) / 1048576.0;
}

void BM_UpdateGame(benchmark::State& state) {
  Scene scene(static_cast<int>(state.range(0)));
  if (!scene.Ok()) {
    state.SkipWithError("no GL context or no data");
    return;
  }
  for (int i = 0; i < 50; ++i) scene.Step();  // turrets find targets, smoke spreads
  for (auto _ : state) scene.Step();
  state.counters["spiders"] = GameMap.SpiderCount;
  state.counters["particles"] = ParticleList.Count;
  ResidentCounters(state);
}
BENCHMARK(BM_UpdateGame)->Arg(25)->Arg(100)->Arg(250)->Unit(benchmark::kMicrosecond);

void BM_RenderGame(benchmark::State& state) {
  Scene scene(static_cast<int>(state.range(0)));
  if (!scene.Ok()) {
    state.SkipWithError("no GL context or no data");
    return;
  }
  for (int i = 0; i < 50; ++i) scene.Step();
  // The first frames compile the driver's pipelines and upload textures; a steady frame
  // is what is measured.
  for (int i = 0; i < 5; ++i) {
    RenderGame();
    glFinish();
  }
  for (auto _ : state) {
    RenderGame();
    glFinish();  // the frame is drawn, not just queued
  }
  state.counters["spiders"] = GameMap.SpiderCount;
  state.counters["particles"] = ParticleList.Count;
  ResidentCounters(state);
}
// Mesa draws on threads of its own: the wall time of a frame is what counts.
BENCHMARK(BM_RenderGame)->Arg(25)->Arg(100)->Arg(250)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the sound device and the data to the first menu frame on screen, as the program
// starts once its window and GL context exist; freeing is not counted.
void BM_Startup(benchmark::State& state) {
  if (!EnterBenchData() || !EnsureTestGL(640, 480)) {
    state.SkipWithError("no GL context or no data");
    return;
  }
  for (auto _ : state) {
    InitSound();
    LoadGame();
    MenuActive = true;
    RenderGame();
    glFinish();
    state.PauseTiming();
    FreeGame();
    ShutdownSound();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Startup)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace
