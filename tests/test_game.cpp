// Game flow: frozen under the menu, START anew, freeing twice.
#include <filesystem>
#include <map>

#include "support/game_env.h"

namespace {

// The game's state by name, so that a failed comparison says which value differs.
using State = std::map<std::string, double>;
State Snapshot() {
  const TPlayer& p = Player;
  State s = {{"health", p.Health}, {"kills", p.Kills}, {"points", p.Points}, {"yaw", p.Yaw}, {"pitch", p.Pitch},
             {"barrel", p.BarrelAngle}, {"x", p.Position.x}, {"y", p.Position.y}, {"z", p.Position.z},
             {"spiders", GameMap.SpiderCount}, {"zenits", GameMap.ZenitCount}, {"particles", ParticleList.Count},
             {"waveSize", WaveSize}, {"spawnsLeft", SpawnsLeft}, {"waveDelay", WaveDelay}};
  if (GameMap.Spiders) s["spiderX"] = GameMap.Spiders->Position.x, s["spiderZ"] = GameMap.Spiders->Position.z;
  return s;
}

class Flow : public GameTest {};

TEST_F(Flow, MenuFreezesTheGameAndContinueResumesExactly) {
  ChooseMenuItem(0);
  ASSERT_FALSE(MenuActive);
  Press('W', 600), Release('W'), Press(0, 60);  // past the wave delay: spiders are coming
  ASSERT_GT(GameMap.SpiderCount, 0);
  KeyRelease(0), TapKey(VK_ESCAPE);
  ASSERT_TRUE(MenuActive);
  State frozen = Snapshot();
  for (int i = 0; i < 300; ++i) Step(37, -11);  // mouse motion in the menu is consumed there
  EXPECT_EQ((RenderGame(), Snapshot()), frozen);
  ChooseMenuItem(1), Step();
  EXPECT_TRUE(Player.Yaw == float(frozen["yaw"]) && Player.Pitch == float(frozen["pitch"]));
  EXPECT_NEAR(Player.Position.x, frozen["x"], 0.5f);
}

TEST_F(Flow, StartOverARunningGameStartsAFreshOne) {
  ChooseMenuItem(0);
  Player.Points = 300, Press('F', 160), Release('F', 500);
  while (GameMap.SpiderCount == 0) Step();
  ASSERT_EQ(GameMap.ZenitCount, 1);
  Player.Kills = 7, Step(200, 0);  // the old game looks elsewhere
  TapKey(VK_ESCAPE), ChooseMenuItem(0);
  State s = Snapshot();
  for (const auto& [name, value] : State{{"health", 100}, {"kills", 0}, {"points", 0}, {"spiders", 0},
                                         {"zenits", 0}, {"particles", 0}, {"waveSize", 25}, {"spawnsLeft", 25},
                                         {"waveDelay", 500}})
    EXPECT_EQ(s[name], value) << name;
  EXPECT_TRUE(!GameMap.Spiders && !GameMap.Zenits);
  // A frame may come before the first step: the camera already shows this game's view.
  const TMatrix view = Camera.View;
  Step();
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(Camera.View[i], view[i], 1e-4f);
}

TEST_F(Flow, FreeingTwiceIsHarmless) {
  ChooseMenuItem(0), Steps(10), FreeGame(), FreeGame();
  EXPECT_TRUE(FontSmall == 0 && SpiderAttackSound == -1 && !SpiderModel.Loaded);
  EXPECT_EQ(std::filesystem::file_size("score.dat"), 209u);
  LoadGame();  // the fixture frees once more at the end
}

}  // namespace
