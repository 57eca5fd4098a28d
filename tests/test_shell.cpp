// Application shell: switches, the fixed-step rule, activation, input state and message translation.
#include <gtest/gtest.h>

#include <vector>

#include "app/l_app.h"
#include "app/l_input.h"
#include "app/l_utils.h"
#include "menu/l_menu.h"
#include "platform/p_window.h"
#include "support/test_env.h"

static void Parse(std::vector<std::string> args) {
  Fullscreen = true;
  NoBlood = NoGibs = MouseInvert = false;
  ScreenWidth = 640;
  ScreenHeight = 480;
  ScreenRefresh = 85;
  ScreenBits = 16;
  std::vector<char*> argv;
  static std::string prog = "halvrost";
  argv.push_back(prog.data());
  for (std::string& a : args) argv.push_back(a.data());
  ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(Switches, SplitAndJoinedParametersBothWork) {
  Parse({"-nofull", "screen"});
  EXPECT_FALSE(Fullscreen);
  EXPECT_EQ(CommandLine, "-nofullscreen");
  Parse({"-noblood-nogibs"});
  EXPECT_TRUE(NoBlood);
  EXPECT_TRUE(NoGibs);
  EXPECT_FALSE(MouseInvert);
  Parse({"-MOUSEINV"});  // case-sensitive
  EXPECT_FALSE(MouseInvert);
  Parse({"-mouseinv"});
  EXPECT_TRUE(MouseInvert);
}

TEST(Switches, OptimizeSetsTheSmallMode) {
  Parse({"-optimize", "-nofullscreen"});
  EXPECT_EQ(ScreenWidth, 320);
  EXPECT_EQ(ScreenHeight, 240);
  EXPECT_EQ(ScreenRefresh, 60);
  EXPECT_EQ(ScreenBits, 16);
  EXPECT_FALSE(Fullscreen);
  Parse({});
  EXPECT_EQ(ScreenWidth, 640);
  EXPECT_TRUE(Fullscreen);
}

class Shell : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    ScreenWidth = 640;
    ScreenHeight = 480;
    Fullscreen = false;
    AppInitialized = true;
    AppActive = true;
    ResetInput();
    DrainPlatform();
  }
  static std::vector<TMessage> DrainPlatform() {
    std::vector<TMessage> got;
    TMessage m;
    while (PlatformPeekMessage(m)) got.push_back(m);
    return got;
  }
};

TEST_F(Shell, StepRuleCarriesTheRemainder) {
  LastStepTime = 1000;
  EXPECT_EQ(RunLoopPass(1045), 2);
  EXPECT_EQ(LastStepTime, 1040);  // 5 ms carried
  EXPECT_EQ(RunLoopPass(1059), 0);
  EXPECT_EQ(LastStepTime, 1040);  // no step: unchanged
  EXPECT_EQ(RunLoopPass(1060), 1);
  EXPECT_EQ(LastStepTime, 1060);
  LastStepTime = 0;
  EXPECT_EQ(RunLoopPass(19), 0);
  // Unbounded catch-up, across the 32-bit wrap of the timer.
  LastStepTime = static_cast<int32_t>(0xFFFFFFF0u);
  EXPECT_EQ(RunLoopPass(0x30), 3);
}

TEST_F(Shell, ActivationResetsKeysAndMakesUpNoSteps) {
  KeyPress('W');
  LastStepTime = GetTimer() - 10000;
  WndProc(WM_ACTIVATEAPP, 0, 0);
  EXPECT_FALSE(AppActive);
  EXPECT_FALSE(IsKeyDown('W'));
  KeyPress('W');
  WndProc(WM_ACTIVATEAPP, 1, 0);
  EXPECT_TRUE(AppActive);
  EXPECT_FALSE(IsKeyDown('W'));
  EXPECT_EQ(RunLoopPass(LastStepTime + 5), 0);
  // Before start-up completes activation messages are ignored.
  AppInitialized = false;
  WndProc(WM_ACTIVATEAPP, 0, 0);
  EXPECT_TRUE(AppActive);
  AppInitialized = true;
}

TEST_F(Shell, ButtonsShareTheKeyArray) {
  WndProc(WM_LBUTTONDOWN, 0, 0);
  WndProc(WM_RBUTTONDOWN, 0, 0);
  WndProc(WM_MBUTTONDOWN, 0, 0);
  EXPECT_TRUE(IsKeyDown(0) && IsKeyDown(1) && IsKeyDown(2));
  WndProc(WM_LBUTTONUP, 0, 0);
  EXPECT_FALSE(IsKeyDown(0));
  WndProc(WM_KEYDOWN, 0x141, 0);  // only the low byte is the key
  EXPECT_TRUE(IsKeyDown(0x41));
  WndProc(WM_KEYUP, 0x41, 0);
  EXPECT_FALSE(IsKeyDown(0x41));
}

TEST_F(Shell, EscapeReleaseOpensTheMenuOnce) {
  MenuActive = false;
  KeyPress(27);
  KeyRelease(27);
  EXPECT_TRUE(MenuActive);
  KeyRelease(27);  // while the menu is shown: nothing more
  EXPECT_TRUE(MenuActive);
}

TEST_F(Shell, MouseMotionIsMeasuredFromTheCentreOncePerStep) {
  PlatformSetCursorPos(320, 240);
  PlatformInjectMouseMotion(5, -3);
  DispatchMessages();
  UpdateMouse();
  EXPECT_EQ(MouseDX, 5);
  EXPECT_EQ(MouseDY, -3);
  UpdateMouse();
  EXPECT_EQ(MouseDX, 0);
  EXPECT_EQ(MouseDY, 0);
  ScreenWidth = 641;
  PlatformSetCursorPos(0, 0);
  UpdateMouse();  // puts the cursor back at (320, 240)
  UpdateMouse();
  EXPECT_EQ(MouseDX, 0);
  ScreenWidth = 640;
}

TEST_F(Shell, FocusChangeDropsStaleMotion) {
  PlatformSetCursorPos(320, 240);
  PlatformInjectMouseMotion(40, 40);
  PlatformInjectFocus(false);
  PlatformInjectFocus(true);
  std::vector<TMessage> got = DrainPlatform();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].Message, WM_ACTIVATEAPP);
  EXPECT_EQ(got[0].WParam, 0u);
  EXPECT_EQ(got[1].WParam, 1u);
  int x, y;
  PlatformGetCursorPos(x, y);
  EXPECT_EQ(x, 320);
  EXPECT_EQ(y, 240);
}

TEST_F(Shell, KeysBecomeVirtualKeyMessages) {
  PlatformInjectKey("A", true);
  PlatformInjectKey("A", true, true);  // key repeat: another key-down
  PlatformInjectKey("A", false);
  PlatformInjectKey("Escape", true);
  PlatformInjectKey("Up", true);
  PlatformInjectKey("Down", true);
  PlatformInjectKey("Left", true);
  PlatformInjectKey("Right", true);
  PlatformInjectKey("Backspace", false);
  PlatformInjectKey("Return", true);
  PlatformInjectKey("F1", true);
  std::vector<TMessage> got = DrainPlatform();
  std::vector<std::pair<uint32_t, uint32_t>> want = {
      {WM_KEYDOWN, 'A'}, {WM_KEYDOWN, 'A'}, {WM_KEYUP, 'A'}, {WM_KEYDOWN, 27}, {WM_CHAR, 27},
      {WM_KEYDOWN, 38},  {WM_KEYDOWN, 40},  {WM_KEYDOWN, 37}, {WM_KEYDOWN, 39}, {WM_KEYUP, 8},
      {WM_KEYDOWN, 13},  {WM_CHAR, 13},     {WM_KEYDOWN, 112}};
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].Message, want[i].first) << i;
    EXPECT_EQ(got[i].WParam, want[i].second) << i;
  }
}

TEST_F(Shell, SystemKeysAreNotDelivered) {
  PlatformInjectKey("F10", true);
  PlatformInjectKey("F10", false);
  PlatformInjectKey("Left Alt", true);
  PlatformInjectKey("F4", true, false, true);  // Alt+F4
  PlatformInjectKey("W", true, false, true);
  EXPECT_TRUE(DrainPlatform().empty());
}

TEST_F(Shell, TypedTextBecomesWindows1252Characters) {
  PlatformInjectText("a\xC3\xA9\xE2\x82\xAC\xE4\xB8\x80");  // a, e-acute, euro sign, a CJK letter
  std::vector<TMessage> got = DrainPlatform();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].WParam, static_cast<uint32_t>('a'));
  EXPECT_EQ(got[1].WParam, 0xE9u);
  EXPECT_EQ(got[2].WParam, 0x80u);
  for (const TMessage& m : got) EXPECT_EQ(m.Message, WM_CHAR);
}

TEST_F(Shell, ButtonsAndWindowEventsTranslate) {
  PlatformInjectMouseButton(0, true);
  PlatformInjectMouseButton(1, false);
  PlatformInjectMouseButton(2, true);
  PlatformInjectClose();
  PlatformInjectQuit();
  std::vector<TMessage> got = DrainPlatform();
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[0].Message, WM_LBUTTONDOWN);
  EXPECT_EQ(got[1].Message, WM_RBUTTONUP);
  EXPECT_EQ(got[2].Message, WM_MBUTTONDOWN);
  EXPECT_EQ(got[3].Message, WM_CLOSE);
  EXPECT_EQ(got[4].Message, WM_QUERYENDSESSION);
}

TEST_F(Shell, KeyMessagesReachBothKeyStateAndMenu) {
  MenuActive = true;
  PlatformInjectKey("W", true);
  DispatchMessages();
  EXPECT_TRUE(IsKeyDown('W'));
}
