// Application shell: switches, the fixed-step rule, activation, input state and message translation.

#include "app/l_app.h"
#include "app/l_input.h"
#include "app/l_utils.h"
#include "menu/l_menu.h"
#include "platform/p_window.h"
#include "support/test_env.h"

// Fullscreen, no blood, no gibs, inverted mouse, width, height, refresh rate.
using Switched = std::tuple<bool, bool, bool, bool, int, int, int>;

TEST(Switches, SplitJoinedCaseSensitiveAndTheSmallMode) {
  const std::pair<std::vector<std::string>, Switched> cases[] = {
      {{"-nofull", "screen"}, {false, false, false, false, 640, 480, 85}},  // split parameters join
      {{"-noblood-nogibs", "-MOUSEINV"}, {true, true, true, false, 640, 480, 85}},  // case-sensitive
      {{"-mouseinv", "-optimize", "-nofullscreen"}, {false, false, false, true, 320, 240, 60}}};
  for (auto [args, want] : cases) {  // from the defaults each time
    Fullscreen = true, NoBlood = NoGibs = MouseInvert = false;
    ScreenWidth = 640, ScreenHeight = 480, ScreenRefresh = 85, ScreenBits = 16;
    std::vector<char*> argv = {const_cast<char*>("halvrost")};
    std::string joined;
    for (std::string& a : args) argv.push_back(a.data()), joined += a;
    ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(Switched(Fullscreen, NoBlood, NoGibs, MouseInvert, ScreenWidth, ScreenHeight, ScreenRefresh), want);
    EXPECT_EQ(std::pair(ScreenBits, CommandLine), std::pair(16, joined));
  }
}

class Shell : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    ScreenWidth = 640, ScreenHeight = 480, Fullscreen = false, AppInitialized = AppActive = true;
    ResetInput(), Drain();
  }
  // What the platform delivers as (message, parameter), recorded instead of handled.
  static std::vector<TMessage> Drain() {
    static std::vector<TMessage> got;
    got.clear();
    PlatformSetWindowProc([](uint32_t m, uint32_t w, int32_t l) { return got.push_back({m, w, l}), int32_t{0}; });
    return PlatformDispatchMessages(), PlatformSetWindowProc(WndProc), got;
  }
  static void ExpectMessages(const std::vector<std::pair<uint32_t, uint32_t>>& want) {
    std::vector<TMessage> got = Drain();
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i)  // UINT32_MAX: the parameter is not checked
      EXPECT_EQ(std::pair(got[i].Message, want[i].second == UINT32_MAX ? UINT32_MAX : got[i].WParam), want[i]) << i;
  }
};

TEST_F(Shell, StepRuleCarriesTheRemainder) {
  // From 1000: 2 steps with 5 ms carried, none (and no change), one; from 0 none; unbounded
  // catch-up across the 32-bit wrap of the timer.
  const int32_t passes[][4] = {{1000, 1045, 2, 1040}, {1040, 1059, 0, 1040}, {1040, 1060, 1, 1060}, {0, 19, 0, 0},
                               {int32_t(0xFFFFFFF0u), 0x30, 3, 0x2C}};
  for (auto [last, now, steps, after] : passes)
    EXPECT_EQ((LastStepTime = last, std::pair{RunLoopPass(now), LastStepTime}), std::pair(steps, after)) << now;
}

TEST_F(Shell, ActivationResetsKeysAndMakesUpNoSteps) {
  KeyPress('W'), LastStepTime = GetTimer() - 10000, WndProc(WM_ACTIVATEAPP, 0, 0);
  EXPECT_FALSE(AppActive || IsKeyDown('W'));
  KeyPress('W'), WndProc(WM_ACTIVATEAPP, 1, 0);
  EXPECT_TRUE(AppActive && !IsKeyDown('W'));
  EXPECT_EQ(RunLoopPass(LastStepTime + 5), 0);
  AppInitialized = false, WndProc(WM_ACTIVATEAPP, 0, 0);  // ignored before start-up completes
  EXPECT_TRUE(AppActive);
  AppInitialized = true;
}

TEST_F(Shell, ButtonsShareTheKeyArrayWhichKeysReachWhileTheMenuIsShown) {
  for (uint32_t m : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) WndProc(m, 0, 0);
  EXPECT_TRUE(IsKeyDown(0) && IsKeyDown(1) && IsKeyDown(2));
  WndProc(WM_LBUTTONUP, 0, 0), WndProc(WM_MBUTTONUP, 0, 0);
  WndProc(WM_KEYDOWN, 0x141, 0);  // only the low byte is the key
  EXPECT_TRUE(!IsKeyDown(0) && IsKeyDown(1) && !IsKeyDown(2) && IsKeyDown(0x41));
  WndProc(WM_KEYUP, 0x41, 0), MenuActive = true, PlatformInjectKey("W", true), DispatchMessages();
  EXPECT_TRUE(IsKeyDown('W') && !IsKeyDown(0x41));
}

TEST_F(Shell, MouseMotionIsMeasuredFromTheCentreOncePerStep) {
  PlatformSetCursorPos(320, 240);
  EXPECT_EQ((PlatformInjectMouseMotion(5, -3), DispatchMessages(), UpdateMouse(), std::pair(MouseDX, MouseDY)),
            std::pair(5, -3));
  EXPECT_EQ((UpdateMouse(), std::pair(MouseDX, MouseDY)), std::pair(0, 0));
  ScreenWidth = 641, PlatformSetCursorPos(0, 0);
  EXPECT_EQ((UpdateMouse(), UpdateMouse(), MouseDX), 0);  // the first puts the cursor back at (320, 240)
  ScreenWidth = 640;
}

TEST_F(Shell, FocusChangeDropsStaleMotion) {
  PlatformSetCursorPos(320, 240), PlatformInjectMouseMotion(40, 40);
  PlatformInjectFocus(false), PlatformInjectFocus(true);
  ExpectMessages({{WM_ACTIVATEAPP, 0}, {WM_ACTIVATEAPP, 1}});
  int x, y;
  EXPECT_EQ((PlatformGetCursorPos(x, y), std::pair(x, y)), std::pair(320, 240));
}

TEST_F(Shell, KeysButtonsTextAndWindowEventsBecomeWindowsMessages) {
  // Key "A" down, repeated (another key-down) and up, then more keys down or (false) up.
  PlatformInjectKey("A", true), PlatformInjectKey("A", true, true), PlatformInjectKey("A", false);
  for (auto [key, down] : {std::pair{"Escape", true}, {"Up", true}, {"Down", true}, {"Left", true}, {"Right", true},
                           {"Backspace", false}, {"Return", true}, {"F1", true}})
    PlatformInjectKey(key, down);
  PlatformInjectMouseButton(0, true), PlatformInjectMouseButton(1, false), PlatformInjectMouseButton(2, true);
  PlatformInjectText("a\xC3\xA9\xE2\x82\xAC\xE4\xB8\x80");  // a, e-acute, euro sign, a CJK letter: cp1252
  PlatformInjectClose(), PlatformInjectQuit();
  const uint32_t any = UINT32_MAX;
  ExpectMessages({{WM_KEYDOWN, 'A'}, {WM_KEYDOWN, 'A'}, {WM_KEYUP, 'A'}, {WM_KEYDOWN, 27}, {WM_CHAR, 27},
                  {WM_KEYDOWN, 38}, {WM_KEYDOWN, 40}, {WM_KEYDOWN, 37}, {WM_KEYDOWN, 39}, {WM_KEYUP, 8},
                  {WM_KEYDOWN, 13}, {WM_CHAR, 13}, {WM_KEYDOWN, 112}, {WM_LBUTTONDOWN, any}, {WM_RBUTTONUP, any},
                  {WM_MBUTTONDOWN, any}, {WM_CHAR, 'a'}, {WM_CHAR, 0xE9}, {WM_CHAR, 0x80}, {WM_CLOSE, any},
                  {WM_QUERYENDSESSION, any}});
}

// F10, Alt and whatever is typed with Alt held are system keys and characters: neither
// the key state nor the player's name sees them.
TEST_F(Shell, SystemKeysAndCharactersArriveAsSystemMessages) {
  PlatformInjectKey("F10", true), PlatformInjectKey("F10", false), PlatformInjectKey("Left Alt", true);
  // Alt+F5 (Alt+F4 would also close the window on Windows), Alt+W; after Alt is released, x
  // is an ordinary character again.
  PlatformInjectKey("F5", true, false, true), PlatformInjectKey("W", true, false, true), PlatformInjectText("w");
  PlatformInjectKey("Left Alt", false), PlatformInjectText("x");
  std::vector<TMessage> got = Drain();
  const std::pair<uint32_t, uint32_t> want[] = {
      {WM_SYSKEYDOWN, 121}, {WM_SYSKEYUP, 121}, {WM_SYSKEYDOWN, 18}, {WM_SYSKEYDOWN, 116},
      {WM_SYSKEYDOWN, 'W'}, {WM_SYSCHAR, 'w'},  {WM_SYSKEYUP, 18},   {WM_CHAR, 'x'}};
  ASSERT_EQ(got.size(), std::size(want));
  MenuActive = true, ShortTextAssign(PlayerName, "");
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(std::pair(got[i].Message, got[i].WParam), want[i]) << i;
    WndProc(got[i].Message, got[i].WParam, got[i].LParam);
  }
  EXPECT_EQ(ShortTextString(PlayerName), "x");
  for (int vk : {18, 121, 116, int('W')}) EXPECT_FALSE(IsKeyDown(static_cast<uint8_t>(vk))) << vk;
}

// A window starts active: the focus it gets when first shown is no activation (which
// would reset input and switch the display mode again), while a later loss is one.
TEST(ShellStart, FirstFocusOfANewWindowIsNoActivation) {
  if (!EnsureTestGL()) GTEST_SKIP() << "no OpenGL";
  static std::vector<uint32_t> got;
  PlatformSetWindowProc([](uint32_t m, uint32_t w, int32_t) {
    return m == WM_ACTIVATEAPP ? got.push_back(w) : void(), 0;
  });
  EXPECT_TRUE((PlatformInjectFocus(true), PlatformDispatchMessages(), got.empty()));
  PlatformInjectFocus(false), PlatformInjectFocus(true), PlatformDispatchMessages();
  EXPECT_EQ(got, (std::vector<uint32_t>{0, 1}));
  PlatformSetWindowProc(WndProc);
}
