// The close handling: it runs inside the message dispatch and again after the loop, harmlessly.
#include "platform/p_window.h"
#include "render/l_gl.h"
#include "support/game_env.h"

TEST(CloseHandling, RunsTwiceWithoutHarm) {
  if (!EnsureTestGL()) GTEST_SKIP() << "no OpenGL";
  ScratchDir dir;
  WriteBytes(dir.File("t.tga"), TestTga(2, 2, 9, 9, 9, 255));
  ASSERT_NE(LoadTexture(dir.File("t.tga"), false), 0u);
  AppQuit = false;
  // Enter on START queued behind the close: nothing reaches the window procedure once
  // the close handling has run, so no game starts without a GL context.
  MenuActive = true;
  MenuSelection = 0;
  PlatformInjectClose();
  PlatformInjectKey("Return", true);
  DispatchMessages();
  EXPECT_TRUE(MenuActive);
  EXPECT_TRUE(AppQuit);
  EXPECT_FALSE(PlatformWindowExists());
  EXPECT_TRUE(TextureTable.empty());
  // The entry point's own call after the loop.
  WndProc(WM_CLOSE, 0, 0);
  ShutdownGL();
  EXPECT_TRUE(AppQuit);
  EXPECT_FALSE(PlatformWindowExists());
  FreeTexture(12345);  // no context any more: still harmless
}
