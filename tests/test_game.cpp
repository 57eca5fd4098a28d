// Game flow: the five states, freezing under the menu, START over a running game, repeated
// freeing, and a long scripted session replayed with the same seed.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "actors/l_player.h"
#include "actors/l_spider.h"
#include "actors/l_zenit.h"
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

class Flow : public GameTest {
 protected:
  void Key(uint8_t vk) {
    WndProc(WM_KEYDOWN, vk, 0);
    WndProc(WM_KEYUP, vk, 0);
  }
  void Start() {
    MenuSelection = 0;
    Key(VK_RETURN);
  }
  void Escape() {
    WndProc(WM_KEYDOWN, VK_ESCAPE, 0);
    WndProc(WM_KEYUP, VK_ESCAPE, 0);
  }
  void Continue() {
    MenuSelection = 1;
    Key(VK_RETURN);
  }
};

TEST_F(Flow, StartUpShowsTheMenuAndOnlyAnimatesIt) {
  EXPECT_TRUE(MenuActive);
  EXPECT_EQ(Player.Health, 0);
  Steps(700);
  EXPECT_EQ(WaveDelay, 500);
  EXPECT_EQ(GameMap.SpiderCount, 0);
  EXPECT_EQ(ParticleList.Count, 0);
  EXPECT_FLOAT_EQ(MenuModelAngle, -700.0f);
  RenderGame();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

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
  TVector pos = Player.Position;
  float yaw = Player.Yaw, pitch = Player.Pitch, barrel = Player.BarrelAngle;
  int32_t delay = WaveDelay, left = SpawnsLeft, count = GameMap.SpiderCount;
  int32_t particles = ParticleList.Count;
  TVector first = GameMap.Spiders->Position;
  for (int i = 0; i < 300; ++i) Step(37, -11);  // mouse motion in the menu is consumed there
  RenderGame();
  EXPECT_EQ(WaveDelay, delay);
  EXPECT_EQ(SpawnsLeft, left);
  EXPECT_EQ(GameMap.SpiderCount, count);
  EXPECT_EQ(ParticleList.Count, particles);
  EXPECT_EQ(GameMap.Spiders->Position.x, first.x);
  EXPECT_EQ(GameMap.Spiders->Position.z, first.z);
  EXPECT_EQ(Player.BarrelAngle, barrel);
  Continue();
  ASSERT_FALSE(MenuActive);
  Step();
  EXPECT_EQ(Player.Yaw, yaw);
  EXPECT_EQ(Player.Pitch, pitch);
  EXPECT_NEAR(Player.Position.x, pos.x, 0.5f);
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
  Escape();
  Start();
  EXPECT_FALSE(MenuActive);
  EXPECT_EQ(Player.Health, 100);
  EXPECT_EQ(Player.Kills, 0);
  EXPECT_EQ(Player.Points, 0);
  EXPECT_EQ(GameMap.SpiderCount, 0);
  EXPECT_EQ(GameMap.ZenitCount, 0);
  EXPECT_EQ(GameMap.Spiders, nullptr);
  EXPECT_EQ(GameMap.Zenits, nullptr);
  EXPECT_EQ(ParticleList.Count, 0);
  EXPECT_EQ(WaveSize, 25);
  EXPECT_EQ(SpawnsLeft, 25);
  EXPECT_EQ(WaveDelay, 500);
}

TEST_F(Flow, DeathKeepsTheWorldRunningUntilEscape) {
  Start();
  Step();
  Player.Kills = 300;
  DamagePlayer(100);
  EXPECT_FALSE(MenuActive);  // death does not open the menu
  EXPECT_EQ(ScoreTable[0].Score, 1000);
  EXPECT_EQ(ScoreTable[7].Score, 250);  // 300 entered below 375
  TSpider* s = MapAddSpider(GameMap);
  s->Position = {100, 8, 100};
  Steps(5);
  EXPECT_NE(s->Position.x, 100.0f);  // spiders still walk
  int32_t delay = WaveDelay;
  Steps(5);
  EXPECT_EQ(WaveDelay, delay > 1 ? delay - 5 : delay);
  Escape();
  EXPECT_TRUE(MenuActive);
  Continue();
  EXPECT_TRUE(MenuActive);  // nothing to continue
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
struct SessionResult {
  int32_t kills = 0, health = 0, points = 0, spiders = 0, zenits = 0, waveSize = 0;
  TVector position = {0, 0, 0};
  float yaw = 0, pitch = 0;
  std::vector<int32_t> scores;
  std::vector<std::string> names;
  int maxZenits = 0, steps = 0, menuVisits = 0;
  bool died = false;
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
    const TSpider* best = nullptr;
    float bd = 1e30f;
    for (const TSpider* s = GameMap.Spiders; s; s = s->Next) {
      float d = VectorDistSq(s->Position, Player.Position);
      if (d < bd) {
        bd = d;
        best = s;
      }
    }
    return best;
  }
  static void Hold(uint8_t code, bool down) {
    if (down == IsKeyDown(code)) return;
    if (code == 0)
      WndProc(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, 0);
    else
      WndProc(down ? WM_KEYDOWN : WM_KEYUP, code, 0);
  }

  SessionResult RunSession(uint32_t seed) {
    FreshRun(seed);
    SessionResult r;
    for (char c : std::string("Replay")) WndProc(WM_CHAR, uint8_t(c), 0);
    Start();
    int menuAt = 1500, diedAt = -1;
    for (int step = 0; step < 9000; ++step) {
      int dx = 0, dy = 0;
      const TSpider* s = Nearest();
      bool wantDeath = r.maxZenits > 0 || step > 7000;
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
        Hold(0, false);
        Hold('S', false);
        Hold('A', false);
        Hold('D', false);
        Hold('W', Player.Health > 0 && step < 300);
        dx = Player.Health > 0 ? 3 : 0;
      }
      Hold('F', Player.Points > 100 && r.maxZenits == 0);
      if (step == menuAt) {
        Escape();
        ++r.menuVisits;
        for (int i = 0; i < 40; ++i) Step(i % 7, -(i % 5));
        Continue();
      }
      Step(dx, dy);
      if (step % 50 == 0) RenderGame();
      r.maxZenits = std::max(r.maxZenits, int(GameMap.ZenitCount));
      if (Player.Health == 0 && diedAt < 0) diedAt = step;
      if (diedAt >= 0 && step == diedAt + 200) {
        Escape();
        ++r.menuVisits;
        r.steps = step;
        break;
      }
    }
    r.died = diedAt >= 0;
    r.kills = Player.Kills;
    r.health = Player.Health;
    r.points = Player.Points;
    r.spiders = GameMap.SpiderCount;
    r.zenits = GameMap.ZenitCount;
    r.waveSize = WaveSize;
    r.position = Player.Position;
    r.yaw = Player.Yaw;
    r.pitch = Player.Pitch;
    for (const TScoreEntry& e : ScoreTable) {
      r.scores.push_back(e.Score);
      r.names.push_back(ShortTextString(e.Name));
    }
    return r;
  }
};

TEST_F(Replay, SameSeedGivesTheSameSession) {
  SessionResult a = RunSession(20240607);
  SessionResult b = RunSession(20240607);
  // The script reached every part of a game.
  EXPECT_GT(a.kills, 100);
  EXPECT_GE(a.maxZenits, 1);
  EXPECT_TRUE(a.died);
  EXPECT_EQ(a.health, 0);
  EXPECT_EQ(a.menuVisits, 2);
  EXPECT_TRUE(MenuActive);
  // And did it the same way twice.
  EXPECT_EQ(a.steps, b.steps);
  EXPECT_EQ(a.kills, b.kills);
  EXPECT_EQ(a.health, b.health);
  EXPECT_EQ(a.points, b.points);
  EXPECT_EQ(a.spiders, b.spiders);
  EXPECT_EQ(a.zenits, b.zenits);
  EXPECT_EQ(a.waveSize, b.waveSize);
  EXPECT_EQ(a.position.x, b.position.x);
  EXPECT_EQ(a.position.y, b.position.y);
  EXPECT_EQ(a.position.z, b.position.z);
  EXPECT_EQ(a.yaw, b.yaw);
  EXPECT_EQ(a.pitch, b.pitch);
  EXPECT_EQ(a.scores, b.scores);
  EXPECT_EQ(a.names, b.names);
  // The kills went into the table under the typed name.
  bool entered = false;
  for (size_t i = 0; i < a.scores.size(); ++i)
    entered |= a.scores[i] == a.kills && a.names[i] == "Enter NameReplay";
  EXPECT_EQ(entered, a.kills > 125);
  std::printf("session: %d steps, %d kills, wave %d, %d turret(s)\n", a.steps, a.kills,
              a.waveSize, a.maxZenits);
}

}  // namespace
