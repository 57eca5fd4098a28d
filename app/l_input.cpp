// Key and button state fed by the window procedure; mouse motion read once per game step.
#include "app/l_input.h"

#include <cstring>

#include "app/l_app.h"
#include "actors/l_player.h"
#include "audio/l_sound.h"
#include "game/l_game.h"
#include "menu/l_menu.h"
#include "platform/p_window.h"

bool KeyState[256] = {};
int32_t MouseDX = 0;
int32_t MouseDY = 0;

bool IsKeyDown(uint8_t code) { return KeyState[code]; }

void KeyPress(uint8_t code) { KeyState[code] = true; }

void KeyRelease(uint8_t code) {
  KeyState[code] = false;
  if (code != 27 || MenuActive) return;
  StopSamples(0);
  ResetPlayerInput();  // the gun's channels were just stopped with everything else
  // A running game keeps its music under the menu; otherwise the menu's own plays.
  if (Player.Health == 0) PlayMenuMusic();
  MenuActive = true;
}

void ResetInput() {
  std::memset(KeyState, 0, sizeof KeyState);
  MouseDX = 0;
  MouseDY = 0;
}

void UpdateMouse() {
  int x, y;
  PlatformGetCursorPos(x, y);
  int cx = ScreenWidth / 2, cy = ScreenHeight / 2;
  MouseDX = x - cx;
  MouseDY = y - cy;
  PlatformSetCursorPos(cx, cy);
}
