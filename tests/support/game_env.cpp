// Writers for the test maps, models and sounds, input helpers, and the game fixtures.
#include "support/game_env.h"

#include "platform/p_gl.h"

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
  return m.color[0] = red, m.color[1] = 40, m.color[2] = 20, m;
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
  std::filesystem::create_directories(std::filesystem::path(path).parent_path()), WriteBytes(path, bytes);
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

void TapKey(uint8_t vk) { WndProc(WM_KEYDOWN, vk, 0), WndProc(WM_KEYUP, vk, 0); }

void TypeText(const std::string& text) { for (char c : text) WndProc(WM_CHAR, uint8_t(c), 0); }

void GameStep(int dx, int dy) {
  // UpdateMouse measures the cursor against the window centre and puts it back.
  PlatformSetCursorPos(ScreenWidth / 2 + dx, ScreenHeight / 2 + dy), UpdateGame();
}

void ChooseMenuItem(int item) {
  for (; MenuSelection != item;) TapKey(VK_DOWN);
  TapKey(VK_RETURN);
}

void GameTest::SetUp() {
  GLTest::SetUp();
  if (IsSkipped()) return;
  WriteTestGameData(dir_.Path()), dir_.Enter();
  // OpenAL's null output plays into nothing in real time, so the gun's channels are
  // real handles even without a sound card; when no device opens the game runs silent.
  SetDefaultEnv("ALSOFT_DRIVERS", "null"), InitSound(), LoadGame();
  loaded_ = true;
  RandomSeed(1234), ResetInput(), MenuActive = true;
  WaveDelay = 500, WaveSize = SpawnsLeft = 0;
}

void GameTest::TearDown() {
  if (!loaded_) return;
  ResetInput(), FreeGame(), ShutdownSound();
}

TSpider* PlayTest::AddSpider(float x, float z) {
  TSpider* s = MapAddSpider(GameMap);
  return s->Position = {x, 8, z}, s;
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
  NewGame(), MenuActive = false, SpawnsLeft = 0, Step();
}
