// Windows face names resolved through fontconfig, rendered 1-bit by FreeType into glBitmap lists.
#include "platform/p_font.h"

#include <GL/gl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>

// The game asks for Windows faces. These rules send each to an installed face of
// similar shape; they are parsed after the system configuration, so they win.
// Terminus is a bitmap face, which the usual "no bitmaps" rule would reject.
static const char kFontAliases[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <selectfont>
    <acceptfont>
      <pattern><patelt name="family"><string>Terminus</string></patelt></pattern>
    </acceptfont>
  </selectfont>
  <match target="pattern">
    <test name="family" qual="any"><string>Courier New</string></test>
    <edit name="family" mode="prepend" binding="strong"><string>Liberation Mono</string></edit>
  </match>
  <match target="pattern">
    <test name="family" qual="any"><string>Impact</string></test>
    <edit name="family" mode="prepend" binding="strong"><string>Roboto Condensed</string></edit>
    <edit name="weight" mode="assign" binding="strong"><const>bold</const></edit>
  </match>
  <match target="pattern">
    <test name="family" qual="any"><string>Fixedsys</string></test>
    <edit name="family" mode="prepend" binding="strong"><string>Terminus</string></edit>
  </match>
</fontconfig>
)";

// 0x80-0x9F of Windows-1252; 0 marks the five undefined codes.
static const uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t PlatformCp1252ToUnicode(uint8_t byte) {
  if (byte < 0x20 || byte == 0x7F) return 0;
  if (byte >= 0x80 && byte < 0xA0) return kCp1252High[byte - 0x80];
  return byte;
}

// Both live for the whole run: building the font list is slow and done once.
static FcConfig* config = nullptr;
static FT_Library library = nullptr;

// Released at exit: fontconfig frees parts of the loaded configuration only then.
static void ReleaseFontLibraries() {
  if (config) FcConfigDestroy(config);
  config = nullptr;
  if (library) FT_Done_FreeType(library);
  library = nullptr;
}

static void ReleaseAtExit() {
  static bool registered = false;
  if (!registered) registered = std::atexit(ReleaseFontLibraries) == 0;
}

static FcConfig* FontConfig() {
  static bool tried = false;
  if (!tried) {
    tried = true;
    ReleaseAtExit();
    // System configuration first, then ours, then the font list, so that our
    // acceptfont rule is in force when the fonts are scanned.
    FcConfig* c = FcInitLoadConfig();
    if (c) {
      FcConfigParseAndLoadFromMemory(c, reinterpret_cast<const FcChar8*>(kFontAliases), FcTrue);
      if (FcConfigBuildFonts(c)) config = c;
      else FcConfigDestroy(c);
    }
  }
  return config;
}

static FT_Library FreeType() {
  static bool tried = false;
  if (!tried) {
    tried = true;
    ReleaseAtExit();
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
  }
  return library;
}

struct TFaceMatch {
  std::string Family;
  std::string File;
  int Index = 0;
  bool Embolden = false;  // fontconfig asks for synthetic bold (no bold file installed)
};

static bool MatchFace(const char* faceName, TFaceMatch& out) {
  FcConfig* config = FontConfig();
  if (!config || !faceName) return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  // Added as a plain string: FcNameParse would read ':' and '-' in a name as syntax.
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(faceName));
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* file = nullptr;
  FcChar8* family = nullptr;
  int index = 0;
  FcBool embolden = FcFalse;
  bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
  if (ok) {
    out.File = reinterpret_cast<const char*>(file);
    if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family)
      out.Family = reinterpret_cast<const char*>(family);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) out.Index = index;
    if (FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch)
      out.Embolden = embolden == FcTrue;
  }
  FcPatternDestroy(match);
  return ok;
}

bool PlatformResolveFont(const char* faceName, std::string& family, std::string& file) {
  TFaceMatch m;
  if (!MatchFace(faceName, m)) return false;
  family = m.Family;
  file = m.File;
  return true;
}

// Average advance in font units, as GDI's average character width sees it.
static double AverageAdvanceUnits(FT_Face face) {
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0) return os2->xAvgCharWidth;
  // No OS/2 table: average the printable ASCII advances.
  double sum = 0;
  int count = 0;
  for (FT_ULong c = 0x20; c < 0x7F; c++) {
    FT_UInt glyph = FT_Get_Char_Index(face, c);
    FT_Fixed advance = 0;
    if (glyph && FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE, &advance) == 0 && advance > 0) {
      sum += static_cast<double>(advance);
      count++;
    }
  }
  return count ? sum / count : face->units_per_EM / 2.0;
}

// Whole-number stretch of a bitmap strike, as GDI stretches a raster font.
struct TStretch {
  int X = 1;
  int Y = 1;
};

// Bounds the stretch, so that an absurd size cannot ask for huge glyphs.
static const int kMaxStretch = 8;

// Bitmap face: the strike and whole stretch factors whose cell comes nearest the asked
// height, then the asked average width (0: the height's factor, keeping the aspect).
// Ties go to the smaller factor, then to the smaller cell.
static bool SelectStrike(FT_Face face, int height, int width, TStretch& stretch) {
  if (face->num_fixed_sizes <= 0 || !face->available_sizes) return false;
  int cell = std::abs(height);
  int best = -1;
  long bestCost = 0;
  int bestCell = 0;
  for (int i = 0; i < face->num_fixed_sizes; i++) {
    const FT_Bitmap_Size& s = face->available_sizes[i];
    if (s.height <= 0 || s.width <= 0) continue;
    for (int y = 1; y <= kMaxStretch; y++) {
      int x = y;
      if (width) x = std::clamp(static_cast<int>(std::lround(std::abs(width) / double(s.width))), 1, kMaxStretch);
      long cost = 1000L * std::abs(s.height * y - cell) + (width ? std::abs(s.width * x - std::abs(width)) : 0);
      bool better = best < 0 || cost < bestCost ||
                    (cost == bestCost && (y < stretch.Y || (y == stretch.Y && s.height * y < bestCell)));
      if (better) {
        best = i;
        bestCost = cost;
        bestCell = s.height * y;
        stretch = {x, y};
      }
    }
  }
  return best >= 0 && FT_Select_Size(face, best) == 0;
}

// GDI's CreateFont(height, width): a positive height is the cell (ascent + descent),
// a negative one the em; width is the average character width, 0 for the natural aspect.
static bool SetCellSize(FT_Face face, int height, int width, TStretch& stretch) {
  stretch = TStretch();
  if (height == 0) height = 16;  // GDI's default size for a TrueType face at 96 dpi
  if (!FT_IS_SCALABLE(face)) return SelectStrike(face, height, width, stretch);
  double upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  double cellUnits = static_cast<double>(face->ascender) - face->descender;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0)
    cellUnits = static_cast<double>(os2->usWinAscent) + os2->usWinDescent;
  if (cellUnits <= 0) cellUnits = upem;
  double emY = height > 0 ? height * upem / cellUnits : -static_cast<double>(height);
  double emX = width != 0 ? std::abs(width) * upem / AverageAdvanceUnits(face) : emY;
  // 72 dpi: one point is one pixel, and 26.6 sizes keep the fractions.
  FT_F26Dot6 x = static_cast<FT_F26Dot6>(std::lround(emX * 64.0));
  FT_F26Dot6 y = static_cast<FT_F26Dot6>(std::lround(emY * 64.0));
  if (x < 64) x = 64;
  if (y < 64) y = 64;
  if (x > 64 * 1024) x = 64 * 1024;
  if (y > 64 * 1024) y = 64 * 1024;
  return FT_Set_Char_Size(face, x, y, 72, 72) == 0;
}

// Copies the rendered bitmap into glBitmap's layout: rows bottom-up, MSB leftmost.
static void ConvertBitmap(const FT_Bitmap& bitmap, TFontGlyph& glyph) {
  int w = static_cast<int>(bitmap.width);
  int h = static_cast<int>(bitmap.rows);
  bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
  bool gray = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
  if (w <= 0 || h <= 0 || !bitmap.buffer || (!mono && !gray)) return;
  int pitch = bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch;
  int rowBytes = (w + 7) / 8;
  if (pitch < (mono ? rowBytes : w)) return;
  int threshold = bitmap.num_grays > 1 ? bitmap.num_grays / 2 : 128;
  glyph.Width = w;
  glyph.Height = h;
  glyph.Bits.assign(static_cast<size_t>(rowBytes) * h, 0);
  for (int r = 0; r < h; r++) {
    // Row r from the top; a negative pitch stores the rows bottom-up.
    const uint8_t* src = bitmap.buffer + static_cast<size_t>(bitmap.pitch < 0 ? h - 1 - r : r) * pitch;
    uint8_t* dst = &glyph.Bits[static_cast<size_t>(h - 1 - r) * rowBytes];
    if (mono) {
      for (int b = 0; b < rowBytes; b++) dst[b] = src[b];
      if (w % 8) dst[rowBytes - 1] &= static_cast<uint8_t>(0xFF << (8 - w % 8));
    } else {
      for (int x = 0; x < w; x++)
        if (src[x] >= threshold) dst[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  // A blank bitmap (some faces give spaces a 1 x 1 one) is no bitmap at all.
  for (uint8_t b : glyph.Bits)
    if (b) return;
  glyph.Width = glyph.Height = 0;
  glyph.Bits.clear();
}

// Repeats every column stretch.X times and every row stretch.Y times.
static void StretchBitmap(TFontGlyph& glyph, const TStretch& stretch) {
  if (glyph.Bits.empty() || (stretch.X == 1 && stretch.Y == 1)) return;
  int srcBytes = (glyph.Width + 7) / 8;
  int w = glyph.Width * stretch.X, h = glyph.Height * stretch.Y;
  int rowBytes = (w + 7) / 8;
  std::vector<uint8_t> bits(static_cast<size_t>(rowBytes) * h, 0);
  for (int r = 0; r < h; r++) {
    const uint8_t* src = &glyph.Bits[static_cast<size_t>(r / stretch.Y) * srcBytes];
    uint8_t* dst = &bits[static_cast<size_t>(r) * rowBytes];
    for (int x = 0; x < w; x++) {
      int sx = x / stretch.X;
      if ((src[sx / 8] >> (7 - sx % 8)) & 1) dst[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  glyph.Width = w;
  glyph.Height = h;
  glyph.Bits.swap(bits);
}

static void RenderGlyph(FT_Face face, bool embolden, const TStretch& stretch, uint32_t code,
                        TFontGlyph& glyph) {
  glyph = TFontGlyph();
  if (code == 0) return;
  FT_UInt index = FT_Get_Char_Index(face, code);
  if (index == 0) return;  // the face lacks it: draw nothing rather than a box
  FT_GlyphSlot slot = face->glyph;
  if (embolden) {
    if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0) return;
    FT_GlyphSlot_Embolden(slot);
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0)
      return;
  } else if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) {
    return;
  }
  glyph.Defined = true;
  glyph.Advance = static_cast<int>(slot->advance.x >> 6) * stretch.X;
  ConvertBitmap(slot->bitmap, glyph);
  if (!glyph.Bits.empty()) {
    StretchBitmap(glyph, stretch);
    glyph.OriginX = -slot->bitmap_left * stretch.X;
    glyph.OriginY = glyph.Height - slot->bitmap_top * stretch.Y;
  }
}

bool PlatformRenderFontGlyphs(const char* faceName, int height, int width,
                              std::vector<TFontGlyph>& glyphs) {
  glyphs.assign(256, TFontGlyph());
  FT_Library library = FreeType();
  TFaceMatch match;
  if (!library || !MatchFace(faceName, match)) return false;
  FT_Face face = nullptr;
  if (FT_New_Face(library, match.File.c_str(), match.Index, &face) != 0) return false;
  TStretch stretch;
  bool ok = SetCellSize(face, height, width, stretch);
  if (ok) {
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    for (int c = 0; c < 256; c++)
      RenderGlyph(face, match.Embolden, stretch, PlatformCp1252ToUnicode(static_cast<uint8_t>(c)), glyphs[c]);
  }
  FT_Done_Face(face);
  return ok;
}

bool PlatformBuildFontLists(const char* faceName, int height, int width, unsigned firstList) {
  if (firstList == 0) return false;  // glGenLists failed: there are no lists to fill
  std::vector<TFontGlyph> glyphs;
  bool ok = PlatformRenderFontGlyphs(faceName, height, width, glyphs);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
  glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
  // Mesa compiles a glBitmap without data as an out-of-memory error and drops the
  // advance with it, so blank glyphs (spaces) get an empty bitmap of their own.
  static const GLubyte kBlank[1] = {0};
  for (unsigned c = 0; c < 256; c++) {
    const TFontGlyph& g = glyphs[c];
    glNewList(firstList + c, GL_COMPILE);
    if (g.Defined)
      glBitmap(g.Width, g.Height, static_cast<GLfloat>(g.OriginX), static_cast<GLfloat>(g.OriginY),
               static_cast<GLfloat>(g.Advance), 0.0f, g.Bits.empty() ? kBlank : g.Bits.data());
    glEndList();
  }
  glPopClientAttrib();
  return ok;
}
