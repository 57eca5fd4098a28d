// Faults from outside: no data, damaged assets, a read-only score file, no sound device,
// and the close handling run twice.
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "audio/l_sound.h"
#include "audio/xm_song.h"
#include "platform/p_window.h"
#include "render/l_gl.h"
#include "support/full_data.h"
#include "support/game_env.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// Some faults need a process of their own (another sound driver, a destroyed window). The parent
// runs one test of this binary again with HALVROST_FAULT_CHILD naming a marker file that the child
// writes once its checks ran, so a skipped child cannot pass. The environment is made before the
// fork: the child of a threaded process must not allocate.
int RunChild(const std::string& test, std::vector<std::string> env, const std::string& marker) {
  std::string filter = "--gtest_filter=" + test;
  env.push_back("HALVROST_FAULT_CHILD=" + marker);
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e)  // the child's settings replace the parent's
    if (std::none_of(env.begin(), env.end(), [&](auto& s) { return !std::strncmp(*e, s.data(), s.find('=') + 1); }))
      envp.push_back(*e);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>("test_faults"), filter.data(), nullptr};
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) execve("/proc/self/exe", argv, envp.data()), _exit(127);
  int status = 0;
  waitpid(pid, &status, 0);
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return code == 0 && ReadBytes(marker).empty() ? 126 : code;
}

const char* ChildMarker() { return std::getenv("HALVROST_FAULT_CHILD"); }
void ChildDone() { std::ofstream(ChildMarker(), std::ios::app) << "ran\n"; }
// A child's game: GL, sound if there is any, and the menu over the loaded game.
#define CHILD_GAME()                                                      \
  if (!ChildMarker()) GTEST_SKIP() << "runs inside its parent test only"; \
  ASSERT_TRUE(EnsureTestGL());                                            \
  bool soundUp = InitSound();                                             \
  MenuActive = true;                                                      \
  LoadGame()

void RunSteps(int steps) { for (int i = 0; i < steps; ++i) UpdateGame(), UpdateSound(); }

// A shot straight down onto a spider: the shot's own path, whatever the player's aim.
void ShootFromAbove(const TVector& at) { MapShoot(GameMap, {at.x, at.y + 3, at.z}, {-PlayerPitchLimit, 0, 0}); }

// A game loaded from a data directory of the test's choosing, so each test decides what is there.
class Faults : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    if (!IsSkipped()) dir_.Enter();
  }
  void TearDown() override { if (loaded_) Unload(); }
  void Load() {
    InitSound(), ResetInput(), Player = TPlayer{}, MenuActive = true, MenuSelection = 0, AppQuit = false;
    LoadGame(), RandomSeed(99), loaded_ = true;
  }
  void Unload() { ResetInput(), FreeGame(), FinalizeSound(), loaded_ = false; }
  // Real key events through the platform's translation and the message drain.
  static void Press(const char* k) { PlatformInjectKey(k, true), PlatformInjectKey(k, false), DispatchMessages(); }
  static void Draw() { EXPECT_EQ((RenderGame(), glGetError()), GLenum(GL_NO_ERROR)); }
  // Walks, sweeps the view with the gun firing, kills a spider from above, draws now and then.
  static void Play(int steps) {
    KeyPress('W'), KeyPress(0);
    for (int i = 0; i < steps; ++i) {
      if (i == steps / 2) {
        TSpider* s = MapAddSpider(GameMap);
        s->Position = {Player.Position.x + 5, Player.Position.y, Player.Position.z};
        for (int k = 0; k < 3; ++k) ShootFromAbove(s->Position);
      }
      PlatformSetCursorPos(ScreenWidth / 2 + (i % 40 < 20 ? 9 : -9), ScreenHeight / 2 + (i % 60 < 30 ? 2 : -2));
      RunSteps(1), DispatchMessages();
      if (i % 25 == 0) Draw();
    }
    KeyRelease('W'), KeyRelease(0);
  }
  ScratchDir dir_;
  bool loaded_ = false;
};

// No data directory at all: the menu comes up untextured, a game can even be started on
// nothing, and QUIT (Down, Down, Enter as real key events) ends the loop.
TEST_F(Faults, NoDataDirectoryStillGivesAMenuAndAWayOut) {
  Load();
  EXPECT_TRUE(MenuTexture == 0u && !SpiderModel.Loaded);
  Press("Return");  // START on an empty world
  ASSERT_FALSE(MenuActive);
  WaveDelay = 2, Play(600);  // spiders come at once; with no model they cannot bite
  EXPECT_TRUE(Player.Health == 100 && GameMap.SpiderCount > 0);
  Press("Escape"), Draw(), Press("Down"), Press("Down");
  EXPECT_FALSE(AppQuit);
  EXPECT_TRUE((Press("Return"), AppQuit));
  EXPECT_EQ((Unload(), fs::file_size("score.dat")), 209u);
  AppQuit = false;
}

// Every file of a full data set in turn empty, cut in half, or with its body (everything
// behind the first 16 bytes) replaced by noise: load, play, draw, free. (A missing file
// fails its load as an empty one does; all of them missing is the test above.)
enum class Damage { Empty, Half, Noise };

class DamagedAsset : public Faults, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedAsset, EveryFileInTurnLeavesTheGamePlayable) {
  std::vector<std::string> files = WriteFullGameData(dir_.Path());
  ASSERT_GT(files.size(), 30u);
  std::mt19937 noise(7);
  for (const std::string& rel : files) {
    SCOPED_TRACE(rel);
    Bytes original = ReadBytes(rel), bad = original;
    if (GetParam() == Damage::Noise)
      for (size_t i = 16; i < bad.size(); ++i) bad[i] = static_cast<uint8_t>(noise());
    bad.resize(GetParam() == Damage::Empty ? 0 : GetParam() == Damage::Half ? bad.size() / 2 : bad.size());
    WriteBytes(rel, bad);
    Load(), TapKey(VK_RETURN);
    ASSERT_FALSE(MenuActive);
    TVector start = Player.Position;
    Play(120);
    EXPECT_TRUE(Player.Health == 100 && ParticleList.Count > 0);
    EXPECT_TRUE(GameMap.Width == 0 || Player.Position.z != start.z);  // walked (a map without ground has no room)
    TapKey(VK_ESCAPE), Draw();  // the menu over it
    Unload(), WriteBytes(rel, original);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedAsset, ::testing::Values(Damage::Empty, Damage::Half, Damage::Noise));

// A score file marked read-only keeps its bytes, whoever runs the game (root may write anywhere).
TEST_F(Faults, ReadOnlyScoreFileIsKept) {
  const Bytes old(209, 7);
  WriteBytes("score.dat", old);
  fs::permissions("score.dat", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  SaveScores();
  EXPECT_TRUE(ReadBytes("score.dat") == old && !fs::exists("score.dat.tmp"));
}

// No audio device for SDL and no OpenAL device: InitSound fails, the music never starts,
// and a game with firing, spiders and a wave change runs silent.
TEST_F(Faults, NoSoundDevicesGameRunsSilent) {
  WriteFullGameData(dir_.Path());
  const std::string noDriver = "=halvrost_no_such_driver";
  EXPECT_EQ(RunChild("InChild.SilentGame", {"SDL_AUDIODRIVER" + noDriver, "ALSOFT_DRIVERS" + noDriver},
                     dir_.File("child-ran")), 0);
}

TEST(InChild, SilentGame) {
  CHILD_GAME();
  ASSERT_FALSE(soundUp);
  WndProc(WM_KEYDOWN, VK_RETURN, 0), KeyPress(0);
  RunSteps(100);
  EXPECT_EQ(std::tuple(Player.Spin, Player.FireChannel, ParticleList.Count > 0), std::tuple(15.0f, -1, true));
  while (SpawnsLeft > 0) RunSteps(1);
  // Kill what came, from above, so the wave ends.
  for (int guard = 0; GameMap.Spiders && guard < 1000; ++guard) ShootFromAbove(GameMap.Spiders->Position);
  ASSERT_EQ(GameMap.SpiderCount, 0);
  UpdateGame();  // the step that starts the next wave (and restarts the music, silently)
  EXPECT_EQ(std::tuple(WaveSize, SpawnsLeft, XmOutput.deviceOpen, XmOutput.thread),
            std::tuple(50, 50, false, nullptr));
  RenderGame(), KeyRelease(0), FreeGame();
  ChildDone();
}

// The close handling from a running game, first through the window's close message and
// then once more as the entry point does after the loop; the log-off message likewise.
// Its child skips the leak scan at exit: the close handling shuts SDL down, which unloads
// the offscreen EGL driver, whose 112 bytes the scan can then no longer name or suppress.
// The game's own frees on this path are leak-checked by every other game test.
TEST_F(Faults, CloseHandlingTwiceFromARunningGame) {
  WriteFullGameData(dir_.Path());
  for (std::string with : {"close", "quit"}) {
    fs::remove(dir_.File("score.dat"));
    EXPECT_EQ(RunChild("InChild.CloseTwice", {"HALVROST_CLOSE_WITH=" + with, "LSAN_OPTIONS=detect_leaks=0"},
                       dir_.File("ran-" + with)), 0) << with;
    Bytes saved = ReadBytes(dir_.File("score.dat"));
    ASSERT_EQ(saved.size(), 209u) << with;
    EXPECT_EQ(std::pair(saved[17], saved[37] | saved[38] << 8), std::pair(uint8_t(5), 3000)) << with;  // "Close" first
  }
}

TEST(InChild, CloseTwice) {
  CHILD_GAME();
  for (int i = 0; i < 10; ++i) WndProc(WM_KEYUP, VK_BACK, 0);  // "Enter Name" away
  TypeText("Close"), WndProc(WM_KEYDOWN, VK_RETURN, 0);
  WaveDelay = 2, Player.Points = 300, KeyPress(0), KeyPress('F');
  RunSteps(400), RenderGame();  // spiders, a turret, particles: all of it to free
  ASSERT_GT(GameMap.SpiderCount + ParticleList.Count, 0);
  Player.Kills = 3000, DamagePlayer(100);
  std::string(std::getenv("HALVROST_CLOSE_WITH")) == "quit" ? PlatformInjectQuit() : PlatformInjectClose();
  AppQuit = false, DispatchMessages();
  EXPECT_TRUE(AppQuit && !PlatformWindowExists() && TextureTable.empty() && !SampleList && !XmOutput.thread);
  Bytes first = ReadBytes("score.dat");
  WndProc(WM_CLOSE, 0, 0), (void)soundUp;  // after the loop
  EXPECT_TRUE(ReadBytes("score.dat") == first && !PlatformWindowExists());
  ChildDone();
}

}  // namespace
