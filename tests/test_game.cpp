// Game flow: frozen under the menu, START anew, death, freeing twice, a session replayed by seed.
#include "platform/p_gl.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "actors/l_player.h"
#include "actors/l_spider.h"
#include "app/l_app.h"
#include "app/l_input.h"
#include "app/l_utils.h"
#include "effects/l_particle.h"
#include "game/l_game.h"
#include "menu/l_menu.h"
#include "platform/p_messages.h"
#include "render/l_gl.h"
#include "support/game_env.h"

namespace {

constexpr float Pi = 3.14159265358979f;

// The game's state by name, so that a failed comparison says which value differs.
using State = std::map<std::string, double>;
State Snapshot() {
  const TPlayer& p = Player;
  State s = {{"health", p.Health}, {"kills", p.Kills}, {"points", p.Points}, {"yaw", p.Yaw},
             {"pitch", p.Pitch}, {"barrel", p.BarrelAngle}, {"x", p.Position.x},
             {"y", p.Position.y}, {"z", p.Position.z}, {"spiders", GameMap.SpiderCount},
             {"zenits", GameMap.ZenitCount}, {"particles", ParticleList.Count},
             {"waveSize", WaveSize}, {"spawnsLeft", SpawnsLeft}, {"waveDelay", WaveDelay}};
  if (GameMap.Spiders) {
    s["spiderX"] = GameMap.Spiders->Position.x;
    s["spiderZ"] = GameMap.Spiders->Position.z;
  }
  return s;
}

class Flow : public GameTest {
 protected:
  void Key(uint8_t vk) {
    WndProc(WM_KEYDOWN, vk, 0);
    WndProc(WM_KEYUP, vk, 0);
  }
  void Choose(int item) {
    MenuSelection = item;
    Key(VK_RETURN);
  }
  void Start() { Choose(0); }
  void Continue() { Choose(1); }
  void Escape() { Key(VK_ESCAPE); }
};

TEST_F(Flow, MenuFreezesTheGameAndContinueResumesExactly) {
  Start();
  ASSERT_FALSE(MenuActive);
  KeyPress('W');
  Steps(600);  // past the wave delay: spiders are coming
  KeyRelease('W');
  KeyPress(0);
  Steps(60);
  ASSERT_GT(GameMap.SpiderCount, 0);
  KeyRelease(0);
  Escape();
  ASSERT_TRUE(MenuActive);
  State frozen = Snapshot();
  for (int i = 0; i < 300; ++i) Step(37, -11);  // mouse motion in the menu is consumed there
  RenderGame();
  EXPECT_EQ(Snapshot(), frozen);
  Continue();
  ASSERT_FALSE(MenuActive);
  Step();
  EXPECT_EQ(Player.Yaw, frozen["yaw"]);
  EXPECT_EQ(Player.Pitch, frozen["pitch"]);
  EXPECT_NEAR(Player.Position.x, frozen["x"], 0.5f);
}

TEST_F(Flow, StartOverARunningGameStartsAFreshOne) {
  Start();
  Player.Points = 300;
  KeyPress('F');
  Steps(160);
  KeyRelease('F');
  ASSERT_EQ(GameMap.ZenitCount, 1);
  Steps(500);
  while (GameMap.SpiderCount == 0) Step();
  Player.Kills = 7;
  Step(200, 0);  // the old game looks elsewhere
  Escape();
  Start();
  EXPECT_FALSE(MenuActive);
  State s = Snapshot();
  const State fresh = {{"health", 100}, {"kills", 0},     {"points", 0},        {"spiders", 0},
                       {"zenits", 0},   {"particles", 0}, {"waveSize", 25},     {"spawnsLeft", 25},
                       {"waveDelay", 500}};
  for (const auto& [name, value] : fresh) EXPECT_EQ(s[name], value) << name;
  EXPECT_EQ(GameMap.Spiders, nullptr);
  EXPECT_EQ(GameMap.Zenits, nullptr);
  // A frame may come before the first step: the camera already shows this game's view.
  const TMatrix view = Camera.View;
  Step();
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(Camera.View[i], view[i], 1e-4f) << i;
}

// That spiders walk on and the wave clock runs while the player is dead is checked with the
// spiders; here that death leaves the game on screen until Escape.
TEST_F(Flow, DeathKeepsTheWorldRunningUntilEscape) {
  Start();
  Step();
  DamagePlayer(100);
  Steps(10);
  EXPECT_FALSE(MenuActive);  // death does not open the menu
  Escape();
  EXPECT_TRUE(MenuActive);
}

TEST_F(Flow, FreeingTwiceIsHarmless) {
  Start();
  Steps(10);
  FreeGame();
  FreeGame();
  EXPECT_EQ(FontSmall, 0);
  EXPECT_EQ(SpiderAttackSound, -1);
  EXPECT_FALSE(SpiderModel.Loaded);
  EXPECT_EQ(std::filesystem::file_size("score.dat"), 209u);
  LoadGame();  // the fixture frees once more at the end
}

TEST_F(Flow, GameFrameDrawsTheWorldAndTheHud) {
  Start();
  Steps(3);
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  RenderGame();
  // EndFrame swapped; draw again and read the back buffer before swapping.
  glClear(GL_DEPTH_BUFFER_BIT);
  SetBlendMode(0);
  CameraProjection(Camera);
  CameraLoadView(Camera);
  MapRender(GameMap);
  DrawParticles();
  RenderPlayerView();
  glFinish();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  // Sky and terrain cover the whole view: no pixel keeps the clear colour.
  for (int y = 10; y < 480; y += 40)
    for (int x = 10; x < 640; x += 40) {
      uint8_t px[4];
      glReadPixels(x, 479 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
      EXPECT_FALSE(px[0] == 0 && px[1] == 0 && px[2] == 255) << x << "," << y;
    }
}

// A whole session driven by a script that only looks at the game's state: start,
// walk, aim at the nearest spider and fire, build a turret, visit the menu, die.
struct Session {
  State state;  // at the end, with the script's own counts
  std::vector<std::string> scores;  // "name score", best first
};

class Replay : public Flow {
 protected:
  // Starts the program over: a fresh player record, no score file, a seeded generator.
  void FreshRun(uint32_t seed) {
    FreeGame();
    std::filesystem::remove("score.dat");
    Player = TPlayer{};
    Camera = TCamera{};
    ResetInput();
    MenuActive = true;
    LoadGame();
    RandomSeed(seed);
    WaveDelay = 500;
    WaveSize = 0;
    SpawnsLeft = 0;
  }
  static const TSpider* Nearest() {
    const TSpider* best = GameMap.Spiders;
    auto d = [](const TSpider* s) { return VectorDistSq(s->Position, Player.Position); };
    for (const TSpider* s = best; s; s = s->Next)
      if (d(s) < d(best)) best = s;
    return best;
  }
  static void Hold(uint8_t code, bool down) {
    if (down == IsKeyDown(code)) return;
    if (code == 0)
      WndProc(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, 0);
    else
      WndProc(down ? WM_KEYDOWN : WM_KEYUP, code, 0);
  }

  Session RunSession(uint32_t seed) {
    FreshRun(seed);
    for (char c : std::string("Replay")) WndProc(WM_CHAR, uint8_t(c), 0);
    Start();
    int menuAt = 1500, diedAt = -1, maxZenits = 0, menuVisits = 0, steps = 0;
    for (int step = 0; step < 9000; ++step) {
      int dx = 0, dy = 0;
      const TSpider* s = Nearest();
      bool wantDeath = maxZenits > 0 || step > 7000;
      if (s && Player.Health > 0) {
        float yaw = std::atan2(s->Position.z - Player.Position.z, s->Position.x - Player.Position.x);
        float turn = std::remainder(yaw - Player.Yaw, 2 * Pi);
        dx = std::clamp(int(std::lround(turn * 628)), -80, 80);
        TVector m = PlayerMuzzle(Player);
        float flat = std::hypot(s->Position.x - m.x, s->Position.z - m.z);
        float pitch = std::atan2(s->Position.y + 0.5f - m.y, flat);
        dy = std::clamp(int(std::lround((Player.Pitch - pitch) * 628)), -80, 80);
        float dist = std::sqrt(VectorDistSq(s->Position, Player.Position));
        Hold(0, !wantDeath && dist < 70);
        // Back off from spiders that come too close, walk towards far ones.
        Hold('S', !wantDeath && dist < 12);
        Hold('W', !wantDeath && dist > 45);
        Hold('A', !wantDeath && (step / 120) % 2 == 0 && dist < 30);
        Hold('D', !wantDeath && (step / 120) % 2 == 1 && dist < 30);
      } else {
        for (char code : {'\0', 'S', 'A', 'D'}) Hold(code, false);
        Hold('W', Player.Health > 0 && step < 300);
        dx = Player.Health > 0 ? 3 : 0;
      }
      Hold('F', Player.Points > 100 && maxZenits == 0);
      if (step == menuAt) {
        Escape();
        ++menuVisits;
        for (int i = 0; i < 40; ++i) Step(i % 7, -(i % 5));
        Continue();
      }
      Step(dx, dy);
      if (step % 50 == 0) RenderGame();
      maxZenits = std::max(maxZenits, int(GameMap.ZenitCount));
      if (Player.Health == 0 && diedAt < 0) diedAt = step;
      if (diedAt >= 0 && step == diedAt + 200) {
        Escape();
        ++menuVisits;
        steps = step;
        break;
      }
    }
    Session r = {Snapshot(), {}};
    r.state.insert({{"steps", steps}, {"menuVisits", menuVisits}, {"maxZenits", maxZenits},
                    {"died", diedAt >= 0}});
    for (const TScoreEntry& e : ScoreTable)
      r.scores.push_back(ShortTextString(e.Name) + " " + std::to_string(e.Score));
    return r;
  }
};

TEST_F(Replay, SameSeedGivesTheSameSession) {
  Session a = RunSession(20240607);
  Session b = RunSession(20240607);
  // The script reached every stage of a game.
  EXPECT_GT(a.state["kills"], 100);
  EXPECT_GE(a.state["maxZenits"], 1);
  EXPECT_EQ(a.state["died"], 1);
  EXPECT_EQ(a.state["health"], 0);
  EXPECT_EQ(a.state["menuVisits"], 2);
  EXPECT_TRUE(MenuActive);
  // And did it the same way twice.
  EXPECT_EQ(a.state, b.state);
  EXPECT_EQ(a.scores, b.scores);
  // The kills went into the table under the typed name.
  int kills = int(a.state["kills"]);
  const std::string line = "Enter NameReplay " + std::to_string(kills);
  EXPECT_EQ(std::count(a.scores.begin(), a.scores.end(), line) > 0, kills > 125);
  std::printf("session: %d steps, %d kills, wave %d, %d turret(s)\n", int(a.state["steps"]), kills,
              int(a.state["waveSize"]), int(a.state["maxZenits"]));
}

}  // namespace
