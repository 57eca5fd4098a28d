// Test data and a fixture for the game modules: maps, models and sounds the tests write.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_env.h"

// Baseline 24-bit JPEG at quality 100; rgb holds w * h pixels, red first.
std::vector<uint8_t> EncodeTestJpeg(int w, int h, const std::vector<uint8_t>& rgb);
std::vector<uint8_t> UniformRgb(int w, int h, uint8_t r, uint8_t g, uint8_t b);

// A ZRM1 model of `meshes` small pyramids and `frames` identity keys; its farthest
// vertex lies `reach` world units from the origin (the spider's bite range).
std::vector<uint8_t> TestZrm1(int meshes, int frames, float reach);
// A ZRM2 model of `meshes` small pyramids.
std::vector<uint8_t> TestZrm2(int meshes);
// Uncompressed 32-bit TGA of one colour.
std::vector<uint8_t> TestTga(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a);
// 16-bit mono PCM, a short tone.
std::vector<uint8_t> TestWav(int milliseconds = 100);

// Everything LoadGame and NewGame read, below root: "map1" (128 x 128, flat at
// height level / 8, colour image 512 x 512 of the given grey), the three models,
// the sounds, and two HUD textures: a red crosshair and a white icon strip. Other
// textures and the music are left out: missing ones leave empty handles.
struct TestDataOptions {
  uint8_t heightLevel = 64;  // ground at 8 units
  uint8_t colourGrey = 200;
  float spiderReach = 2.0f;
  bool sounds = true;
};
void WriteTestGameData(const std::string& root, const TestDataOptions& options = {});

// A game test: GL context, its own data directory as the working directory, the
// game loaded with LoadGame and freed with FreeGame, a seeded generator, no input.
class GameTest : public GLTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  virtual TestDataOptions DataOptions() const { return {}; }
  // One game step with the mouse moved by (dx, dy) before it.
  void Step(int dx = 0, int dy = 0);
  void Steps(int n);
  ScratchDir dir_;
  std::filesystem::path oldDir_;
  bool loaded_ = false;
};
