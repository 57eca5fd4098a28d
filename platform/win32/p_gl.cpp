// The WGL context of the main window: pixel format, context, extension entry points and the swap.
#include "platform/p_window.h"

#include <windows.h>
#include <GL/gl.h>

#include <cstring>

#include "platform/win32/p_win32.h"

typedef BOOL(WINAPI* PFN_wglSwapIntervalEXT)(int interval);
typedef int(WINAPI* PFN_wglGetSwapIntervalEXT)();
typedef const char*(WINAPI* PFN_wglGetExtensionsStringARB)(HDC dc);

static HDC GLDC = nullptr;
static HGLRC GLRC = nullptr;
static PFN_wglSwapIntervalEXT SwapIntervalEXT = nullptr;
static PFN_wglGetSwapIntervalEXT GetSwapIntervalEXT = nullptr;

HDC Win32GLDC() { return GLDC; }

// wglGetProcAddress hands out every entry point under one generic type.
template <typename F>
static F Entry(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(wglGetProcAddress(name)));
}

void PlatformUseOffscreenVideo() {}  // a hidden window serves as well here

bool PlatformCreateGLContext() {
  HWND window = Win32Window();
  if (!window) return false;
  if (GLRC) return true;
  GLDC = GetDC(window);
  if (!GLDC) return false;
  PIXELFORMATDESCRIPTOR pfd = {};
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 32;
  pfd.cDepthBits = 16;
  pfd.iLayerType = PFD_MAIN_PLANE;
  int format = ChoosePixelFormat(GLDC, &pfd);
  if (format == 0 || !SetPixelFormat(GLDC, format, &pfd)) return false;
  GLRC = wglCreateContext(GLDC);
  if (!GLRC) return false;
  if (!wglMakeCurrent(GLDC, GLRC)) return false;
  SwapIntervalEXT = Entry<PFN_wglSwapIntervalEXT>("wglSwapIntervalEXT");
  GetSwapIntervalEXT = Entry<PFN_wglGetSwapIntervalEXT>("wglGetSwapIntervalEXT");
  return true;
}

void PlatformDestroyGLContext() {
  if (GLRC) {
    wglMakeCurrent(GLDC, nullptr);
    wglDeleteContext(GLRC);
  }
  if (GLDC) ReleaseDC(Win32Window(), GLDC);
  GLRC = nullptr;
  GLDC = nullptr;
  SwapIntervalEXT = nullptr;
  GetSwapIntervalEXT = nullptr;
}

void* PlatformGLProcAddress(const char* name) {
  return GLRC ? Entry<void*>(name) : nullptr;
}

static bool Lists(const char* extensions, const char* name) {
  return extensions && std::strstr(extensions, name) != nullptr;
}

// Drivers name the swap control among the GL extensions or among the WGL ones.
bool PlatformSwapControlAvailable() {
  if (!GLRC || !SwapIntervalEXT || !GetSwapIntervalEXT) return false;
  const char* gl = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (Lists(gl, "WGL_EXT_swap_control")) return true;
  auto wglExtensions = Entry<PFN_wglGetExtensionsStringARB>("wglGetExtensionsStringARB");
  return wglExtensions && Lists(wglExtensions(GLDC), "WGL_EXT_swap_control");
}

bool PlatformSetSwapInterval(int interval) { return SwapIntervalEXT && SwapIntervalEXT(interval); }

int PlatformGetSwapInterval() { return GetSwapIntervalEXT ? GetSwapIntervalEXT() : 0; }

void PlatformSwapBuffers() {
  if (GLDC && GLRC) SwapBuffers(GLDC);
}
