// Placeholder menu: shown at start, QUIT on Enter so the shell can be driven end to end.
#include "menu/l_menu.h"

#include <GL/gl.h>

#include "app/l_app.h"
#include "audio/l_music.h"
#include "platform/p_messages.h"

bool MenuActive = true;

void LoadMenu() {}
void FreeMenu() {}
void PlayMenuMusic() {
  FreeMusic();
  LoadMusic("data\\music\\baits.xm");
  PlayMusic();
}
void MenuMessage(uint32_t message, uint32_t wParam, int32_t) {
  if (message == WM_KEYDOWN && wParam == VK_RETURN) AppQuit = true;
}
void UpdateMenu() {}
void RenderMenu() {
  glClearColor(0.1f, 0.1f, 0.2f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
