// Player view and HUD: nothing when dead, the vignette, crosshair, build bar, shadow and gun tint.
#include "platform/p_gl.h"
#include <gtest/gtest.h>

#include <cstdlib>

#include "actors/l_player.h"
#include "game/l_game.h"
#include "menu/l_menu.h"
#include "render/l_gl.h"
#include "support/game_env.h"

namespace {

struct Rgb {
  int r, g, b;
};

class Hud : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    if (IsSkipped()) return;
    NewGame();
    MenuActive = false;
    SpawnsLeft = 0;
    Step();
  }
  // A white screen with the camera set up as the game frame has it, then the overlay.
  void Draw() {
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SetBlendMode(0);
    CameraProjection(Camera);
    CameraLoadView(Camera);
    RenderPlayerView();
    glFinish();
  }
  static Rgb Pixel(int x, int y) {
    uint8_t px[4];
    glReadPixels(x, 479 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    return {px[0], px[1], px[2]};
  }
};

TEST_F(Hud, NothingAtZeroHealth) {
  Player.Health = 0;
  Player.Flash = 1;
  Draw();
  for (int y = 0; y < 480; y += 8)
    for (int x = 0; x < 640; x += 8) {
      Rgb p = Pixel(x, y);
      ASSERT_TRUE(p.r == 255 && p.g == 255 && p.b == 255) << x << "," << y;
    }
}

// Unhurt: a 64-pixel black fade; right after a hit: red and 320 pixels deep.
TEST_F(Hud, VignetteFadesBlackWhenUnhurtAndRedDeeperAfterAHit) {
  Player.Flash = 0;
  Draw();
  Rgb edge = Pixel(0, 240), mid = Pixel(32, 240), inside = Pixel(100, 240);
  EXPECT_LT(edge.r, 10);
  EXPECT_NEAR(mid.r, 128, 12);
  EXPECT_EQ(mid.r, mid.g);
  EXPECT_EQ(inside.r, 255);
  EXPECT_EQ(inside.g, 255);
  Rgb top = Pixel(320, 0), bottom = Pixel(320, 479), right = Pixel(639, 240);
  EXPECT_LT(top.r + bottom.r + right.r, 30);
  EXPECT_EQ(Pixel(320, 100).g, 255);
  Player.Flash = 1;
  Draw();
  edge = Pixel(1, 240);
  EXPECT_GT(edge.r, 245);
  EXPECT_LT(edge.g, 10);
  // Well inside, where the unhurt fade would not reach, the bands still tint red.
  Rgb deep = Pixel(200, 150);
  EXPECT_EQ(deep.r, 255);
  EXPECT_LT(deep.g, 200);
  EXPECT_EQ(deep.g, deep.b);
}

TEST_F(Hud, CrosshairSitsInTheMiddle) {
  Draw();
  // The red texture fills 304..335 in both directions, nothing beside it.
  const int inside[][2] = {{320, 240}, {304, 224}, {335, 255}};
  const int outside[][2] = {{303, 240}, {336, 240}, {320, 223}, {320, 256}};
  auto red = [](Rgb p) { return p.r > 245 && p.g < 10 && p.b < 10; };
  for (const auto& p : inside) EXPECT_TRUE(red(Pixel(p[0], p[1]))) << p[0] << "," << p[1];
  for (const auto& p : outside) EXPECT_FALSE(red(Pixel(p[0], p[1]))) << p[0] << "," << p[1];
}

TEST_F(Hud, BuildBarOnlyWhileBuilding) {
  auto orange = [](Rgb p) { return std::abs(p.r - 204) < 8 && std::abs(p.g - 128) < 8 && p.b < 8; };
  Player.BuildCounter = 75;  // fills to x = 191 + 128
  Draw();
  EXPECT_TRUE(orange(Pixel(250, 400)));
  EXPECT_TRUE(orange(Pixel(318, 400)));
  EXPECT_FALSE(orange(Pixel(330, 400)));
  EXPECT_TRUE(orange(Pixel(320, 395)));  // the outline
  EXPECT_TRUE(orange(Pixel(447, 400)));
  for (int counter : {0, 151}) {
    Player.BuildCounter = counter;
    Draw();
    EXPECT_FALSE(orange(Pixel(250, 400))) << counter;
    EXPECT_FALSE(orange(Pixel(320, 395))) << counter;
  }
  Player.BuildCounter = 1;  // the fill runs from 194 back to 192
  Draw();
  EXPECT_TRUE(orange(Pixel(193, 400)));
  EXPECT_FALSE(orange(Pixel(250, 400)));
}

TEST_F(Hud, NumbersArePrintedInTheirColours) {
  Player.Health = 88;
  Draw();
  int green = 0;
  for (int y = 410; y < 446; ++y)
    for (int x = 72; x < 140; ++x) {
      Rgb p = Pixel(x, y);
      if (p.g > 200 && p.r < 60 && p.b < 60) ++green;
    }
  EXPECT_GT(green, 20);
}

TEST_F(Hud, ShadowPulsesOnlyWhileMoving) {
  Player.Velocity = {0, 0, 0};
  float phase = Player.ShadowPhase;
  Draw();
  EXPECT_EQ(Player.ShadowPhase, phase);
  Player.Velocity = {0.2f, 0, 0};
  Draw();
  EXPECT_FLOAT_EQ(Player.ShadowPhase, phase + 0.2f);
}

TEST_F(Hud, GunTintReadsOnlyInsideTheColourImage) {
  // A colour image smaller than the terrain: the gun's tint must not read past it.
  TImage tiny;
  tiny.Width = tiny.Height = 4;
  tiny.Bits = 24;
  tiny.Pixels.assign(4 * 4 * 3, 10);
  GameMap.Pixels = tiny;
  Player.Position = {140, 8, 140};
  Draw();
  GameMap.Pixels = TImage{};
  Draw();
  SUCCEED();
}

}  // namespace
