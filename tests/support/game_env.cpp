// Writers for the test maps, models and sounds, input helpers, and the game fixtures.
#include "support/game_env.h"

#include "platform/p_gl.h"

#include <algorithm>
#include <cmath>

#include "audio/l_sound.h"
#include "platform/p_window.h"
#include "support/model_files.h"
#include "support/wave_files.h"

std::vector<uint8_t> UniformRgb(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> px;
  for (int i = 0; i < w * h; ++i) px.insert(px.end(), {r, g, b});
  return px;
}

// A pyramid of 4 vertices and 4 triangles, apex at height `top`, base half-width `half`.
static TestMesh Pyramid(float half, float top, uint8_t red) {
  TestMesh m;
  m.vertices = {{-half, 0, -half}, {half, 0, -half}, {0, 0, half}, {0, top, 0}};
  m.triangles = {{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {2, 3, 0}};
  m.color[0] = red, m.color[1] = 40, m.color[2] = 20;
  return m;
}

std::vector<uint8_t> TestZrm1(int meshes, int frames, float reach) {
  std::vector<TestMesh> list;
  // File units are scaled by 0.1; the apex is the farthest vertex.
  for (int m = 0; m < meshes; ++m) list.push_back(Pyramid(reach * 2.0f, reach * 10.0f, uint8_t(100 + 50 * m)));
  return MakeZrm1(list, frames);
}

std::vector<uint8_t> TestZrm2(int meshes) {
  return MakeZrm2(std::vector<TestMesh>(size_t(meshes), Pyramid(0.3f, 1.0f, 0)));
}

std::vector<uint8_t> TestTga(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  TgaSpec s{.depth = 32, .descriptor = 8, .width = uint16_t(w), .height = uint16_t(h)};  // 8 alpha bits
  for (int i = 0; i < w * h; ++i) s.pixels.insert(s.pixels.end(), {b, g, r, a});
  return MakeTga(s);
}

std::vector<uint8_t> TestWav(int milliseconds) {
  WaveLayout l{.rate = 22050, .avgBytes = 44100, .blockAlign = 2};
  std::vector<uint8_t> data;
  for (uint32_t i = 0; i < l.rate * uint32_t(milliseconds) / 1000; ++i)
    data.insert(data.end(), {uint8_t((i / 25) % 2 ? 0x70 : 0x90), uint8_t((i / 25) % 2 ? 0x17 : 0xE8)});
  return MakeWave(l, data);
}

static void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  WriteBytes(path, bytes);
}

void WriteTestGameData(const std::string& root) {
  std::string d = root + "/data/";
  WriteFile(d + "maps/map1_height.jpg", MakeJpeg(128, 128, UniformRgb(128, 128, 64, 64, 64), 3, 100));
  WriteFile(d + "maps/map1.jpg", MakeJpeg(512, 512, UniformRgb(512, 512, 200, 200, 200), 3, 100));
  WriteFile(d + "models/spider.zrm", TestZrm1(2, 10, 2.0f));
  WriteFile(d + "models/gun.zrm", TestZrm2(1));
  WriteFile(d + "models/zenit.zrm", TestZrm2(3));
  WriteFile(d + "textures/crosshair.tga", TestTga(32, 32, 255, 0, 0, 255));
  WriteFile(d + "textures/hud.tga", TestTga(128, 32, 255, 255, 255, 255));
  for (const char* s : {"gun/start.wav", "gun/stop.wav", "gun/fire.wav", "footsteps/dirt1.wav",
                        "footsteps/dirt2.wav", "spider/attack.wav", "spider/die.wav",
                        "zenit/fire.wav", "zenit/aim.wav", "ric.wav"})
    WriteFile(d + "sounds/" + s, TestWav());
}

Rgb Pixel(int x, int y) {
  uint8_t px[4];
  glReadPixels(x, 479 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
  return {px[0], px[1], px[2]};
}

int CountPixels(int x0, int y0, int x1, int y1, bool (*match)(Rgb)) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += match(Pixel(x, y));
  return n;
}

void TapKey(uint8_t vk) {
  WndProc(WM_KEYDOWN, vk, 0);
  WndProc(WM_KEYUP, vk, 0);
}

static void HoldKey(uint8_t code, bool down) {
  if (down == IsKeyDown(code)) return;
  if (code == 0) WndProc(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, 0);
  else WndProc(down ? WM_KEYDOWN : WM_KEYUP, code, 0);
}

void TypeText(const std::string& text) {
  for (char c : text) WndProc(WM_CHAR, uint8_t(c), 0);
}

void GameStep(int dx, int dy) {
  // UpdateMouse measures the cursor against the window centre and puts it back.
  PlatformSetCursorPos(ScreenWidth / 2 + dx, ScreenHeight / 2 + dy);
  UpdateGame();
}

void ChooseMenuItem(int item) {
  while (MenuSelection != item) TapKey(VK_DOWN);
  TapKey(VK_RETURN);
}

// The fire button and the keys that back off, walk on and strafe left and right; then F.
static void HoldKeys(std::initializer_list<bool> down) {
  int i = 0;
  for (bool d : down) HoldKey(uint8_t("\0SWADF"[i++]), d);
}

void Autoplay::Frame() {
  RenderGame();
  GLenum e = glGetError();
  if (e != GL_NO_ERROR) ADD_FAILURE() << "GL error " << e << " at step " << steps;
}

// Steps in the menu, the mouse moving, every step drawn.
void Autoplay::MenuStretch(int n) {
  ++menuVisits;
  for (int i = 0; i < n; ++i) {
    GameStep(i % 9 - 4, i % 5 - 2);
    UpdateSound();
    DispatchMessages();
    Frame();
  }
}

void Autoplay::Run(int total) {
  int gameStep = 0, deathAt = -1, wantDeathAt = -1, lastWave = 0;
  auto newGame = [&] {
    ChooseMenuItem(0);
    ASSERT_FALSE(MenuActive);
    ++games;
    gameStep = zenitsThisGame = 0;
    deathAt = wantDeathAt = -1;
    lastWave = WaveSize;
  };
  newGame();
  while (steps < total) {
    int dx = 0, dy = 0;
    const bool alive = Player.Health > 0;
    if (alive && wantDeathAt < 0 && gameStep >= 9000 + (games % 4) * 7000) {
      wantDeathAt = gameStep;
      HoldKeys({false, false, false, false, false, false});
    }
    const bool fight = alive && wantDeathAt < 0;
    const TSpider* s = nullptr;
    for (const TSpider* t = GameMap.Spiders; t; t = t->Next)
      if (!s || VectorDistSq(t->Position, Player.Position) < VectorDistSq(s->Position, Player.Position)) s = t;
    if (fight && s) {
      const TVector& at = s->Position;
      float yaw = std::atan2(at.z - Player.Position.z, at.x - Player.Position.x);
      dx = std::clamp(int(std::lround(std::remainder(yaw - Player.Yaw, 2 * kPi) * 628)), -80, 80);
      TVector m = PlayerMuzzle(Player);
      float pitch = std::atan2(at.y + 0.5f - m.y, std::hypot(at.x - m.x, at.z - m.z));
      dy = std::clamp(int(std::lround((Player.Pitch - pitch) * 628)), -80, 80);
      const float dist = std::sqrt(VectorDistSq(at, Player.Position));
      const bool strafe = dist < 30, left = (gameStep / 120) % 2 == 0;
      HoldKeys({dist < 70, dist < 12, dist > 45, strafe && left, strafe && !left});
    } else if (fight) {  // quiet between waves: sweep the view with bursts of fire, walk a loop
      dx = 7;
      dy = int(std::lround(std::sin(gameStep * 0.02f) * 6));
      HoldKeys({gameStep % 300 < 120, false, gameStep % 400 < 200, gameStep % 400 >= 300, false});
    }
    if (fight && WaveSize >= 75 && SpawnsLeft == WaveSize && WaveDelay == 500) Player.Points = 999;
    // Each turret needs a new press: let go once it stands.
    if (fight) HoldKey('F', Player.Points > 100 && Player.BuildCounter < PlayerBuildSteps + 1);
    const int zenitsBefore = GameMap.ZenitCount;
    GameStep(dx, dy);
    UpdateSound();
    DispatchMessages();  // as the main loop does: here the cursor's own moves
    ++steps, ++gameStep;
    turretsBuilt += GameMap.ZenitCount > zenitsBefore;
    waves += WaveSize != lastWave;
    lastWave = WaveSize;
    zenitsThisGame = std::max(zenitsThisGame, int(GameMap.ZenitCount));
    maxParticles = std::max(maxParticles, int(ParticleList.Count));
    if (steps % renderEvery == 0) Frame();
    AfterStep();
    if (::testing::Test::HasFatalFailure()) return;
    if (fight && gameStep % 4000 == 2000) {  // the game waits under the menu
      TapKey(VK_ESCAPE);
      ASSERT_TRUE(MenuActive);
      MenuStretch(50);
      ChooseMenuItem(1);
      ASSERT_FALSE(MenuActive);
    }
    if (alive && wantDeathAt >= 0 && gameStep - wantDeathAt > 4000) DamagePlayer(Player.Health);
    if (alive && Player.Health == 0) {
      ++deaths, deathAt = gameStep;
      HoldKeys({false, false, false, false, false, false});
    }
    if (deathAt >= 0 && gameStep == deathAt + 200) {
      TapKey(VK_ESCAPE);
      ASSERT_TRUE(MenuActive);
      MenuStretch(30);
      newGame();
    }
  }
  HoldKeys({false, false, false, false, false, false});
}

void GameTest::SetUp() {
  GLTest::SetUp();
  if (IsSkipped()) return;
  oldDir_ = std::filesystem::current_path();
  WriteTestGameData(dir_.Path());
  std::filesystem::current_path(dir_.Path());
  // OpenAL's null output plays into nothing in real time, so the gun's channels are
  // real handles even without a sound card; when no device opens the game runs silent.
  SetDefaultEnv("ALSOFT_DRIVERS", "null");
  InitSound();
  LoadGame();
  loaded_ = true;
  RandomSeed(1234);
  ResetInput();
  MenuActive = true;
  WaveDelay = 500;
  WaveSize = SpawnsLeft = 0;
}

void GameTest::TearDown() {
  if (!loaded_) return;
  ResetInput();
  FreeGame();
  ShutdownSound();
  std::filesystem::current_path(oldDir_);
}

TSpider* PlayTest::AddSpider(float x, float z) {
  TSpider* s = MapAddSpider(GameMap);
  s->Position = {x, 8, z};
  return s;
}

void PlayTest::Hold(TSpider* s, const TVector& at) { s->Position = at, s->Speed = 0, s->AttackDelay = 1000; }

bool PlayTest::FiredThisStep() {
  for (TP_Particle* p = ParticleList.Head; p; p = p->Next)
    if (dynamic_cast<TP_Fire*>(p)) return true;
  return false;
}

void PlayTest::SetUp() {
  GameTest::SetUp();
  if (IsSkipped()) return;
  NewGame();
  MenuActive = false;
  SpawnsLeft = 0;
  Step();
}
