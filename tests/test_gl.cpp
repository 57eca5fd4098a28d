// Context start-up state, the frame end's swap-interval rule and display-mode switching.

#include "app/l_app.h"
#include "platform/p_window.h"
#include "render/l_gl.h"
#include "support/test_env.h"

class Frame : public GLTest {};

// Stand-ins for the swap-interval entry points, counting the calls that set it.
static int FakeInterval = 1, SetCalls = 0;

TEST_F(Frame, InitialStateAsTheRenderersExpect) {
  for (auto [cap, on] : {std::pair{GL_COLOR_MATERIAL, true}, {GL_NORMALIZE, true}, {GL_DEPTH_TEST, false},
                         {GL_LIGHTING, false}, {GL_BLEND, false}})
    EXPECT_EQ(glIsEnabled(cap), on) << cap;
  GLint depthFunc;
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
  // Extensions known, and those the terrain's detail texture needs found.
  EXPECT_TRUE(depthFunc == GL_LEQUAL && ext::glActiveTextureARB && ext::glClientActiveTextureARB &&
              ext::glMultiTexCoord2fvARB);
}

TEST_F(Frame, SwapIntervalIsForcedBackToZero) {
  bool savedControl = SwapControl;
  auto savedGet = ext::wglGetSwapIntervalEXT;
  auto savedSet = ext::wglSwapIntervalEXT;
  SwapControl = true;
  ext::wglGetSwapIntervalEXT = [] { return FakeInterval; };
  ext::wglSwapIntervalEXT = [](int interval) { return ++SetCalls, FakeInterval = interval, true; };
  FakeInterval = 1, SetCalls = 0;
  EndFrame(), EndFrame();
  EXPECT_EQ(std::pair(FakeInterval, SetCalls), std::pair(0, 1));  // once 0 it is left alone
  SwapControl = false, FakeInterval = 1;  // without swap control the entry points are never used
  EndFrame();
  EXPECT_EQ(FakeInterval, 1);
  SwapControl = savedControl, ext::wglGetSwapIntervalEXT = savedGet, ext::wglSwapIntervalEXT = savedSet;
}

TEST_F(Frame, DisplayModesImpossibleOnesFailAndARefreshRetryKeepsTheRequestedRate) {
  ScreenWidth = 640, ScreenHeight = 480;
  EXPECT_FALSE(SetDisplayMode(12345, 77, 16, 85));
  EXPECT_EQ(std::pair(ScreenWidth, ScreenHeight), std::pair(640, 480));
  int w, h, rate;
  PlatformFirstDisplayMode(w, h, rate);
  if (w <= 0 || h <= 0) GTEST_SKIP() << "the display lists no modes (offscreen driver)";
  // A size the display offers, at a rate it does not: the retry at the driver's rate succeeds
  // and the requested rate stays stored.
  EXPECT_TRUE(SetDisplayMode(w, h, 16, rate + 7));
  EXPECT_EQ(std::tuple(ScreenRefresh, ScreenWidth, ScreenHeight), std::tuple(rate + 7, w, h));
  PlatformRestoreDisplayMode();
  ScreenWidth = 640, ScreenHeight = 480;
  PlatformMoveWindow(0, 0, 640, 480);
  glViewport(0, 0, 640, 480);
}
