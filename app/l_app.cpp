// Program entry, command-line switches, the window procedure and the fixed-step main loop.
#include "app/l_app.h"

#include "app/l_icon.h"
#include "app/l_input.h"
#include "app/l_utils.h"
#include "audio/l_sound.h"
#include "game/l_game.h"
#include "menu/l_menu.h"
#include "platform/p_file.h"
#include "platform/p_window.h"
#include "render/l_gl.h"

int32_t ScreenWidth = 640;
int32_t ScreenHeight = 480;
int32_t ScreenBits = 16;
int32_t ScreenRefresh = 85;
bool Fullscreen = true;
bool AppActive = true;
bool AppInitialized = false;
bool AppQuit = false;
bool NoBlood = false;
bool NoGibs = false;
bool MouseInvert = false;
std::string CommandLine;
int32_t LastStepTime = 0;
uint32_t StepElapsed = 0;

static const int32_t kStepMs = 20;

void ParseCommandLine(int argc, char** argv) {
  CommandLine.clear();
  for (int i = 1; i < argc; ++i) CommandLine += argv[i];
  auto has = [](const char* s) { return CommandLine.find(s) != std::string::npos; };
  if (has("-nofullscreen")) Fullscreen = false;
  if (has("-nosound")) NoSound = true;
  if (has("-noblood")) NoBlood = true;
  if (has("-nogibs")) NoGibs = true;
  if (has("-mouseinv")) MouseInvert = true;
  if (has("-optimize")) {
    ScreenWidth = 320;
    ScreenHeight = 240;
    ScreenRefresh = 60;
    ScreenBits = 16;
  }
}

bool CreateMainWindow() {
  if (!PlatformCreateWindow("Halvrost_Wnd", "Halvrost", ScreenWidth, ScreenHeight, WndProc)) return false;
  const std::vector<uint8_t> icon = MakeIconPixels();
  PlatformSetWindowIcon(icon.data(), 32, 32);
  return true;
}

static void CloseHandling() {
  FreeGame();
  ShutdownGL();
  ShutdownSound();
  AppQuit = true;
}

static void Activate(bool active) {
  ResetInput();
  AppActive = active;
  if (active) {
    PlatformShowWindow(SW_SHOWNORMAL);
    if (Fullscreen) SetDisplayMode(ScreenWidth, ScreenHeight, ScreenBits, ScreenRefresh);
    // Time spent away is not made up in steps.
    LastStepTime = GetTimer();
  } else {
    PlatformShowWindow(SW_SHOWMINIMIZED);
    if (Fullscreen) PlatformRestoreDisplayMode();
  }
}

int32_t WndProc(uint32_t message, uint32_t wParam, int32_t lParam) {
  switch (message) {
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
      CloseHandling();
      break;
    case WM_ACTIVATEAPP:
      if (AppInitialized) Activate((wParam & 0xFFFF) == 1);
      break;
    case WM_KEYDOWN: KeyPress(static_cast<uint8_t>(wParam & 0xFF)); break;
    case WM_KEYUP: KeyRelease(static_cast<uint8_t>(wParam & 0xFF)); break;
    case WM_LBUTTONDOWN: KeyPress(0); break;
    case WM_LBUTTONUP: KeyRelease(0); break;
    case WM_RBUTTONDOWN: KeyPress(1); break;
    case WM_RBUTTONUP: KeyRelease(1); break;
    case WM_MBUTTONDOWN: KeyPress(2); break;
    case WM_MBUTTONUP: KeyRelease(2); break;
    default: break;
  }
  if (MenuActive) MenuMessage(message, wParam, lParam);
  return 0;
}

void DispatchMessages() { PlatformDispatchMessages(); }

int RunLoopPass(int32_t now) {
  StepElapsed = static_cast<uint32_t>(now) - static_cast<uint32_t>(LastStepTime);
  uint32_t steps = StepElapsed / kStepMs;
  // Every whole 20 ms is made up, however many that is.
  for (uint32_t i = 0; i < steps; ++i) {
    UpdateGame();
    UpdateSound();
  }
  if (steps > 0) LastStepTime = static_cast<int32_t>(static_cast<uint32_t>(now) - StepElapsed % kStepMs);
  RenderGame();
  return static_cast<int>(steps);
}

int HalvrostMain(int argc, char** argv) {
  ParseCommandLine(argc, argv);
  EnterProgramDirectory(argc > 0 ? argv[0] : nullptr, HALVROST_DATA_DIR);
  if (!CreateMainWindow()) return 0;
  if (!InitGL()) return 0;
  InitSound();
  LoadGame();
  PlatformRaiseWindow();
  PlatformShowWindow(SW_SHOW);
  PlatformShowCursor(false);
  PlatformSetCursorPos(ScreenWidth / 2, ScreenHeight / 2);
  if (Fullscreen) SetDisplayMode(ScreenWidth, ScreenHeight, ScreenBits, ScreenRefresh);
  AppInitialized = true;
  LastStepTime = static_cast<int32_t>(static_cast<uint32_t>(GetTimer()) - kStepMs);
  while (!AppQuit) {
    DispatchMessages();
    // The close handling may have run inside the drain; nothing of the game
    // is touched after it.
    if (AppQuit) break;
    if (!AppActive) {
      PlatformWaitMessage();
      continue;
    }
    RunLoopPass(GetTimer());
  }
  WndProc(WM_CLOSE, 0, 0);
  return 0;
}
