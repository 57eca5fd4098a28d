// SDL events turned into Windows-numbered window messages, in arrival order.
#include "platform/sdl/p_events.h"

#include <SDL.h>

#include <cstring>
#include <deque>

#include "platform/p_keys.h"
#include "platform/p_window.h"

static std::deque<TMessage> Queue;
static TWindowProc Proc = nullptr;  // null while there is no window
static uint32_t WindowId = 0;
static bool Focused = true;
static bool AltHeld = false;  // characters typed with Alt are system characters
static int CursorX = 0, CursorY = 0;  // where the cursor was last put
static int MotionX = 0, MotionY = 0;  // relative motion since then

void ResetEventState(uint32_t windowId, TWindowProc proc) {
  WindowId = windowId;
  Proc = proc;
  Queue.clear();
  Focused = true;
  AltHeld = false;
  MotionX = MotionY = 0;
}

void SetEventProc(TWindowProc proc) {
  if (Proc) Proc = proc;
}

void DropEvents() {
  Proc = nullptr;
  Queue.clear();
}

void EventCursorPos(int& x, int& y) {
  x = CursorX + MotionX;
  y = CursorY + MotionY;
}

void EventCursorPut(int x, int y) {
  CursorX = x;
  CursorY = y;
  MotionX = MotionY = 0;
}

static void Post(uint32_t message, uint32_t wParam, int32_t lParam = 0) {
  Queue.push_back(TMessage{message, wParam, lParam});
}

static void TranslateKey(const SDL_KeyboardEvent& k) {
  bool down = k.type == SDL_KEYDOWN;
  SDL_Keycode key = k.keysym.sym;
  bool altKey = key == SDLK_LALT || key == SDLK_RALT;
  AltHeld = altKey ? down : (k.keysym.mod & KMOD_ALT) != 0;
  uint8_t vk = VirtualKeyFromName(SDL_GetKeyName(key));
  if (vk == 0) return;
  int32_t lParam = (k.repeat ? 1 : 0) | (down ? 0 : static_cast<int32_t>(0xC0000000u));
  // Keys typed with Alt held, Alt itself and F10 are system keys: they never arrive
  // as the key messages the game records.
  if (AltHeld || altKey || key == SDLK_F10) {
    Post(down ? WM_SYSKEYDOWN : WM_SYSKEYUP, vk, lParam);
    return;
  }
  Post(down ? WM_KEYDOWN : WM_KEYUP, vk, lParam);
  // Characters for these keys come from key translation, not from text input.
  if (down && (vk == 8 || vk == 13 || vk == 27)) Post(WM_CHAR, vk);
}

static void TranslateButton(const SDL_MouseButtonEvent& b) {
  bool down = b.type == SDL_MOUSEBUTTONDOWN;
  switch (b.button) {
    case SDL_BUTTON_LEFT: Post(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0); break;
    case SDL_BUTTON_RIGHT: Post(down ? WM_RBUTTONDOWN : WM_RBUTTONUP, 0); break;
    case SDL_BUTTON_MIDDLE: Post(down ? WM_MBUTTONDOWN : WM_MBUTTONUP, 0); break;
    default: break;
  }
}

static void SetFocus(bool gained) {
  if (gained == Focused) return;
  Focused = gained;
  AltHeld = false;
  // Motion gathered while away would turn the view on return.
  MotionX = MotionY = 0;
  Post(WM_ACTIVATEAPP, gained ? 1u : 0u);
}

static void Translate(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT:
      Post(WM_QUERYENDSESSION, 0);
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) Post(WM_CLOSE, 0);
      else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) SetFocus(true);
      else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) SetFocus(false);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      TranslateKey(e.key);
      break;
    case SDL_TEXTINPUT:
      for (char ch : Cp1252FromUtf8(e.text.text)) Post(AltHeld ? WM_SYSCHAR : WM_CHAR, static_cast<uint8_t>(ch));
      break;
    case SDL_MOUSEMOTION:
      MotionX += e.motion.xrel;
      MotionY += e.motion.yrel;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      TranslateButton(e.button);
      break;
    default:
      break;
  }
}

void PlatformDispatchMessages() {
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    // Events of a destroyed window are read and forgotten.
    if (Proc) Translate(e);
  }
  // The procedure may destroy the window (the close handling does), which empties
  // the queue and ends the delivery.
  while (Proc && !Queue.empty()) {
    TMessage m = Queue.front();
    Queue.pop_front();
    Proc(m.Message, m.WParam, m.LParam);
  }
}

void PlatformWaitMessage() {
  if (Queue.empty()) SDL_WaitEvent(nullptr);
}

static void Push(SDL_Event& e) {
  e.common.timestamp = SDL_GetTicks();
  SDL_PushEvent(&e);
}

void PlatformInjectKey(const char* keyName, bool down, bool repeat, bool altHeld) {
  SDL_Event e;
  std::memset(&e, 0, sizeof e);
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.windowID = WindowId;
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.repeat = repeat ? 1 : 0;
  e.key.keysym.sym = SDL_GetKeyFromName(keyName);
  e.key.keysym.scancode = SDL_GetScancodeFromKey(e.key.keysym.sym);
  e.key.keysym.mod = altHeld ? KMOD_LALT : KMOD_NONE;
  Push(e);
}

void PlatformInjectText(const char* utf8) {
  SDL_Event e;
  std::memset(&e, 0, sizeof e);
  e.type = SDL_TEXTINPUT;
  e.text.windowID = WindowId;
  std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
  Push(e);
}

void PlatformInjectMouseButton(int button, bool down) {
  static const Uint8 kButtons[3] = {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE};
  if (button < 0 || button > 2) return;
  SDL_Event e;
  std::memset(&e, 0, sizeof e);
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.windowID = WindowId;
  e.button.button = kButtons[button];
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.button.clicks = 1;
  Push(e);
}

void PlatformInjectMouseMotion(int dx, int dy) {
  SDL_Event e;
  std::memset(&e, 0, sizeof e);
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = WindowId;
  e.motion.xrel = dx;
  e.motion.yrel = dy;
  Push(e);
}

static void InjectWindowEvent(Uint8 which) {
  SDL_Event e;
  std::memset(&e, 0, sizeof e);
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = WindowId;
  e.window.event = which;
  Push(e);
}

void PlatformInjectFocus(bool gained) {
  InjectWindowEvent(gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST);
}

void PlatformInjectClose() { InjectWindowEvent(SDL_WINDOWEVENT_CLOSE); }

void PlatformInjectQuit() {
  SDL_Event e;
  std::memset(&e, 0, sizeof e);
  e.type = SDL_QUIT;
  Push(e);
}
