// Writers for the test maps, models and sounds, and the game fixture that loads them.
#include "support/game_env.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "app/l_app.h"
#include "app/l_input.h"
#include "app/l_utils.h"
#include "audio/l_sound.h"
#include "game/l_game.h"
#include "menu/l_menu.h"
#include "platform/p_window.h"

std::vector<uint8_t> EncodeTestJpeg(int w, int h, const std::vector<uint8_t>& rgb) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &mem, &size);
  cinfo.image_width = w;
  cinfo.image_height = h;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 100, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&rgb[size_t(cinfo.next_scanline) * w * 3]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> out(mem, mem + size);
  jpeg_destroy_compress(&cinfo);
  free(mem);
  return out;
}

std::vector<uint8_t> UniformRgb(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> px(size_t(w) * h * 3);
  for (size_t i = 0; i < px.size(); i += 3) {
    px[i] = r;
    px[i + 1] = g;
    px[i + 2] = b;
  }
  return px;
}

namespace {

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void PutF(std::vector<uint8_t>& b, float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  Put32(b, u);
}
void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}

// A pyramid of 4 vertices and 4 triangles, apex at height `top`, base half-width `half`.
void PutPyramid(std::vector<uint8_t>& b, float half, float top) {
  const float v[4][3] = {{-half, 0, -half}, {half, 0, -half}, {0, 0, half}, {0, top, 0}};
  for (auto& p : v)
    for (float c : p) PutF(b, c);
  const uint16_t t[4][3] = {{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {2, 3, 0}};
  for (auto& tri : t)
    for (uint16_t i : tri) Put16(b, i);
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  WriteBytes(path, bytes);
}

}  // namespace

std::vector<uint8_t> TestZrm1(int meshes, int frames, float reach) {
  std::vector<uint8_t> b = {'Z', 'R', 'M', '1', uint8_t(meshes), uint8_t(frames)};
  for (int m = 0; m < meshes; ++m) {
    Put32(b, 4);
    Put32(b, 4);
    b.push_back(uint8_t(100 + 50 * m));
    b.push_back(40);
    b.push_back(20);
    // File units are scaled by 0.1; the apex is the farthest vertex.
    PutPyramid(b, reach * 2.0f, reach * 10.0f);
    for (int f = 0; f < frames; ++f) {
      for (int k = 0; k < 6; ++k) PutF(b, 0);
      PutF(b, 1);
    }
  }
  return b;
}

std::vector<uint8_t> TestZrm2(int meshes) {
  std::vector<uint8_t> b = {'Z', 'R', 'M', '2'};
  Put32(b, uint32_t(meshes));
  for (int m = 0; m < meshes; ++m) {
    Put32(b, 4);
    Put32(b, 4);
    PutPyramid(b, 0.3f, 1.0f);
  }
  return b;
}

std::vector<uint8_t> TestTga(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  std::vector<uint8_t> t = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(t, uint16_t(w));
  Put16(t, uint16_t(h));
  t.push_back(32);
  t.push_back(8);  // 8 alpha bits, bottom row first
  for (int i = 0; i < w * h; ++i) {
    t.push_back(b);
    t.push_back(g);
    t.push_back(r);
    t.push_back(a);
  }
  return t;
}

std::vector<uint8_t> TestWav(int milliseconds) {
  const uint32_t rate = 22050;
  uint32_t frames = rate * uint32_t(milliseconds) / 1000;
  std::vector<uint8_t> b = {'R', 'I', 'F', 'F'};
  Put32(b, 36 + frames * 2);
  for (char c : std::string("WAVEfmt ")) b.push_back(uint8_t(c));
  Put32(b, 16);
  Put16(b, 1);  // PCM
  Put16(b, 1);  // mono
  Put32(b, rate);
  Put32(b, rate * 2);
  Put16(b, 2);
  Put16(b, 16);
  for (char c : std::string("data")) b.push_back(uint8_t(c));
  Put32(b, frames * 2);
  for (uint32_t i = 0; i < frames; ++i) Put16(b, uint16_t((i / 25) % 2 ? 6000 : -6000));
  return b;
}

void WriteTestGameData(const std::string& root, const TestDataOptions& o) {
  std::string d = root + "/data/";
  uint8_t h = o.heightLevel;
  WriteFile(d + "maps/map1_height.jpg", EncodeTestJpeg(128, 128, UniformRgb(128, 128, h, h, h)));
  uint8_t g = o.colourGrey;
  WriteFile(d + "maps/map1.jpg", EncodeTestJpeg(512, 512, UniformRgb(512, 512, g, g, g)));
  WriteFile(d + "models/spider.zrm", TestZrm1(2, 10, o.spiderReach));
  WriteFile(d + "models/gun.zrm", TestZrm2(1));
  WriteFile(d + "models/zenit.zrm", TestZrm2(3));
  WriteFile(d + "textures/crosshair.tga", TestTga(32, 32, 255, 0, 0, 255));
  WriteFile(d + "textures/hud.tga", TestTga(128, 32, 255, 255, 255, 255));
  if (!o.sounds) return;
  for (const char* s : {"gun/start.wav", "gun/stop.wav", "gun/fire.wav", "footsteps/dirt1.wav",
                        "footsteps/dirt2.wav", "spider/attack.wav", "spider/die.wav",
                        "zenit/fire.wav", "zenit/aim.wav", "ric.wav"})
    WriteFile(d + "sounds/" + s, TestWav());
}

void GameTest::SetUp() {
  GLTest::SetUp();
  if (IsSkipped()) return;
  oldDir_ = std::filesystem::current_path();
  WriteTestGameData(dir_.Path(), DataOptions());
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
  WaveSize = 0;
  SpawnsLeft = 0;
}

void GameTest::TearDown() {
  if (loaded_) {
    ResetInput();
    FreeGame();
    ShutdownSound();
    std::filesystem::current_path(oldDir_);
  }
}

void GameTest::Step(int dx, int dy) {
  // UpdateMouse measures the cursor against the window centre and puts it back.
  PlatformSetCursorPos(ScreenWidth / 2 + dx, ScreenHeight / 2 + dy);
  UpdateGame();
}

void GameTest::Steps(int n) {
  for (int i = 0; i < n; ++i) Step();
}
