// OpenGL context, display mode, frame end, the two projections and the render-state helpers.
#include "render/l_gl.h"

#include "platform/p_gl.h"

#include "app/l_app.h"
#include "platform/p_window.h"

namespace ext {
PFN_SwapIntervalEXT wglSwapIntervalEXT = nullptr;
PFN_GetSwapIntervalEXT wglGetSwapIntervalEXT = nullptr;
PFN_ActiveTextureARB glActiveTextureARB = nullptr;
PFN_MultiTexCoord2fvARB glMultiTexCoord2fvARB = nullptr;
PFN_ClientActiveTextureARB glClientActiveTextureARB = nullptr;
}  // namespace ext

std::string Extensions;
bool SwapControl = false;
uint32_t BoundTexture = 0;
uint32_t TextureBindCalls = 0;

static bool ContextLive = false;
static const int kSwapInterval = 0;

static bool SwapIntervalThunk(int interval) { return PlatformSetSwapInterval(interval); }
static int GetSwapIntervalThunk() { return PlatformGetSwapInterval(); }

bool InitGL() {
  if (!PlatformWindowExists()) return false;
  if (!PlatformCreateGLContext()) return false;
  ContextLive = true;

  // The swap-interval control is the platform's; it is offered only where
  // setting the interval actually works.
  SwapControl = PlatformSwapControlAvailable();
  ext::wglSwapIntervalEXT = SwapControl ? SwapIntervalThunk : nullptr;
  ext::wglGetSwapIntervalEXT = SwapControl ? GetSwapIntervalThunk : nullptr;
  ext::glActiveTextureARB =
      reinterpret_cast<ext::PFN_ActiveTextureARB>(PlatformGLProcAddress("glActiveTextureARB"));
  ext::glMultiTexCoord2fvARB =
      reinterpret_cast<ext::PFN_MultiTexCoord2fvARB>(PlatformGLProcAddress("glMultiTexCoord2fvARB"));
  ext::glClientActiveTextureARB =
      reinterpret_cast<ext::PFN_ClientActiveTextureARB>(PlatformGLProcAddress("glClientActiveTextureARB"));

  const GLubyte* ext = glGetString(GL_EXTENSIONS);
  Extensions = ext ? reinterpret_cast<const char*>(ext) : "";

  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glClearColor(0, 0, 0, 0);
  glViewport(0, 0, ScreenWidth, ScreenHeight);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_NORMALIZE);
  BoundTexture = 0;
  return true;
}

void ShutdownGL() {
  if (ContextLive) {
    for (const TManTex& t : TextureTable) glDeleteTextures(1, &t.ID);
  }
  TextureTable.clear();
  KeptPixels = TImage{};
  PlatformRestoreDisplayMode();
  PlatformDestroyGLContext();
  PlatformDestroyWindow();
  ContextLive = false;
  BoundTexture = 0;
  ext::wglSwapIntervalEXT = nullptr;
  ext::wglGetSwapIntervalEXT = nullptr;
  ext::glActiveTextureARB = nullptr;
  ext::glMultiTexCoord2fvARB = nullptr;
  ext::glClientActiveTextureARB = nullptr;
  SwapControl = false;
}

bool SetDisplayMode(int32_t width, int32_t height, int32_t bits, int32_t refresh) {
  int32_t rate = refresh;
  bool ok = PlatformTestDisplayMode(width, height, bits, rate);
  if (!ok && refresh >= 1) {
    // The driver's choice of rate; the requested rate stays stored so it is
    // tried first again at the next activation.
    rate = 0;
    ok = PlatformTestDisplayMode(width, height, bits, rate);
  }
  if (!ok) {
    PlatformRestoreDisplayMode();
    return false;
  }
  PlatformApplyDisplayMode(width, height, bits, rate);
  ScreenWidth = width;
  ScreenHeight = height;
  ScreenBits = bits;
  ScreenRefresh = refresh;
  PlatformMoveWindow(0, 0, width, height);
  return true;
}

void EndFrame() {
  if (SwapControl && ext::wglGetSwapIntervalEXT && ext::wglSwapIntervalEXT) {
    if (ext::wglGetSwapIntervalEXT() != kSwapInterval) ext::wglSwapIntervalEXT(kSwapInterval);
  }
  glFlush();
  glFinish();
  PlatformSwapBuffers();
}

void SetPerspective(float fov, float nearDist, float farDist) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(fov, static_cast<double>(ScreenWidth) / static_cast<double>(ScreenHeight), nearDist, farDist);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void SetOrtho(float left, float top, float right, float bottom) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluOrtho2D(left, right, bottom, top);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void BindTexture(uint32_t texture) {
  if (texture == BoundTexture) return;
  if (BoundTexture == 0) glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  ++TextureBindCalls;
  BoundTexture = texture;
}

void UnbindTexture() {
  glDisable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, 0);
  BoundTexture = 0;
}

void SetBlendMode(uint8_t mode) {
  if (mode == 0) {
    glDisable(GL_BLEND);
    return;
  }
  glEnable(GL_BLEND);
  switch (mode) {
    case 1: glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); break;
    case 2: glBlendFunc(GL_SRC_ALPHA, GL_ONE); break;
    case 3: glBlendFunc(GL_ZERO, GL_SRC_COLOR); break;
    default: break;
  }
}

void SetLightPosition(GLenum light, const TVector& position) {
  const GLfloat p[4] = {position.x, position.y, position.z, 1.0f};
  glLightfv(light, GL_POSITION, p);
}

void BeginSphereMap(uint32_t texture) {
  BindTexture(texture);
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
}

void EndSphereMap() {
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
}

void BeginLitColouredModels() {
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  SetLightPosition(GL_LIGHT0, {100, 100, 100});
  glEnableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
}

void EndLitColouredModels() {
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
}
