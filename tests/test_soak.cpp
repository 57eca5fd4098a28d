// A long scripted session of real play: aim and fire, walk, build turrets, visit the menu,
// die and start over, wave after wave, with every bound and the resident memory watched.
// HALVROST_SOAK_STEPS sets the length (180000 steps is one hour of game time).
#include "platform/p_gl.h"
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

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
#include "generators.h"
#include "support/full_data.h"
#include "support/game_env.h"

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // quarantine holds freed memory: RSS is not flat there
#else
constexpr bool kSanitized = false;
#endif

namespace {

constexpr float Pi = 3.14159265358979f;
constexpr int kDefaultSteps = 20000;
// A particle lives at most 128 steps after its flight (a gib), well under this.
constexpr int kParticleLifeSteps = 160;

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  int n = v ? std::atoi(v) : 0;
  return n > 0 ? n : fallback;
}

struct SoakStats {
  int steps = 0, frames = 0, games = 0, deaths = 0, forcedDeaths = 0, menuVisits = 0, waves = 0;
  int maxParticles = 0, maxSpiders = 0, maxZenits = 0, maxWave = 0, turretsBuilt = 0, kills = 0;
  long long rssWarm = 0, rssPeak = 0, rssFinal = 0, rssMaxAfterWarm = 0;
  long long heapWarm = 0, heapFinal = 0;  // bytes the allocator has handed out
  std::string rssTrace;                   // MiB every tenth of the run
};

template <typename T>
int ListLength(const T* head) {
  int n = 0;
  for (; head; head = head->Next) ++n;
  return n;
}

class Soak : public GameTest {
 protected:
  // Key code 0 is the left mouse button.
  static void Hold(uint8_t code, bool down) {
    if (down != IsKeyDown(code))
      WndProc(code ? (down ? WM_KEYDOWN : WM_KEYUP) : (down ? WM_LBUTTONDOWN : WM_LBUTTONUP), code, 0);
  }
  static void ReleaseAll() {
    for (char c : {'\0', 'W', 'S', 'A', 'D', 'F'}) Hold(uint8_t(c), false);
  }
  static void Key(uint8_t vk) { WndProc(WM_KEYDOWN, vk, 0); WndProc(WM_KEYUP, vk, 0); }
  static void Choose(int item) {
    while (MenuSelection != item) Key(VK_DOWN);
    Key(VK_RETURN);
  }
  static const TSpider* Nearest() {
    const TSpider* best = nullptr;
    for (const TSpider* s = GameMap.Spiders; s; s = s->Next)
      if (!best || VectorDistSq(s->Position, Player.Position) < VectorDistSq(best->Position, Player.Position)) best = s;
    return best;
  }
  void Frame() {
    RenderGame();
    ++stats_.frames;
    GLenum e = glGetError();
    if (e != GL_NO_ERROR) ADD_FAILURE() << "GL error " << e << " at step " << stats_.steps;
  }
  // A stretch of steps in the menu, the mouse moving, every step drawn.
  void MenuStretch(int steps) {
    ++stats_.menuVisits;
    for (int i = 0; i < steps; ++i) {
      Step(i % 9 - 4, i % 5 - 2);
      UpdateSound();
      DispatchMessages();
      Frame();
    }
  }
  void Check() {
    ASSERT_EQ(ListLength(GameMap.Spiders), GameMap.SpiderCount);
    ASSERT_EQ(ListLength(GameMap.Zenits), GameMap.ZenitCount);
    ASSERT_EQ(ListLength(ParticleList.Head), ParticleList.Count);
    // A wave's spiders are all dead before the next one spawns.
    ASSERT_LE(GameMap.SpiderCount, WaveSize);
    // Every particle comes from a shot: at most smoke, fire, and a tracer with its ricochet
    // or three drops of blood and one gib a mesh. The player fires every fifth step at
    // most, a turret every tenth; nothing lives longer than kParticleLifeSteps.
    int perShot = 2 + std::max(2, 3 + SpiderModel.MeshCount);
    int shots = kParticleLifeSteps / 5 + 1 + (kParticleLifeSteps / 10 + 1) * zenitsRecent_;
    ASSERT_LE(ParticleList.Count, perShot * shots);
    ASSERT_TRUE(Player.Health >= 0 && Player.Health <= 100) << Player.Health;
    ASSERT_TRUE(Player.Points >= 0 && Player.Points <= 999) << Player.Points;
    ASSERT_LE(std::fabs(Player.Pitch), PlayerPitchLimit);
    ASSERT_TRUE(std::isfinite(Player.Position.x) && std::isfinite(Player.Position.z));
    for (const TSpider* s = GameMap.Spiders; s; s = s->Next)
      ASSERT_TRUE(std::isfinite(s->Position.x) && std::isfinite(s->Position.y) && std::isfinite(s->Position.z));
  }

  SoakStats stats_;
  int zenitsRecent_ = 0;  // most turrets seen in the game so far
};

TEST_F(Soak, LongSessionStaysBounded) {
  // The shipped data set, as the generator makes it; the music thread plays on throughout.
  FreeGame();
  TGenOutput out;
  out.Root = dir_.Path() + "/data";
  for (auto generate : {GenerateImages, GenerateModels, GenerateSounds, GenerateMusic}) generate(out);
  ASSERT_TRUE(out.Ok);
  LoadGame();
  ASSERT_TRUE(SpiderModel.Loaded);
  RandomSeed(4242);
  const int total = EnvInt("HALVROST_SOAK_STEPS", kDefaultSteps);
  // A frame every tenth step by default; HALVROST_SOAK_RENDER_EVERY changes that.
  const int renderEvery = EnvInt("HALVROST_SOAK_RENDER_EVERY", 10);
  const int warmAt = std::max(5000, total / 4);
  const auto start = std::chrono::steady_clock::now();
  SoakStats& st = stats_;
  for (char c : std::string("Soak")) WndProc(WM_CHAR, uint8_t(c), 0);

  int gameStep = 0, deathAt = -1, wantDeathAt = -1, budget = 0, lastWave = 0;
  auto newGame = [&] {
    Choose(0);
    ASSERT_FALSE(MenuActive);
    ++st.games;
    gameStep = 0;
    deathAt = wantDeathAt = -1;
    zenitsRecent_ = 0;
    lastWave = WaveSize;
    // Games of different lengths: short ones die early, long ones see many waves.
    budget = 9000 + (st.games % 4) * 7000;
  };
  newGame();
  while (st.steps < total) {
    int dx = 0, dy = 0;
    bool alive = Player.Health > 0;
    if (alive && wantDeathAt < 0 && gameStep >= budget) {
      wantDeathAt = gameStep;
      ReleaseAll();
    }
    bool fight = alive && wantDeathAt < 0;
    const TSpider* s = Nearest();
    if (fight && s) {
      float yaw = std::atan2(s->Position.z - Player.Position.z, s->Position.x - Player.Position.x);
      float turn = std::remainder(yaw - Player.Yaw, 2 * Pi);
      dx = std::clamp(int(std::lround(turn * 628)), -80, 80);
      TVector m = PlayerMuzzle(Player);
      float flat = std::hypot(s->Position.x - m.x, s->Position.z - m.z);
      float pitch = std::atan2(s->Position.y + 0.5f - m.y, flat);
      dy = std::clamp(int(std::lround((Player.Pitch - pitch) * 628)), -80, 80);
      float dist = std::sqrt(VectorDistSq(s->Position, Player.Position));
      Hold(0, dist < 70);
      Hold('S', dist < 12);
      Hold('W', dist > 45);
      Hold('A', (gameStep / 120) % 2 == 0 && dist < 30);
      Hold('D', (gameStep / 120) % 2 == 1 && dist < 30);
    } else if (fight) {
      // Quiet between waves: sweep the view with bursts of fire, walk a loop.
      dx = 7;
      dy = int(std::lround(std::sin(gameStep * 0.02f) * 6));
      Hold(0, gameStep % 300 < 120);
      Hold('W', gameStep % 400 < 200);
      Hold('S', false);
      Hold('A', gameStep % 400 >= 300);
      Hold('D', false);
    }
    // The big waves get a battery of turrets: kills alone pay for one now and then.
    if (fight && WaveSize >= 75 && SpawnsLeft == WaveSize && WaveDelay == 500) Player.Points = 999;
    // Each turret needs a new press: let go once it stands.
    if (fight) Hold('F', Player.Points > 100 && Player.BuildCounter < PlayerBuildSteps + 1);
    int zenitsBefore = GameMap.ZenitCount;
    Step(dx, dy);
    UpdateSound();
    // As the main loop does: the window's events (here the cursor's own moves) are drained.
    DispatchMessages();
    ++st.steps;
    ++gameStep;
    if (GameMap.ZenitCount > zenitsBefore) ++st.turretsBuilt;
    if (WaveSize != lastWave) ++st.waves, lastWave = WaveSize;
    zenitsRecent_ = std::max(zenitsRecent_, int(GameMap.ZenitCount));
    st.maxParticles = std::max(st.maxParticles, int(ParticleList.Count));
    st.maxSpiders = std::max(st.maxSpiders, int(GameMap.SpiderCount));
    st.maxZenits = std::max(st.maxZenits, int(GameMap.ZenitCount));
    st.maxWave = std::max(st.maxWave, int(WaveSize));
    if (st.steps % renderEvery == 0) Frame();
    if (st.steps % 100 == 0) {
      Check();
      if (HasFatalFailure()) break;
    }
    if (st.steps % 1000 == 0) {
      long long rss = ResidentBytes();
      st.rssPeak = std::max(st.rssPeak, rss);
      if (st.steps == warmAt / 1000 * 1000) {
        st.rssWarm = rss;
        st.heapWarm = static_cast<long long>(mallinfo2().uordblks);
      }
      if (st.rssWarm) st.rssMaxAfterWarm = std::max(st.rssMaxAfterWarm, rss);
      if (st.steps % std::max(1000, total / 10 / 1000 * 1000) == 0) {
        char entry[48];
        std::snprintf(entry, sizeof entry, " %lld/%zu", rss >> 20, mallinfo2().uordblks >> 20);
        st.rssTrace += entry;
      }
    }
    // The menu now and then during play; the game waits under it.
    if (fight && gameStep % 4000 == 2000) {
      Key(VK_ESCAPE);
      ASSERT_TRUE(MenuActive);
      MenuStretch(50);
      Choose(1);
      ASSERT_FALSE(MenuActive);
    }
    // Asked to die: stand still and let the spiders bite; if none come, take the damage.
    if (alive && wantDeathAt >= 0 && gameStep - wantDeathAt > 4000) {
      DamagePlayer(Player.Health);
      ++st.forcedDeaths;
    }
    if (alive && Player.Health == 0) {
      ++st.deaths;
      deathAt = gameStep;
      st.kills += Player.Kills;
      ReleaseAll();
    }
    if (deathAt >= 0 && gameStep == deathAt + 200) {
      Key(VK_ESCAPE);
      ASSERT_TRUE(MenuActive);
      MenuStretch(30);
      newGame();
    }
  }
  st.kills += Player.Health > 0 ? Player.Kills : 0;
  ReleaseAll();
  st.rssFinal = ResidentBytes();
  st.heapFinal = static_cast<long long>(mallinfo2().uordblks);
  st.rssPeak = std::max(st.rssPeak, st.rssFinal);
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf(
      "soak: %d steps (%.1f min of game time) in %.1f s, %d frames; %d games, %d deaths (%d forced), "
      "%d menu visits; %d waves started, largest wave %d; %d turrets built, at most %d standing; "
      "%d kills; at most %d particles, %d spiders; RSS after warm-up %.1f MiB, "
      "peak %.1f MiB, final %.1f MiB%s; heap in use after warm-up %.1f MiB, final %.1f MiB; RSS/heap in use trace (MiB):%s\n",
      st.steps, st.steps / 3000.0, wall, st.frames, st.games, st.deaths, st.forcedDeaths, st.menuVisits,
      st.waves, st.maxWave, st.turretsBuilt, st.maxZenits, st.kills, st.maxParticles, st.maxSpiders,
      st.rssWarm / 1048576.0, st.rssPeak / 1048576.0, st.rssFinal / 1048576.0,
      kSanitized ? " (sanitized: flatness not checked)" : "", st.heapWarm / 1048576.0,
      st.heapFinal / 1048576.0, st.rssTrace.c_str());
  // The script reached every part of a game.
  EXPECT_GE(st.deaths, 1);
  EXPECT_GE(st.games, 2);
  EXPECT_GE(st.menuVisits, 3);
  EXPECT_GE(st.waves, 3);
  EXPECT_GE(st.turretsBuilt, 1);
  EXPECT_GT(st.maxParticles, 60);
  // Nothing leaks: what the allocator has handed out comes back to its warm-up level once
  // the big waves are gone (the GL driver's own buffers rise and fall with the load). The
  // resident size, which never shrinks much, stays within a bound.
  if (!kSanitized && st.rssWarm > 0) {
    EXPECT_LE(st.heapFinal - st.heapWarm, 8ll << 20);
    EXPECT_LE(st.rssMaxAfterWarm - st.rssWarm, 48ll << 20);
  }
}

}  // namespace
