// Menu: item movement and choice, name entry, Backspace, Escape, animation and the drawn frame.

#include "support/game_env.h"

namespace {

std::string Name() { return ShortTextString(PlayerName); }

class Menu : public GameTest {};

TEST_F(Menu, StartsOnStartWithTheDefaultNameAndTheItemsWrapAround) {
  EXPECT_EQ(std::tuple(MenuActive, MenuSelection, Name()), std::tuple(true, 0, "Enter Name"));
  WndProc(WM_KEYDOWN, VK_DOWN, 0);  // a key in the menu is also recorded in the key state
  EXPECT_TRUE(IsKeyDown(VK_DOWN) && MenuSelection == 1);
  EXPECT_FALSE((WndProc(WM_KEYUP, VK_DOWN, 0), IsKeyDown(VK_DOWN)));
  // Up on START selects QUIT, down on QUIT selects START.
  const std::pair<uint8_t, int> moves[] = {{VK_UP, 0}, {VK_UP, 2}, {VK_DOWN, 0}, {VK_DOWN, 1}, {VK_DOWN, 2}};
  for (auto [key, selection] : moves) EXPECT_EQ((TapKey(key), MenuSelection), selection);
}

TEST_F(Menu, ContinueOnlyResumesALivingGameAndQuitEndsTheProgram) {
  TapKey(VK_DOWN), TapKey(VK_RETURN);  // before any game: inert
  EXPECT_TRUE(MenuActive && MenuSelection == 1);
  TapKey(VK_UP), TapKey(VK_RETURN), Step(), KeyRelease(VK_ESCAPE);
  ASSERT_TRUE(MenuActive);
  TapKey(VK_DOWN), TapKey(VK_RETURN);
  EXPECT_FALSE(MenuActive);
  DamagePlayer(1000), Steps(10);
  EXPECT_FALSE(MenuActive);  // death leaves the game on screen until Escape
  KeyRelease(VK_ESCAPE);
  ASSERT_TRUE(MenuActive && MenuSelection == 1);
  EXPECT_TRUE((TapKey(VK_RETURN), MenuActive));  // after death: inert
  AppQuit = false, TapKey(VK_DOWN), TapKey(VK_RETURN);
  EXPECT_TRUE(AppQuit);
  AppQuit = false;
}

TEST_F(Menu, TypingAppendsPrintableCharactersUpToSixteen) {
  EXPECT_EQ((TypeText("Xy"), Name()), "Enter NameXy");
  EXPECT_EQ((TypeText("abcdefghij"), Name()), "Enter NameXyabcd");  // the seventeenth and later are ignored
  for (int i = 0; i < 30; ++i) WndProc(WM_KEYUP, VK_BACK, 0);  // more than there are letters
  ASSERT_EQ(Name(), "");
  // Spaces and control characters are not typed.
  for (uint32_t c : {' ', '\b', '\r', '!', '\xE9'}) WndProc(WM_CHAR, c & 0xFF, 0);
  EXPECT_EQ(Name(), "!\xE9");  // 0xE9 is a Windows-1252 letter
}

TEST_F(Menu, OnlyTheReleaseOfBackspaceDeletesALetter) {
  WndProc(WM_KEYDOWN, VK_BACK, 0), WndProc(WM_CHAR, 8, 0);  // nor the character it produces
  // Mouse messages carry button flags in the first parameter: 8 is Ctrl held.
  for (uint32_t m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_ACTIVATEAPP, 0x0200u /* mouse move */})
    WndProc(m, 8, 0);
  EXPECT_EQ(Name(), "Enter Name");
  EXPECT_EQ((WndProc(WM_KEYUP, VK_BACK, 0), Name()), "Enter Nam");
}

TEST_F(Menu, EscapeDuringPlayOpensTheMenuOnceAndStopsTheGun) {
  TapKey(VK_RETURN), Press(0, 20);
  ASSERT_EQ(Player.Keys[KeyFire].Down, 1);
  KeyRelease(0), KeyRelease(VK_ESCAPE);
  EXPECT_TRUE(MenuActive && Player.Keys[KeyFire].Down == 0 && Player.SpinUpChannel == -1 && Player.FireChannel == -1);
  const int sel = MenuSelection;
  EXPECT_TRUE((KeyRelease(VK_ESCAPE), MenuActive) && MenuSelection == sel);
}

TEST_F(Menu, StepAnimatesTheBandTheModelsAndTheirClock) {
  SpiderModel.Clock = 320;  // of 333: 10 frames
  float angle = MenuAngle;
  Step();
  EXPECT_EQ(std::tuple(MenuModelAngle, MenuAngle, MenuBandY), std::tuple(-1.0f, angle + 2.0f, 128.0f));
  EXPECT_EQ(std::tuple(SpiderModel.Clock, SpiderModel.Frame), std::tuple(17, 0));
  TapKey(VK_DOWN), TapKey(VK_DOWN), Step();  // QUIT: the band heads for 256
  EXPECT_FLOAT_EQ(MenuBandY, 128.0f + 128.0f / 8.0f);
  EXPECT_EQ(std::tuple(SpiderModel.Clock, SpiderModel.Frame), std::tuple(47, 1));
  EXPECT_NEAR((Steps(200), MenuBandY), 256.0f, 0.01f);
  ModelFree(SpiderModel), SpiderModel.Duration = 0, Steps(3);  // no animation: the clock falls back to 0
  EXPECT_EQ(std::tuple(SpiderModel.Clock, SpiderModel.Frame), std::tuple(0, 0));
}

bool Black(Rgb p) { return p.r < 20 && p.g < 20 && p.b < 20; }
bool Grey(Rgb p) { return std::abs(p.r - 128) < 12 && std::abs(p.g - 128) < 12; }

TEST_F(Menu, FrameShowsItemsPanelAndCreditsAndContinueTurnsBlackWhileAGameRuns) {
  RenderMenu();
  const Rgb sky = Pixel(600, 300), panel = Pixel(550, 250);  // the score panel darkens what lies under it
  EXPECT_LT(panel.r + panel.g + panel.b, sky.r + sky.g + sky.b);
  // START is black, CONTINUE grey while no game runs.
  EXPECT_GT(CountPixels(88, 116, 168, 136, Black), 10);
  EXPECT_GT(CountPixels(64, 180, 192, 200, Grey), 10);
  // The first score line and the credits are red.
  auto red = [](Rgb p) { return p.r > 200 && p.g < 60 && p.b < 60; };
  EXPECT_GT(CountPixels(240, 122, 460, 140, red), 10);
  EXPECT_GT(CountPixels(176, 440, 600, 460, red), 10);
  TapKey(VK_RETURN), Step(), KeyRelease(VK_ESCAPE), RenderMenu();
  EXPECT_EQ(CountPixels(64, 180, 192, 200, Grey), 0);
  EXPECT_GT(CountPixels(64, 180, 192, 200, Black), 10);
}

}  // namespace
