// Bitmap fonts from GDI: CreateFontA and wglUseFontBitmapsA into 256 display lists per font.
#include "platform/p_font.h"

#include <windows.h>
#include <GL/gl.h>

#include "platform/win32/p_win32.h"

uint32_t PlatformCp1252ToUnicode(uint8_t byte) {
  char in = static_cast<char>(byte);
  wchar_t out = 0;
  if (MultiByteToWideChar(1252, 0, &in, 1, &out, 1) != 1) return 0;
  // The code page passes its five unassigned bytes through as C1 controls; like the
  // C0 controls and DEL they draw nothing.
  if (out < 0x20 || (out >= 0x7F && out < 0xA0)) return 0;
  return out;
}

// The game's fonts: the height is the cell height, the width the average character width,
// 700 goes where the pitch and family go.
static HFONT GameFont(const char* faceName, int height, int width) {
  return CreateFontA(height, width, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                     CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, 700, faceName);
}

static const MAT2 kIdentity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};

// One glyph as GDI renders it for the lists: 1-bit rows, top-down, DWORD-aligned.
static bool RenderGlyph(HDC dc, uint8_t byte, TFontGlyph& g) {
  g = TFontGlyph{};
  if (PlatformCp1252ToUnicode(byte) == 0) return true;
  GLYPHMETRICS gm = {};
  DWORD size = GetGlyphOutlineA(dc, byte, GGO_BITMAP, &gm, 0, nullptr, &kIdentity);
  if (size == GDI_ERROR) return false;
  g.Defined = true;
  g.Advance = gm.gmCellIncX;
  if (size == 0) return true;  // blank: advances only
  std::vector<uint8_t> bits(size);
  if (GetGlyphOutlineA(dc, byte, GGO_BITMAP, &gm, size, bits.data(), &kIdentity) == GDI_ERROR) return false;
  g.Width = static_cast<int>(gm.gmBlackBoxX);
  g.Height = static_cast<int>(gm.gmBlackBoxY);
  g.OriginX = -gm.gmptGlyphOrigin.x;
  g.OriginY = g.Height - gm.gmptGlyphOrigin.y;
  size_t srcRow = (static_cast<size_t>(g.Width) + 31) / 32 * 4, dstRow = (static_cast<size_t>(g.Width) + 7) / 8;
  g.Bits.resize(dstRow * g.Height);
  for (int r = 0; r < g.Height; ++r)
    for (size_t i = 0; i < dstRow; ++i) g.Bits[(g.Height - 1 - r) * dstRow + i] = bits[r * srcRow + i];
  return true;
}

bool PlatformBuildFontLists(const char* faceName, int height, int width, unsigned firstList) {
  HDC dc = Win32GLDC();
  if (!faceName || firstList == 0 || !dc) return false;
  HFONT font = GameFont(faceName, height, width);
  if (!font) return false;
  HGDIOBJ old = SelectObject(dc, font);
  bool ok = wglUseFontBitmapsA(dc, 0, 256, firstList) != FALSE;
  // Drivers that drop a null bitmap from a list report it as an error; those lists are
  // rebuilt below, so the error is not the caller's.
  while (glGetError() != GL_NO_ERROR) {
  }
  for (int b = 0; ok && b < 256; ++b) {
    uint8_t byte = static_cast<uint8_t>(b);
    GLYPHMETRICS gm = {};
    if (PlatformCp1252ToUnicode(byte) == 0) {
      // Controls and unassigned bytes draw nothing and do not advance.
      glNewList(firstList + b, GL_COMPILE);
      glEndList();
    } else if (GetGlyphOutlineA(dc, byte, GGO_BITMAP, &gm, 0, nullptr, &kIdentity) == 0) {
      // A blank glyph is compiled as glBitmap with no bitmap, which some drivers drop
      // from the list: then the space would not advance. A zero-size bitmap with a real
      // pointer advances everywhere.
      static const GLubyte kNothing = 0;
      INT advance = 0;
      GetCharWidth32A(dc, byte, byte, &advance);
      glNewList(firstList + b, GL_COMPILE);
      glBitmap(0, 0, 0, 0, static_cast<GLfloat>(advance), 0, &kNothing);
      glEndList();
    }
  }
  // The device context keeps no reference to a font it no longer holds.
  SelectObject(dc, old);
  DeleteObject(font);
  return ok;
}

// A screen-compatible memory DC of our own: the glyphs do not need the GL window.
template <typename F>
static bool WithGameFont(const char* faceName, int height, int width, F use) {
  if (!faceName) return false;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return false;
  HFONT font = GameFont(faceName, height, width);
  bool ok = false;
  if (font) {
    HGDIOBJ old = SelectObject(dc, font);
    ok = use(dc);
    SelectObject(dc, old);
    DeleteObject(font);
  }
  DeleteDC(dc);
  return ok;
}

bool PlatformRenderFontGlyphs(const char* faceName, int height, int width, std::vector<TFontGlyph>& glyphs) {
  glyphs.assign(256, TFontGlyph{});
  bool ok = WithGameFont(faceName, height, width, [&](HDC dc) {
    for (int b = 0; b < 256; ++b)
      if (!RenderGlyph(dc, static_cast<uint8_t>(b), glyphs[b])) return false;
    return true;
  });
  if (!ok) glyphs.assign(256, TFontGlyph{});
  return ok;
}

// GDI names the face it picked, not the file it came from.
bool PlatformResolveFont(const char* faceName, std::string& family, std::string& file) {
  family.clear();
  file.clear();
  return WithGameFont(faceName, 16, 0, [&](HDC dc) {
    char name[LF_FACESIZE] = {};
    if (GetTextFaceA(dc, LF_FACESIZE, name) == 0) return false;
    family = name;
    return true;
  });
}
