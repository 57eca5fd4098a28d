// The one game window: creation, events as window messages, cursor, display modes, GL context.
#pragma once
#include "platform/p_messages.h"

// The game's window procedure: every message of the window passes through it.
using TWindowProc = int32_t (*)(uint32_t message, uint32_t wParam, int32_t lParam);

// Window of the given class and title, created hidden, borderless, at (0, 0); its
// messages go to proc.
bool PlatformCreateWindow(const char* className, const char* title, int width, int height, TWindowProc proc);
// Another procedure for the same window (tests record the messages this way).
void PlatformSetWindowProc(TWindowProc proc);
// The icon as 32-bit RGBA pixels, top row first.
void PlatformSetWindowIcon(const uint8_t* rgba, int width, int height);
void PlatformDestroyWindow();
bool PlatformWindowExists();
void PlatformShowWindow(int showCommand);
void PlatformRaiseWindow();
void PlatformMoveWindow(int x, int y, int width, int height);
void PlatformWindowSize(int& width, int& height);

// Messages. Removes every waiting event, translates it into Windows-numbered messages
// and hands them to the window procedure in order. Once the window is destroyed
// nothing more reaches the procedure, as with a destroyed window on Windows.
void PlatformDispatchMessages();
// Sleeps until a message is waiting.
void PlatformWaitMessage();

// Cursor: "position" is the last position put plus the relative motion since, so
// it works where the pointer cannot be warped.
void PlatformShowCursor(bool show);
void PlatformGetCursorPos(int& x, int& y);
void PlatformSetCursorPos(int x, int y);

// Display modes. Bits per pixel are a preference only: current displays offer no
// 16-bit modes, so a mode matches on size and refresh (0 = any refresh).
// The first mode the display lists (0 x 0 where it lists none).
void PlatformFirstDisplayMode(int& width, int& height, int& refresh);
bool PlatformTestDisplayMode(int width, int height, int bits, int refresh);
bool PlatformApplyDisplayMode(int width, int height, int bits, int refresh);
void PlatformRestoreDisplayMode();

// OpenGL: compatibility context, double buffered, 16-bit depth.
bool PlatformCreateGLContext();
void PlatformDestroyGLContext();
void* PlatformGLProcAddress(const char* name);
bool PlatformSwapControlAvailable();
bool PlatformSetSwapInterval(int interval);
int PlatformGetSwapInterval();
void PlatformSwapBuffers();

// Headless runs and tests: use the offscreen video driver (no X server needed).
void PlatformUseOffscreenVideo();

// Test hooks: feed synthetic input through the same translation path as real events.
// keyName is an SDL key name such as "A", "Escape", "Up", "F10", "Left Alt".
void PlatformInjectKey(const char* keyName, bool down, bool repeat = false, bool altHeld = false);
void PlatformInjectText(const char* utf8);
void PlatformInjectMouseButton(int button, bool down);  // 0 left, 1 right, 2 middle
void PlatformInjectMouseMotion(int dx, int dy);
void PlatformInjectFocus(bool gained);
void PlatformInjectClose();
void PlatformInjectQuit();
