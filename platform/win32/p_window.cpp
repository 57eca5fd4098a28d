// The game window over Win32: class and popup window, icon, showing, cursor and display modes.
#include "platform/p_window.h"

#include <windows.h>

#include "platform/win32/p_events.h"
#include "platform/win32/p_win32.h"

static HWND Window = nullptr;

HWND Win32Window() { return Window; }

static bool RegisterWindowClass(HINSTANCE instance, const char* className) {
  WNDCLASSEXA wc = {};
  if (GetClassInfoExA(instance, className, &wc)) return true;
  wc.cbSize = sizeof wc;
  // Its own device context is what OpenGL draws into.
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
  wc.lpfnWndProc = Win32WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = className;
  return RegisterClassExA(&wc) != 0;
}

bool PlatformCreateWindow(const char* className, const char* title, int width, int height, TWindowProc proc) {
  if (Window) return true;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterWindowClass(instance, className)) return false;
  // Set before the window exists: creation already sends messages.
  ResetEventState(proc);
  Window = CreateWindowExA(WS_EX_TOPMOST, className, title, WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                           instance, nullptr);
  if (!Window) {
    DropEvents();
    return false;
  }
  // The program's own icon resource; test programs have none and keep the default.
  if (HICON icon = LoadIconA(instance, "MAINICON"))
    SendMessageA(Window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  return true;
}

// The icon comes from the resource above; the pixels are only for programs without one.
void PlatformSetWindowIcon(const uint8_t* rgba, int width, int height) {
  if (!Window || !rgba || LoadIconA(GetModuleHandleA(nullptr), "MAINICON")) return;
  BITMAPV5HEADER h = {};
  h.bV5Size = sizeof h;
  h.bV5Width = width;
  h.bV5Height = -height;
  h.bV5Planes = 1;
  h.bV5BitCount = 32;
  h.bV5Compression = BI_BITFIELDS;
  h.bV5RedMask = 0x00FF0000;
  h.bV5GreenMask = 0x0000FF00;
  h.bV5BlueMask = 0x000000FF;
  h.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (!colour) return;
  uint8_t* out = static_cast<uint8_t*>(bits);
  for (int i = 0; i < width * height; ++i) {
    out[4 * i + 0] = rgba[4 * i + 2];
    out[4 * i + 1] = rgba[4 * i + 1];
    out[4 * i + 2] = rgba[4 * i + 0];
    out[4 * i + 3] = rgba[4 * i + 3];
  }
  HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
  ICONINFO info = {TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(mask);
  DeleteObject(colour);
  if (icon) SendMessageA(Window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void PlatformSetWindowProc(TWindowProc proc) { SetEventProc(proc); }

void PlatformDestroyWindow() {
  PlatformDestroyGLContext();
  DropEvents();
  if (!Window) return;
  // Nothing the destruction sends (deactivation among it) reaches the game any more.
  HWND w = Window;
  Window = nullptr;
  DestroyWindow(w);
}

bool PlatformWindowExists() { return Window != nullptr; }

// The game's show commands are Windows' own numbers.
void PlatformShowWindow(int showCommand) {
  if (Window) ShowWindow(Window, showCommand);
}

void PlatformRaiseWindow() {
  if (Window) SetForegroundWindow(Window);
}

void PlatformMoveWindow(int x, int y, int width, int height) {
  if (Window) MoveWindow(Window, x, y, width, height, FALSE);
}

void PlatformWindowSize(int& width, int& height) {
  width = height = 0;
  RECT r;
  if (Window && GetClientRect(Window, &r)) {
    width = r.right - r.left;
    height = r.bottom - r.top;
  }
}

void PlatformShowCursor(bool show) { ShowCursor(show ? TRUE : FALSE); }

void PlatformGetCursorPos(int& x, int& y) {
  POINT p = {0, 0};
  GetCursorPos(&p);
  x = p.x;
  y = p.y;
}

void PlatformSetCursorPos(int x, int y) {
  EventCursorPut(x, y);
  SetCursorPos(x, y);
}

// The first mode the driver lists, with the fields the game asks for put in.
static DEVMODEA Mode(int width, int height, int bits, int refresh) {
  DEVMODEA mode = {};
  mode.dmSize = sizeof mode;
  EnumDisplaySettingsA(nullptr, 0, &mode);
  mode.dmPelsWidth = static_cast<DWORD>(width);
  mode.dmPelsHeight = static_cast<DWORD>(height);
  mode.dmBitsPerPel = static_cast<DWORD>(bits);
  mode.dmDisplayFrequency = static_cast<DWORD>(refresh);
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
  return mode;
}

void PlatformFirstDisplayMode(int& width, int& height, int& refresh) {
  DEVMODEA mode = {};
  mode.dmSize = sizeof mode;
  width = height = refresh = 0;
  if (!EnumDisplaySettingsA(nullptr, 0, &mode)) return;
  width = static_cast<int>(mode.dmPelsWidth);
  height = static_cast<int>(mode.dmPelsHeight);
  refresh = static_cast<int>(mode.dmDisplayFrequency);
}

bool PlatformTestDisplayMode(int width, int height, int bits, int refresh) {
  DEVMODEA mode = Mode(width, height, bits, refresh);
  return ChangeDisplaySettingsA(&mode, CDS_TEST | CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

bool PlatformApplyDisplayMode(int width, int height, int bits, int refresh) {
  DEVMODEA mode = Mode(width, height, bits, refresh);
  return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

// Back to the mode in the registry; nothing happens when it was never changed.
void PlatformRestoreDisplayMode() { ChangeDisplaySettingsA(nullptr, 0); }
