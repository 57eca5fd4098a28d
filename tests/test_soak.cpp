// A long scripted session of real play on the generated data set: wave after wave, turrets, the menu,
// deaths and new games, with every bound and the memory watched. HALVROST_SOAK_STEPS sets the length
// (180000 steps is one hour of game time), HALVROST_SOAK_RENDER_EVERY how often a frame is drawn.
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "generators.h"
#include "support/full_data.h"
#include "support/game_env.h"

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // quarantine holds freed memory: RSS is not flat there
#else
constexpr bool kSanitized = false;
#endif

namespace {

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  int n = v ? std::atoi(v) : 0;
  return n > 0 ? n : fallback;
}

template <typename T>
int ListLength(const T* head) {
  int n = 0;
  for (; head; head = head->Next) ++n;
  return n;
}

class SoakPlay : public Autoplay {
 public:
  long long rssWarm = 0, rssMaxAfterWarm = 0, heapWarm = 0;  // heap: what the allocator has handed out
  int warmAt = 5000;

 protected:
  void AfterStep() override {
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
