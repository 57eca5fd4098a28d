// Placeholder game flow: the menu step and frame only, until the world and actors land.
#include "game/l_game.h"

#include <GL/gl.h>

#include "app/l_input.h"
#include "app/l_utils.h"
#include "menu/l_menu.h"
#include "render/l_gl.h"

void LoadGame() {
  Randomize();
  LoadMenu();
}
void NewGame() {}
void FreeGame() { FreeMenu(); }
void UpdateGame() {
  UpdateMouse();
  if (MenuActive) UpdateMenu();
  MouseDX = 0;
  MouseDY = 0;
}
void RenderGame() {
  if (MenuActive) {
    RenderMenu();
  } else {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  EndFrame();
}
