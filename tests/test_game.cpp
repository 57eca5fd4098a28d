// Game flow: frozen under the menu, START anew, death, freeing twice, a session replayed by seed.
#include "platform/p_gl.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/game_env.h"

namespace {

// The game's state by name, so that a failed comparison says which value differs.
using State = std::map<std::string, double>;
State Snapshot() {
  const TPlayer& p = Player;
  State s = {{"health", p.Health}, {"kills", p.Kills}, {"points", p.Points}, {"yaw", p.Yaw},
             {"pitch", p.Pitch}, {"barrel", p.BarrelAngle}, {"x", p.Position.x},
             {"y", p.Position.y}, {"z", p.Position.z}, {"spiders", GameMap.SpiderCount},
             {"zenits", GameMap.ZenitCount}, {"particles", ParticleList.Count},
             {"waveSize", WaveSize}, {"spawnsLeft", SpawnsLeft}, {"waveDelay", WaveDelay}};
  if (GameMap.Spiders) s["spiderX"] = GameMap.Spiders->Position.x, s["spiderZ"] = GameMap.Spiders->Position.z;
  return s;
}

class Flow : public GameTest {};

TEST_F(Flow, MenuFreezesTheGameAndContinueResumesExactly) {
  ChooseMenuItem(0);
  ASSERT_FALSE(MenuActive);
  Press('W', 600);  // past the wave delay: spiders are coming
  Release('W');
  Press(0, 60);
  ASSERT_GT(GameMap.SpiderCount, 0);
  KeyRelease(0);
  TapKey(VK_ESCAPE);
  ASSERT_TRUE(MenuActive);
  State frozen = Snapshot();
  for (int i = 0; i < 300; ++i) Step(37, -11);  // mouse motion in the menu is consumed there
  RenderGame();
  EXPECT_EQ(Snapshot(), frozen);
  ChooseMenuItem(1);
  ASSERT_FALSE(MenuActive);
  Step();
  EXPECT_EQ(Player.Yaw, frozen["yaw"]);
  EXPECT_EQ(Player.Pitch, frozen["pitch"]);
  EXPECT_NEAR(Player.Position.x, frozen["x"], 0.5f);
}

TEST_F(Flow, StartOverARunningGameStartsAFreshOne) {
  ChooseMenuItem(0);
  Player.Points = 300;
  Press('F', 160);
  KeyRelease('F');
  ASSERT_EQ(GameMap.ZenitCount, 1);
  Steps(500);
  while (GameMap.SpiderCount == 0) Step();
  Player.Kills = 7;
  Step(200, 0);  // the old game looks elsewhere
  TapKey(VK_ESCAPE);
  ChooseMenuItem(0);
  EXPECT_FALSE(MenuActive);
  State s = Snapshot();
  const State fresh = {{"health", 100}, {"kills", 0},     {"points", 0},    {"spiders", 0},  {"zenits", 0},
                       {"particles", 0}, {"waveSize", 25}, {"spawnsLeft", 25}, {"waveDelay", 500}};
  for (const auto& [name, value] : fresh) EXPECT_EQ(s[name], value) << name;
  EXPECT_EQ(GameMap.Spiders, nullptr);
  EXPECT_EQ(GameMap.Zenits, nullptr);
  // A frame may come before the first step: the camera already shows this game's view.
  const TMatrix view = Camera.View;
  Step();
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(Camera.View[i], view[i], 1e-4f) << i;
}

TEST_F(Flow, FreeingTwiceIsHarmless) {
  ChooseMenuItem(0);
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
  ChooseMenuItem(0);
  Steps(3);
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  RenderGame();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  // The frame went to the front buffer: sky and terrain cover the whole view, no pixel keeps
  // the clear colour.
  GLint readBuffer = 0;
  glGetIntegerv(GL_READ_BUFFER, &readBuffer);
  glReadBuffer(GL_FRONT);
  for (int y = 10; y < 480; y += 40)
    for (int x = 10; x < 640; x += 40) {
      uint8_t px[4];
      glReadPixels(x, 479 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
      EXPECT_FALSE(px[0] == 0 && px[1] == 0 && px[2] == 255) << x << "," << y;
    }
  glReadBuffer(GLenum(readBuffer));
}

// A whole session played twice by the script from the same seed, each from a fresh start: a fresh
// player record, no score file, the game loaded anew.
class Replay : public GameTest {};

TEST_F(Replay, SameSeedGivesTheSameSession) {
  struct Session {
    State state;
    std::vector<int> counts;
    std::vector<std::string> scores;  // "name score", best first
  } runs[2];
  for (Session& run : runs) {
    FreeGame();
    std::filesystem::remove("score.dat");
    Player = TPlayer{};
    Camera = TCamera{};
    ResetInput();
    MenuActive = true;
    LoadGame();
    RandomSeed(20240607);
    WaveDelay = 500;
    WaveSize = SpawnsLeft = 0;
    TypeText("Replay");
    Autoplay play;
    play.renderEvery = 50;
    play.budget = 6000;
    play.Run(20000, 1);
    run = {Snapshot(), {play.steps, play.deaths, play.menuVisits, play.kills, play.turretsBuilt, play.waves}, {}};
    for (const TScoreEntry& e : ScoreTable) run.scores.push_back(ShortTextString(e.Name) + " " + std::to_string(e.Score));
  }
  const Session& a = runs[0];
  // The script reached every stage of a game: kills, a turret, the menu, its death.
  EXPECT_GT(a.state.at("kills"), 100);
  EXPECT_GE(a.counts[4], 1);
  EXPECT_EQ(a.counts[1], 1);
  EXPECT_EQ(a.state.at("health"), 0);
  EXPECT_GE(a.counts[2], 2);
  EXPECT_TRUE(MenuActive);
  // And did it the same way twice.
  EXPECT_EQ(a.state, runs[1].state);
  EXPECT_EQ(a.counts, runs[1].counts);
  EXPECT_EQ(a.scores, runs[1].scores);
  // The kills went into the table under the typed name.
  const int kills = int(a.state.at("kills"));
  EXPECT_EQ(std::count(a.scores.begin(), a.scores.end(), "Enter NameReplay " + std::to_string(kills)) > 0, kills > 125);
  std::printf("session: %d steps, %d kills, wave %d, %d turret(s)\n", a.counts[0], kills, int(a.state.at("waveSize")),
              a.counts[4]);
}

}  // namespace
