// The real window procedure: the messages the game knows go to it, everything to DefWindowProcA.
// The interface first: its message constants share their names with windows.h macros.
#include "platform/p_keys.h"
#include "platform/p_window.h"
#include "platform/win32/p_events.h"
#include "platform/win32/p_win32.h"

#include <deque>

static std::deque<TMessage> Queue;

void ResetEventState() { Queue.clear(); }

static void Deliver(uint32_t message, uint32_t wParam, int32_t lParam) {
  Queue.push_back(TMessage{message, wParam, lParam});
}

static bool GameMessage(UINT message) {
  switch (message) {
    case WM_CLOSE: case WM_QUERYENDSESSION: case WM_ACTIVATEAPP:
    case WM_KEYDOWN: case WM_KEYUP: case WM_CHAR:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_RBUTTONDOWN: case WM_RBUTTONUP:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP:
      return true;
    default:
      return false;
  }
}

LRESULT CALLBACK Win32WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Only the live main window speaks to the game: not one being destroyed.
  if (window == Win32Window() && GameMessage(message))
    Deliver(message, static_cast<uint32_t>(wParam), static_cast<int32_t>(lParam));
  return DefWindowProcA(window, message, wParam, lParam);
}

bool PlatformPeekMessage(TMessage& msg) {
  MSG m;
  while (Queue.empty() && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  if (Queue.empty()) return false;
  msg = Queue.front();
  Queue.pop_front();
  return true;
}

void PlatformWaitMessage() {
  if (Queue.empty()) WaitMessage();
}

static void Post(UINT message, WPARAM wParam, LPARAM lParam = 0) {
  if (HWND w = Win32Window()) PostMessageA(w, message, wParam, lParam);
}

// Keys go in as the keyboard would send them: scan code, repeat and transition bits, and
// Alt turning them into system keys, so that the translation sees what it sees in play.
void PlatformInjectKey(const char* keyName, bool down, bool repeat, bool altHeld) {
  uint8_t vk = VirtualKeyFromName(keyName);
  if (vk == 0) return;
  bool system = altHeld || vk == VK_F10 || vk == VK_MENU;
  UINT message = system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  uint32_t lParam = 1u | (MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) & 0xFF) << 16;
  if (altHeld || vk == VK_MENU) lParam |= 1u << 29;
  if (repeat || !down) lParam |= 1u << 30;
  if (!down) lParam |= 1u << 31;
  Post(message, vk, static_cast<LPARAM>(static_cast<int32_t>(lParam)));
}

void PlatformInjectText(const char* utf8) {
  for (char ch : Cp1252FromUtf8(utf8)) Post(WM_CHAR, static_cast<uint8_t>(ch), 1);
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

void PlatformInjectQuit() { Post(WM_QUERYENDSESSION, 0); }
