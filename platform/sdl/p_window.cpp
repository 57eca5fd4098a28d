// The game window over SDL2: creation, GL context, cursor, display modes and icon.
#include "platform/p_window.h"

#include <SDL.h>

#include <cstdlib>

#include "platform/sdl/p_events.h"

static SDL_Window* Window = nullptr;
static SDL_GLContext Context = nullptr;
static bool VideoReady = false;
static bool RelativeMouse = false;

static bool InitVideo() {
  if (VideoReady) return true;
  // Closing the window is a close message of its own; SDL_QUIT stays for
  // termination requests (signals, session end).
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) return false;
  VideoReady = true;
  return true;
}

void PlatformUseOffscreenVideo() { SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen"); }

bool PlatformCreateWindow(const char* className, const char* title, int width, int height, TWindowProc proc) {
  if (Window) return true;
  // X11 takes the window class from this variable when video starts; scripts and window
  // managers find the window by it.
  setenv("SDL_VIDEO_X11_WMCLASS", className, 0);
  if (!InitVideo()) return false;
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALWAYS_ON_TOP;
  Window = SDL_CreateWindow(title, 0, 0, width, height, flags);
  if (!Window) return false;
  ResetEventState(SDL_GetWindowID(Window), proc);
  SDL_StartTextInput();
  return true;
}

void PlatformSetWindowIcon(const uint8_t* rgba, int width, int height) {
  if (!Window || !rgba) return;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(rgba), width, height, 32,
                                                      width * 4, SDL_PIXELFORMAT_RGBA32);
  if (!s) return;
  SDL_SetWindowIcon(Window, s);
  SDL_FreeSurface(s);
}

void PlatformSetWindowProc(TWindowProc proc) { SetEventProc(proc); }

void PlatformDestroyWindow() {
  PlatformDestroyGLContext();
  DropEvents();
  if (Window) {
    SDL_StopTextInput();
    SDL_DestroyWindow(Window);
    Window = nullptr;
  }
}

bool PlatformWindowExists() { return Window != nullptr; }

void PlatformShowWindow(int showCommand) {
  if (!Window) return;
  switch (showCommand) {
    case SW_SHOWMINIMIZED:
      SDL_MinimizeWindow(Window);
      break;
    case SW_SHOWNORMAL:
      SDL_ShowWindow(Window);
      SDL_RestoreWindow(Window);
      break;
    default:
      SDL_ShowWindow(Window);
      break;
  }
}

void PlatformRaiseWindow() {
  if (Window) SDL_RaiseWindow(Window);
}

void PlatformMoveWindow(int x, int y, int width, int height) {
  if (!Window) return;
  SDL_SetWindowPosition(Window, x, y);
  SDL_SetWindowSize(Window, width, height);
}

void PlatformWindowSize(int& width, int& height) {
  width = height = 0;
  if (Window) SDL_GL_GetDrawableSize(Window, &width, &height);
}

void PlatformShowCursor(bool show) {
  if (!VideoReady) return;
  SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
  // A hidden cursor is an endless relative device; where relative mode is not
  // available (offscreen driver) plain motion deltas serve the same purpose.
  RelativeMouse = !show && SDL_SetRelativeMouseMode(SDL_TRUE) == 0;
  if (show && SDL_GetRelativeMouseMode()) SDL_SetRelativeMouseMode(SDL_FALSE);
}

void PlatformGetCursorPos(int& x, int& y) { EventCursorPos(x, y); }

void PlatformSetCursorPos(int x, int y) {
  EventCursorPut(x, y);
  // Keep the real pointer near the centre too when it can be warped and is not
  // captured already, so it never leaves the window.
  if (Window && !RelativeMouse) SDL_WarpMouseInWindow(Window, x, y);
}

static bool FindMode(int width, int height, int refresh, SDL_DisplayMode& found) {
  int n = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
    if (m.w == width && m.h == height && (refresh <= 0 || m.refresh_rate == refresh)) {
      found = m;
      return true;
    }
  }
  return false;
}

void PlatformFirstDisplayMode(int& width, int& height, int& refresh) {
  width = height = refresh = 0;
  SDL_DisplayMode m;
  if (VideoReady && SDL_GetDisplayMode(0, 0, &m) == 0) {
    width = m.w;
    height = m.h;
    refresh = m.refresh_rate;
  }
}

bool PlatformTestDisplayMode(int width, int height, int, int refresh) {
  if (!VideoReady) return false;
  SDL_DisplayMode m;
  return FindMode(width, height, refresh, m);
}

bool PlatformApplyDisplayMode(int width, int height, int, int refresh) {
  if (!Window) return false;
  SDL_DisplayMode m;
  if (!FindMode(width, height, refresh, m)) return false;
  if (SDL_SetWindowDisplayMode(Window, &m) != 0) return false;
  return SDL_SetWindowFullscreen(Window, SDL_WINDOW_FULLSCREEN) == 0;
}

void PlatformRestoreDisplayMode() {
  if (Window && (SDL_GetWindowFlags(Window) & SDL_WINDOW_FULLSCREEN)) SDL_SetWindowFullscreen(Window, 0);
}

bool PlatformCreateGLContext() {
  if (!Window) return false;
  if (Context) return true;
  Context = SDL_GL_CreateContext(Window);
  if (!Context) return false;
  return SDL_GL_MakeCurrent(Window, Context) == 0;
}

void PlatformDestroyGLContext() {
  if (!Context) return;
  SDL_GL_MakeCurrent(Window, nullptr);
  SDL_GL_DeleteContext(Context);
  Context = nullptr;
}

void* PlatformGLProcAddress(const char* name) { return Context ? SDL_GL_GetProcAddress(name) : nullptr; }

bool PlatformSwapControlAvailable() { return Context && SDL_GL_SetSwapInterval(0) == 0; }

bool PlatformSetSwapInterval(int interval) { return Context && SDL_GL_SetSwapInterval(interval) == 0; }

int PlatformGetSwapInterval() { return Context ? SDL_GL_GetSwapInterval() : 0; }

void PlatformSwapBuffers() {
  if (Window && Context) SDL_GL_SwapWindow(Window);
}
