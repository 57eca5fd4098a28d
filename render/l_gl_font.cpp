// Bitmap fonts: 256 display lists per font, one glyph per byte, drawn at the raster position.
#include "platform/p_font.h"
#include "render/l_gl.h"

int32_t CreateGLFont(const std::string& faceName, int32_t height, int32_t width) {
  GLuint first = glGenLists(256);
  if (first == 0) return 0;
  // A face that cannot be loaded still leaves 256 empty lists, so text simply draws nothing.
  PlatformBuildFontLists(faceName.c_str(), height, width, first);
  return static_cast<int32_t>(first);
}

void FreeGLFont(int32_t font) {
  // 0 is "no font": deleting 0..255 would take lists that belong to others.
  if (font > 0) glDeleteLists(static_cast<GLuint>(font), 256);
}

void PrintText(const std::string& text, int32_t x, int32_t y, int32_t font) {
  glRasterPos2f(static_cast<GLfloat>(x), static_cast<GLfloat>(y));
  // Without a font the bytes would call lists 0..255, which are some other font's.
  if (font <= 0) return;
  glListBase(static_cast<GLuint>(font));
  glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
}
