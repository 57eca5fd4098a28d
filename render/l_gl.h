// OpenGL context, display mode, frame, projections, texture manager, render states and fonts.
#pragma once
#include "platform/p_gl.h"
#include <cstdint>
#include <string>
#include <vector>

#include "math/l_math.h"
#include "render/l_image.h"

// Extension entry points; null when the driver lacks them. They live in their own
// namespace because libGL exports functions of the same names.
namespace ext {
typedef void (*PFN_ActiveTextureARB)(GLenum texture);
typedef void (*PFN_MultiTexCoord2fvARB)(GLenum target, const GLfloat* v);
typedef void (*PFN_ClientActiveTextureARB)(GLenum texture);
typedef bool (*PFN_SwapIntervalEXT)(int interval);
typedef int (*PFN_GetSwapIntervalEXT)();
extern PFN_SwapIntervalEXT wglSwapIntervalEXT;
extern PFN_GetSwapIntervalEXT wglGetSwapIntervalEXT;
extern PFN_ActiveTextureARB glActiveTextureARB;
extern PFN_MultiTexCoord2fvARB glMultiTexCoord2fvARB;
extern PFN_ClientActiveTextureARB glClientActiveTextureARB;
}  // namespace ext
extern std::string Extensions;
extern bool SwapControl;

bool InitGL();
void ShutdownGL();
bool SetDisplayMode(int32_t width, int32_t height, int32_t bits, int32_t refresh);
void EndFrame();
void SetPerspective(float fov, float nearDist, float farDist);
void SetOrtho(float left, float top, float right, float bottom);

// Texture manager: one entry per file name (exact, case-sensitive key), counted references.
struct TManTex {
  uint32_t ID;
  std::string Name;
  int32_t Ref;
};
extern std::vector<TManTex> TextureTable;
extern bool TextureClamp;
// Pixels of the latest load that asked to keep them; the caller moves them out.
extern TImage KeptPixels;

uint32_t LoadTexture(const std::string& fileName, bool keepPixels);
void FreeTexture(uint32_t texture);
uint32_t UploadTexture(GLint internalFormat, GLenum pixelFormat, int32_t width, int32_t height,
                       const uint8_t* pixels);

// Render states.
extern uint32_t BoundTexture;
extern uint32_t TextureBindCalls;  // real glBindTexture calls made by BindTexture
void BindTexture(uint32_t texture);
void UnbindTexture();
void SetBlendMode(uint8_t mode);
void SetLightPosition(GLenum light, const TVector& position);
// Chrome: the texture as an environment map through sphere-mapped coordinates.
void BeginSphereMap(uint32_t texture);
void EndSphereMap();
// Lit, vertex-coloured models (the spiders) under the light high up at (100, 100, 100).
// The end turns off the arrays only: the world draws its turrets lit right after, so the
// caller turns lighting off when it is done.
void BeginLitColouredModels();
void EndLitColouredModels();

// Bitmap fonts: the first of 256 display lists.
int32_t CreateGLFont(const std::string& faceName, int32_t height, int32_t width);
void FreeGLFont(int32_t font);
void PrintText(const std::string& text, int32_t x, int32_t y, int32_t font);
