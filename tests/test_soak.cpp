// A long scripted session of real play on the generated data set: wave after wave, turrets, the menu,
// deaths and new games, with every bound and the memory watched. HALVROST_SOAK_STEPS sets the length
// (180000 steps is one hour of game time), HALVROST_SOAK_RENDER_EVERY how often a frame is drawn.
#include <malloc.h>

#include "audio/l_sound.h"
#include "generators.h"
#include "support/full_data.h"
#include "platform/p_gl.h"
#include "support/game_env.h"

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // quarantine holds freed memory: RSS is not flat there
#else
constexpr bool kSanitized = false;
#endif

namespace {

int EnvInt(const char* name, int fallback) {
  const int n = std::getenv(name) ? std::atoi(std::getenv(name)) : 0;
  return n > 0 ? n : fallback;
}

template <typename T>
int ListLength(const T* head) {
  int n = 0;
  for (; head; head = head->Next) ++n;
  return n;
}

void HoldKey(uint8_t code, bool down) {
  if (down == IsKeyDown(code)) return;
  if (code == 0) WndProc(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, 0);
  else WndProc(down ? WM_KEYDOWN : WM_KEYUP, code, 0);
}

// The fire button, back off and walk on; all let go with no arguments.
void HoldKeys(bool fire = false, bool back = false, bool on = false) {
  HoldKey(0, fire), HoldKey('S', back), HoldKey('W', on);
}

// A player script that looks only at the game's state: it aims at the nearest spider and fires within
// 70 units (backing off under 12, closing in beyond 45), builds a turret when it can pay, visits the
// menu 2000 steps into every 4000, and after 9000 to 30000 steps (in turn) stands still to be bitten,
// taking the damage itself 4000 steps later; 200 steps after a death it starts the next game.
class SoakPlay {
 public:
  int steps = 0, games = 0, deaths = 0, menuVisits = 0, waves = 0, turretsBuilt = 0, maxParticles = 0;
  int zenitsThisGame = 0, renderEvery = 10;
  long long rssWarm = 0, rssMaxAfterWarm = 0, heapWarm = 0;  // heap: what the allocator has handed out
  int warmAt = 5000;

  void Run(int total) {
    int gameStep = 0, deathAt = -1, lastWave = 0;
    auto newGame = [&] {
      ChooseMenuItem(0);
      ASSERT_FALSE(MenuActive);
      ++games, gameStep = zenitsThisGame = 0, deathAt = -1, lastWave = WaveSize;
    };
    newGame();
    for (; steps < total && !::testing::Test::HasFatalFailure(); ++steps, ++gameStep) {
      const bool alive = Player.Health > 0, fight = alive && gameStep < 9000 + (games % 4) * 7000;
      const TSpider* s = nullptr;
      for (const TSpider* t = GameMap.Spiders; t; t = t->Next)
        if (!s || VectorDistSq(t->Position, Player.Position) < VectorDistSq(s->Position, Player.Position)) s = t;
      int dx = fight ? 7 : 0, dy = 0;  // with no spider about, sweep the view
      if (fight && s) {
        const TVector &at = s->Position, m = PlayerMuzzle(Player);
        float yaw = std::atan2(at.z - Player.Position.z, at.x - Player.Position.x);
        float pitch = std::atan2(at.y + 0.5f - m.y, std::hypot(at.x - m.x, at.z - m.z));
        dx = std::clamp(int(std::lround(std::remainder(yaw - Player.Yaw, 2 * kPi) * 628)), -80, 80);
        dy = std::clamp(int(std::lround((Player.Pitch - pitch) * 628)), -80, 80);
        const float dist = std::sqrt(VectorDistSq(at, Player.Position));
        HoldKeys(dist < 70, dist < 12, dist > 45);
      } else {
        HoldKeys();
      }
      if (fight && WaveSize >= 75 && SpawnsLeft == WaveSize && WaveDelay == 500) Player.Points = 999;
      // Each turret needs a new press: let go once it stands.
      HoldKey('F', fight && Player.Points > 100 && Player.BuildCounter < PlayerBuildSteps + 1);
      const int zenitsBefore = GameMap.ZenitCount;
      GameStep(dx, dy), UpdateSound(), DispatchMessages();  // as the main loop does
      turretsBuilt += GameMap.ZenitCount > zenitsBefore, waves += WaveSize != lastWave, lastWave = WaveSize;
      zenitsThisGame = std::max(zenitsThisGame, int(GameMap.ZenitCount));
      maxParticles = std::max(maxParticles, int(ParticleList.Count));
      if (steps % renderEvery == 0) Frame();
      AfterStep();
      if (fight && gameStep % 4000 == 2000) Menu(50), ChooseMenuItem(1);  // the game waits under the menu
      if (alive && gameStep > 13000 + (games % 4) * 7000) DamagePlayer(Player.Health);
      if (alive && Player.Health == 0) ++deaths, deathAt = gameStep, HoldKeys();
      if (deathAt >= 0 && gameStep == deathAt + 200) Menu(30), newGame();
    }
    HoldKeys(), HoldKey('F', false);
  }

 private:
  void Frame() {
    RenderGame();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "at step " << steps;
  }
  // Escape, then steps in the menu with the mouse moving, every step drawn.
  void Menu(int n) {
    TapKey(VK_ESCAPE);
    ASSERT_TRUE(MenuActive);
    for (int i = 0; i < n; ++i) GameStep(i % 9 - 4, i % 5 - 2), UpdateSound(), DispatchMessages(), Frame();
    ++menuVisits;
  }
  void AfterStep() {
    if (steps % 100 == 0) Check();
    if (steps % 1000 != 0) return;
    long long rss = ResidentBytes();
    if (steps == warmAt / 1000 * 1000) rssWarm = rss, heapWarm = (long long)mallinfo2().uordblks;
    if (rssWarm) rssMaxAfterWarm = std::max(rssMaxAfterWarm, rss);
  }
  void Check() {
    ASSERT_EQ(ListLength(GameMap.Spiders), GameMap.SpiderCount);
    ASSERT_EQ(ListLength(GameMap.Zenits), GameMap.ZenitCount);
    ASSERT_EQ(ListLength(ParticleList.Head), ParticleList.Count);
    // A wave's spiders are all dead before the next one spawns.
    ASSERT_LE(GameMap.SpiderCount, WaveSize);
    // Every particle comes from a shot: at most smoke, fire, and a tracer with its ricochet or
    // three drops of blood and one gib a mesh. The player fires every fifth step at most, a turret
    // every tenth; nothing lives longer than 160 steps (a gib: 128 after its flight).
    const int life = 160, perShot = 2 + std::max(2, 3 + SpiderModel.MeshCount);
    ASSERT_LE(ParticleList.Count, perShot * (life / 5 + 1 + (life / 10 + 1) * zenitsThisGame));
    ASSERT_TRUE(Player.Health >= 0 && Player.Health <= 100 && Player.Points >= 0 && Player.Points <= 999);
    ASSERT_LE(std::fabs(Player.Pitch), PlayerPitchLimit);
    ASSERT_TRUE(std::isfinite(Player.Position.x) && std::isfinite(Player.Position.z));
    for (const TSpider* s = GameMap.Spiders; s; s = s->Next)
      ASSERT_TRUE(std::isfinite(s->Position.x + s->Position.y + s->Position.z));
  }
};

class Soak : public GameTest {};

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
  TypeText("Soak");
  SoakPlay play;
  const int total = EnvInt("HALVROST_SOAK_STEPS", 20000);
  play.renderEvery = EnvInt("HALVROST_SOAK_RENDER_EVERY", 10);
  play.warmAt = std::max(5000, total / 4);
  play.Run(total);
  const long long heapFinal = (long long)mallinfo2().uordblks, rssFinal = ResidentBytes();
  // The script reached every part of a game.
  EXPECT_TRUE(play.deaths >= 1 && play.games >= 2 && play.menuVisits >= 3 && play.waves >= 3);
  EXPECT_TRUE(play.turretsBuilt >= 1 && play.maxParticles > 60);
  // Nothing leaks: what the allocator has handed out comes back to its warm-up level once the big
  // waves are gone (the GL driver's own buffers rise and fall with the load). The resident size,
  // which never shrinks much, stays within a bound.
  if (!kSanitized && play.rssWarm > 0) {
    EXPECT_LE(heapFinal - play.heapWarm, 8ll << 20);
    EXPECT_LE(std::max(play.rssMaxAfterWarm, rssFinal) - play.rssWarm, 48ll << 20);
  }
}

}  // namespace
