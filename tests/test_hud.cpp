// Player view and HUD: nothing when dead, the vignette, crosshair, build bar, shadow and gun tint.
#include "platform/p_gl.h"

#include "render/l_gl.h"
#include "support/game_env.h"

namespace {

bool Red(Rgb p) { return p.r > 245 && p.g < 10 && p.b < 10; }
bool Orange(Rgb p) { return std::abs(p.r - 204) < 8 && std::abs(p.g - 128) < 8 && p.b < 8; }

class Hud : public PlayTest {
 protected:
  // A white screen with the camera set up as the game frame has it, then the overlay.
  void Draw() {
    glClearColor(1, 1, 1, 1), glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT), SetBlendMode(0);
    CameraProjection(Camera), CameraLoadView(Camera), RenderPlayerView(), glFinish();
  }
};

TEST_F(Hud, NothingAtZeroHealth) {
  Player.Health = 0, Player.Flash = 1;
  Draw();
  for (int y = 0; y < 480; y += 8)
    for (int x = 0; x < 640; x += 8) { Rgb p = Pixel(x, y); ASSERT_EQ(p.r + p.g + p.b, 765); }
}

// Unhurt: a 64-pixel black fade; right after a hit: red and 320 pixels deep.
TEST_F(Hud, VignetteFadesBlackWhenUnhurtAndRedDeeperAfterAHit) {
  Player.Flash = 0;
  Draw();
  Rgb edge = Pixel(0, 240), mid = Pixel(32, 240), inside = Pixel(100, 240);
  EXPECT_TRUE(edge.r < 10 && std::abs(mid.r - 128) <= 12 && mid.r == mid.g);
  EXPECT_TRUE(inside.r == 255 && inside.g == 255);
  EXPECT_LT(Pixel(320, 0).r + Pixel(320, 479).r + Pixel(639, 240).r, 30);  // top, bottom, right
  EXPECT_EQ(Pixel(320, 100).g, 255);
  Player.Flash = 1;
  Draw();
  EXPECT_TRUE(Red(Pixel(1, 240)));
  // Well inside, where the unhurt fade would not reach, the bands still tint red.
  Rgb deep = Pixel(200, 150);
  EXPECT_TRUE(deep.r == 255 && deep.g < 200 && deep.g == deep.b);
}

TEST_F(Hud, CrosshairSitsInTheMiddleAndTheBuildBarShowsOnlyWhileBuilding) {
  Player.BuildCounter = 75;  // fills to x = 191 + 128
  Draw();
  // The red texture fills 304..335 in both directions, nothing beside it.
  const int in[][2] = {{320, 240}, {304, 224}, {335, 255}};
  const int out[][2] = {{303, 240}, {336, 240}, {320, 223}, {320, 256}};
  for (auto [x, y] : in) EXPECT_TRUE(Red(Pixel(x, y)));
  for (auto [x, y] : out) EXPECT_FALSE(Red(Pixel(x, y)));
  // The bar at 75 of 150, its outline at 320, 395 and at 447.
  for (int x : {250, 318, 447}) EXPECT_TRUE(Orange(Pixel(x, 400)));
  EXPECT_TRUE(Orange(Pixel(320, 395)) && !Orange(Pixel(330, 400)));
  for (int counter : {0, 151}) {
    Player.BuildCounter = counter;
    Draw();
    EXPECT_FALSE(Orange(Pixel(250, 400)) || Orange(Pixel(320, 395))) << counter;
  }
  Player.BuildCounter = 1;  // the fill runs from 194 back to 192
  Draw();
  EXPECT_TRUE(Orange(Pixel(193, 400)) && !Orange(Pixel(250, 400)));
}

TEST_F(Hud, NumbersArePrintedInTheirColours) {
  Player.Health = 88;
  Draw();
  EXPECT_GT(CountPixels(72, 410, 140, 446, [](Rgb p) { return p.g > 200 && p.r < 60 && p.b < 60; }), 20);
}

TEST_F(Hud, ShadowPulsesOnlyWhileMovingAndTheGunTintReadsOnlyInsideTheColourImage) {
  Player.Velocity = {0, 0, 0};
  float phase = Player.ShadowPhase;
  Draw();
  EXPECT_EQ(Player.ShadowPhase, phase);
  Player.Velocity = {0.2f, 0, 0};
  Draw();
  EXPECT_FLOAT_EQ(Player.ShadowPhase, phase + 0.2f);
  // A colour image smaller than the terrain, then none: the gun's tint must not read past it.
  GameMap.Pixels = TImage{.Width = 4, .Height = 4, .Bits = 24, .Pixels = std::vector<uint8_t>(48, 10)};
  Player.Position = {140, 8, 140};
  Draw(), GameMap.Pixels = TImage{}, Draw();
}

}  // namespace
