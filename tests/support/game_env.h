// Test data and fixtures for the game modules: the maps, models and sounds the tests write, input
// as the window procedure gets it, and a game loaded (GameTest) or under way (PlayTest).
#pragma once
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
#include "support/image_files.h"
#include "support/test_env.h"

inline constexpr float kPi = 3.14159265358979f;

std::vector<uint8_t> UniformRgb(int w, int h, uint8_t r, uint8_t g, uint8_t b);
// A ZRM1 model of `meshes` small pyramids and `frames` identity keys; its farthest
// vertex lies `reach` world units from the origin (the spider's bite range).
std::vector<uint8_t> TestZrm1(int meshes, int frames, float reach);
std::vector<uint8_t> TestZrm2(int meshes);  // `meshes` small pyramids
// Uncompressed 32-bit TGA of one colour.
std::vector<uint8_t> TestTga(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a);
std::vector<uint8_t> TestWav(int milliseconds = 100);  // 16-bit mono PCM, a short tone

// Everything LoadGame and NewGame read, below root: "map1" (128 x 128, flat at height 8,
// colour image 512 x 512 of grey 200), the three models (spider reach 2), the sounds, and two
// HUD textures: a red crosshair and a white icon strip. Other textures and the music are left
// out: missing ones leave empty handles.
void WriteTestGameData(const std::string& root);

// Reading the 640 x 480 frame, y growing downward: one pixel, and the pixels in [x0, x1) x [y0, y1) that match.
struct Rgb { int r, g, b; };
Rgb Pixel(int x, int y);
int CountPixels(int x0, int y0, int x1, int y1, bool (*match)(Rgb));

// Input through the window procedure; key code 0 is the left mouse button.
void TapKey(uint8_t vk);
void TypeText(const std::string& text);
void ChooseMenuItem(int item);  // moves to the item with the arrow keys and presses Enter
// One game step with the mouse moved by (dx, dy) before it.
void GameStep(int dx = 0, int dy = 0);

// A game test: GL context, its own data directory as the working directory, the
// game loaded with LoadGame and freed with FreeGame, a seeded generator, no input.
class GameTest : public GLTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  void Step(int dx = 0, int dy = 0) { GameStep(dx, dy); }
  void Steps(int n) { for (int i = 0; i < n; ++i) GameStep(); }
  // A key pressed or released, then n steps.
  void Press(uint8_t key, int n = 0) { KeyPress(key); Steps(n); }
  void Release(uint8_t key, int n = 0) { KeyRelease(key); Steps(n); }
  ScratchDir dir_;
  bool loaded_ = false;
};

// A game under way: NewGame, the menu closed, no spider to spawn, one step onto the ground.
class PlayTest : public GameTest {
 protected:
  void SetUp() override;
  static TSpider* AddSpider(float x, float z);  // on the ground at height 8
  static void Hold(TSpider* s, const TVector& at);  // in place, not biting, through the next step
  static bool FiredThisStep();  // a muzzle flash is in the particle list
};
