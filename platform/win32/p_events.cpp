// The real window procedure: the messages the game knows go to its procedure, then to DefWindowProcA.
// The interface first: its message constants share their names with windows.h macros.
#include "platform/p_keys.h"
#include "platform/p_window.h"
#include "platform/win32/p_events.h"
#include "platform/win32/p_win32.h"

static TWindowProc Proc = nullptr;  // null while there is no window
static bool Active = true;
static bool AltHeld = false;  // of the test hooks: text typed with Alt is a system character
static POINT CursorPut = {0, 0};

// Key messages the test hooks post carry this in a bit Windows leaves reserved: their
// characters come from the hooks, not from TranslateMessage.
static const uint32_t kInjected = 1u << 25;

void ResetEventState(TWindowProc proc) {
  Proc = proc;
  Active = true;
  AltHeld = false;
}

void SetEventProc(TWindowProc proc) {
  if (Proc) Proc = proc;
}

void DropEvents() { Proc = nullptr; }

void EventCursorPut(int x, int y) { CursorPut = POINT{x, y}; }

static bool GameMessage(UINT message) {
  switch (message) {
    case WM_CLOSE: case WM_QUERYENDSESSION: case WM_ENDSESSION: case WM_ACTIVATEAPP:
    case WM_KEYDOWN: case WM_KEYUP: case WM_CHAR:
    case WM_SYSKEYDOWN: case WM_SYSKEYUP: case WM_SYSCHAR:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_RBUTTONDOWN: case WM_RBUTTONUP:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP:
      return true;
    default:
      return false;
  }
}

LRESULT CALLBACK Win32WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ACTIVATEAPP) {
    // Only a change is an activation: the one a new window gets when first shown is not.
    bool active = wParam != 0;
    if (active == Active) return DefWindowProcA(window, message, wParam, lParam);
    Active = active;
    // Where the cursor went while the game was away would turn the view on return.
    if (active) SetCursorPos(CursorPut.x, CursorPut.y);
  }
  // Only the live main window speaks to the game, and the game answers at once: the
  // close handling has run when WM_QUERYENDSESSION or WM_ENDSESSION returns.
  if (Proc && window == Win32Window() && GameMessage(message))
    Proc(message, static_cast<uint32_t>(wParam), static_cast<int32_t>(lParam));
  // Closing is the game's: its close handling destroys the window, which is all
  // DefWindowProcA would do with WM_CLOSE. By the end of WM_QUERYENDSESSION the window
  // is gone, so the game's consent to end the session is given here.
  if (message == WM_CLOSE) return 0;
  if (message == WM_QUERYENDSESSION) return TRUE;
  return DefWindowProcA(window, message, wParam, lParam);
}

static bool Injected(MSG& m) {
  bool key = m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == WM_SYSKEYDOWN || m.message == WM_SYSKEYUP;
  if (!key || !(static_cast<uint32_t>(m.lParam) & kInjected)) return false;
  m.lParam = static_cast<LPARAM>(static_cast<int32_t>(static_cast<uint32_t>(m.lParam) & ~kInjected));
  return true;
}

void PlatformDispatchMessages() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (!Injected(m)) TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

void PlatformWaitMessage() { WaitMessage(); }

static void Post(UINT message, WPARAM wParam, uint32_t lParam = 0) {
  if (HWND w = Win32Window()) PostMessageA(w, message, wParam, static_cast<LPARAM>(static_cast<int32_t>(lParam)));
}

// Keys go in as the keyboard sends them: scan code, context, repeat and transition bits,
// and Alt or F10 making them system keys. Enter, Backspace and Escape bring their
// character as TranslateMessage would; other characters come through the text hook.
void PlatformInjectKey(const char* keyName, bool down, bool repeat, bool altHeld) {
  uint8_t vk = VirtualKeyFromName(keyName);
  if (vk == 0) return;
  bool altKey = vk == VK_MENU;
  AltHeld = altKey ? down : altHeld;
  bool system = AltHeld || altKey || vk == VK_F10;
  uint32_t lParam = 1u | (MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) & 0xFF) << 16 | kInjected;
  if (AltHeld) lParam |= 1u << 29;
  if (repeat || !down) lParam |= 1u << 30;
  if (!down) lParam |= 1u << 31;
  Post(system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP), vk, lParam);
  if (down && (vk == VK_RETURN || vk == VK_BACK || vk == VK_ESCAPE))
    Post(system ? WM_SYSCHAR : WM_CHAR, vk, lParam & ~kInjected);
}

void PlatformInjectText(const char* utf8) {
  for (char ch : Cp1252FromUtf8(utf8))
    Post(AltHeld ? WM_SYSCHAR : WM_CHAR, static_cast<uint8_t>(ch), AltHeld ? 1u | 1u << 29 : 1u);
}

void PlatformInjectMouseButton(int button, bool down) {
  static const UINT kDown[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  static const UINT kUp[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
  if (button < 0 || button > 2) return;
  Post(down ? kDown[button] : kUp[button], 0);
}

// The cursor itself moves: the game measures motion by where it is.
void PlatformInjectMouseMotion(int dx, int dy) {
  POINT p = {0, 0};
  GetCursorPos(&p);
  SetCursorPos(p.x + dx, p.y + dy);
}

void PlatformInjectFocus(bool gained) { Post(WM_ACTIVATEAPP, gained ? 1 : 0); }

void PlatformInjectClose() { Post(WM_CLOSE, 0); }

// The system asks whether the session may end.
void PlatformInjectQuit() { Post(WM_QUERYENDSESSION, 0); }
