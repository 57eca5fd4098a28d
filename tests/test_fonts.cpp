// Bitmap fonts: Windows-style sizing, cp1252 glyphs and the pixels the lists draw.
#include "platform/p_gl.h"

#include "platform/p_font.h"
#include "render/l_gl.h"
#include "support/game_env.h"
#include "support/png_dump.h"

namespace {

constexpr int kW = 640, kH = 480;

std::vector<TFontGlyph> Glyphs(const char* face, int height, int width) {
  std::vector<TFontGlyph> glyphs;
  EXPECT_TRUE(PlatformRenderFontGlyphs(face, height, width, glyphs)) << face;
  EXPECT_EQ(glyphs.size(), 256u);
  return glyphs;
}

bool Bit(const TFontGlyph& g, int x, int row) {
  return (g.Bits[static_cast<size_t>(row) * ((g.Width + 7) / 8) + x / 8] >> (7 - x % 8)) & 1;
}

// Lit pixels of a glyph, all of them or those of one row counted from the top.
int LitCount(const TFontGlyph& g, int fromTop = -1) {
  int n = 0;
  for (int r = 0; r < g.Height; r++)
    for (int x = 0; x < g.Width; x++) n += (fromTop < 0 || r == g.Height - 1 - fromTop) && Bit(g, x, r);
  return n;
}

TEST(FontCodePage, Windows1252ThenLatin1AndNothingForControlOrUndefinedBytes) {
  const std::pair<uint8_t, uint32_t> table[] = {{0x1F, 0},      {0x7F, 0},    {0x81, 0},
                                                {0x80, 0x20AC}, {'A', 0x41}, {0xFF, 0xFF}};
  for (auto [byte, code] : table) EXPECT_EQ(PlatformCp1252ToUnicode(byte), code) << int(byte);
}

// The asked width is the average character width and the asked height the cell height: every
// glyph of a 16-pixel Courier lies within one cell, its cap height about ten pixels; width scales
// x alone, height scales the glyphs.
TEST(FontSize, WidthIsTheAverageCharacterWidthAndHeightTheCellHeight) {
  auto narrow = Glyphs("Courier New", 16, 8), wide = Glyphs("Courier New", 16, 16), tall = Glyphs("Courier New", 32, 8);
  int top = -100, bottom = 100;
  for (int c = 0x20; c < 0x7F; c++) EXPECT_TRUE(narrow[c].Advance == 8 && wide[c].Advance == 16) << char(c);
  for (const TFontGlyph& g : narrow)
    if (!g.Bits.empty()) top = std::max(top, g.Height - g.OriginY), bottom = std::min(bottom, -g.OriginY);
  EXPECT_TRUE(top - bottom >= 13 && top - bottom <= 17 && narrow['H'].Height >= 9 && narrow['H'].Height <= 11);
  EXPECT_TRUE(narrow['H'].Height == wide['H'].Height && wide['H'].Width > narrow['H'].Width);
  EXPECT_NEAR(tall['H'].Height, 2 * narrow['H'].Height, 2);
  EXPECT_NEAR(tall['H'].Width, narrow['H'].Width, 2);  // hinting may thicken the stems
}

TEST(FontSize, ImpactIsWideAndHeavy) {
  auto wide = Glyphs("Impact", 32, 32), half = Glyphs("Impact", 32, 16);
  double sumWide = 0, sumHalf = 0;
  for (int c = 'a'; c <= 'z'; c++) sumWide += wide[c].Advance, sumHalf += half[c].Advance;
  EXPECT_NEAR(sumWide / sumHalf, 2.0, 0.15);
  EXPECT_NEAR(sumWide / 26, 32, 8);
  // The same height; bold: the stems of 'l' are several pixels thick at this size.
  EXPECT_TRUE(wide['H'].Height == half['H'].Height && LitCount(half['l'], half['l'].Height / 2) >= 4);
}

TEST(FontSize, FixedsysStretchesItsNearestStrikeByWholeFactors) {
  // Asked size -> the Terminus strike taken and the whole factors that stretch it, as GDI
  // stretches a raster font. The strike itself is asked for at its own size.
  const int cases[][6] = {  // height, width, strike height, strike width, factors in x and y
      {16, 16, 16, 8, 2, 1},   // the menu font: 16 units per character
      {32, 8, 16, 8, 1, 2},    // the asked width picks 8 x 16 doubled over the 16 x 32 strike
      {32, 0, 32, 16, 1, 1},   // a strike of the size beats a stretched one
      {64, 0, 32, 16, 2, 2},   // beyond the largest strike
      {29, 0, 28, 14, 1, 1},   // the nearest cell height
      {13, 0, 12, 6, 1, 1}};   // 12 and 14 equally near: the smaller
  for (const auto& [height, width, strikeHeight, strikeWidth, fx, fy] : cases) {
    SCOPED_TRACE(testing::Message() << height << " x " << width);
    auto glyphs = Glyphs("Fixedsys", height, width), strike = Glyphs("Fixedsys", strikeHeight, strikeWidth);
    EXPECT_EQ(strike['A'].Advance, strikeWidth);
    for (int c : {0x41, 0x67, 0xC4}) {  // A g Ä
      const TFontGlyph &g = glyphs[c], &s = strike[c];
      ASSERT_FALSE(s.Bits.empty()) << c;
      ASSERT_EQ(std::pair(g.Width, g.Height), std::pair(s.Width * fx, s.Height * fy)) << c;
      EXPECT_EQ(std::tuple(g.Advance, g.OriginX, g.OriginY),
                std::tuple(s.Advance * fx, s.OriginX * fx, s.OriginY * fy)) << c;
      int wrong = 0;
      for (int r = 0; r < g.Height; r++)
        for (int x = 0; x < g.Width; x++) wrong += Bit(g, x, r) != Bit(s, x / fx, r / fy);
      EXPECT_EQ(wrong, 0) << c;
    }
  }
}

TEST(FontGlyphs, ControlBytesEmptyLettersLitRowsBottomUpAndAMissingFaceEmpty) {
  auto courier = Glyphs("Courier New", 16, 8), big = Glyphs("Courier New", 32, 16);
  for (int b : {0x00, 0x1F, 0x7F, 0x81, 0x9D}) EXPECT_FALSE(courier[b].Defined || courier[b].Advance) << b;
  // The asked width is the average character width: a monospace face advances every character by it.
  EXPECT_TRUE(courier[' '].Bits.empty() && courier[' '].Advance == 8 && big['A'].Advance == 16);
  for (const char* face : {"Courier New", "Impact", "Fixedsys"}) {
    auto glyphs = face[0] == 'C' ? courier : Glyphs(face, 16, 16);
    for (int b : {0x80, 0xC4, 0xFF}) EXPECT_GT(LitCount(glyphs[b]), 0) << face << " " << b;
  }
  const TFontGlyph &a = courier['A'], &ad = courier[0xC4], &A = big['A'];
  // Ä reaches higher than A, on the same baseline.
  EXPECT_TRUE(ad.Height - ad.OriginY > a.Height - a.OriginY && ad.OriginY == a.OriginY);
  // The apex of 'A' is narrower than its feet; stored bottom-up, the feet come first.
  EXPECT_LT(LitCount(A, 0), LitCount(A, A.Height - 1));
  EXPECT_TRUE(A.OriginY == 0 && big['g'].OriginY > 0);  // 'A' sits on the baseline, 'g' hangs below it
  std::vector<TFontGlyph> none;
  EXPECT_FALSE(PlatformRenderFontGlyphs(nullptr, 16, 8, none) || none.size() != 256 ||
               std::any_of(none.begin(), none.end(), [](auto& g) { return g.Defined; }));
}

// Drawing: real lists, read back from the frame buffer.
class FontDraw : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    if (IsSkipped()) return;
    for (GLenum cap : {GL_DEPTH_TEST, GL_TEXTURE_2D, GL_LIGHTING, GL_BLEND, GL_FOG}) glDisable(cap);
    SetOrtho(0, 0, kW, kH), glColor3f(1, 1, 1);  // the game's 2D space: y grows downward
  }
  static bool Lit(const uint8_t* rgb) { return rgb[0] > 127 || rgb[1] > 127 || rgb[2] > 127; }
  static int LitPixels() {
    auto rgb = DumpFramePng("font_draw", kW, kH);
    int n = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) n += Lit(&rgb[i]);
    return n;
  }
  // The raster position set at (x, y), in window coordinates.
  static std::pair<float, float> RasterAt(int x, int y) {
    GLfloat pos[4];
    return glRasterPos2i(x, y), glGetFloatv(GL_CURRENT_RASTER_POSITION, pos), std::pair(pos[0], pos[1]);
  }
};

TEST_F(FontDraw, GlyphPixelsMatchTheBitmap) {
  const std::tuple<const char*, int, int> fonts[] = {{"Courier New", 32, 16}, {"Fixedsys", 16, 16}};
  for (auto [face, height, width] : fonts) {  // scaled outlines; a stretched strike
    int32_t font = CreateGLFont(face, height, width);
    ASSERT_NE(font, 0);
    auto glyphs = Glyphs(face, height, width);
    for (int c : {0x67, 0xC4, 0x80}) {  // g Ä €
      glClear(GL_COLOR_BUFFER_BIT);
      auto [wx, wy] = RasterAt(100, 200);
      glColor3f(1, 0, 0);  // the colour current when the raster position is set
      PrintText(std::string(1, static_cast<char>(c)), 100, 200, font);
      auto rgb = DumpFramePng("font_glyph", kW, kH);  // rows from the top
      const TFontGlyph& g = glyphs[c];
      int x0 = static_cast<int>(std::floor(wx - g.OriginX)), y0 = static_cast<int>(std::floor(wy - g.OriginY));
      int mismatches = 0;
      for (int y = y0 - 4; y < y0 + g.Height + 4; y++)
        for (int x = x0 - 4; x < x0 + g.Width + 4; x++) {
          bool expect = x >= x0 && x < x0 + g.Width && y >= y0 && y < y0 + g.Height && Bit(g, x - x0, y - y0);
          mismatches += Lit(&rgb[((kH - 1 - y) * kW + x) * 3]) != expect;
        }
      int lit = 0, red = 0;  // nothing elsewhere, and all of it red
      for (size_t i = 0; i < rgb.size(); i += 3)
        lit += Lit(&rgb[i]), red += rgb[i] == 255 && !rgb[i + 1] && !rgb[i + 2];
      EXPECT_EQ(std::tuple(mismatches, lit, red), std::tuple(0, LitCount(g), LitCount(g))) << face << " glyph " << c;
      glColor3f(1, 1, 1);
    }
    FreeGLFont(font);
  }
}

TEST_F(FontDraw, ListsFreedMissingFaceAndNoFontDrawNothingAndTheCallersUnpackStateIsKept) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 8), glPixelStorei(GL_UNPACK_LSB_FIRST, GL_TRUE);
  int32_t other = CreateGLFont("Courier New", 16, 8), font = CreateGLFont("Courier New", 16, 8);
  GLint alignment = 0, lsb = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment), glGetIntegerv(GL_UNPACK_LSB_FIRST, &lsb);
  EXPECT_EQ(std::pair(alignment, lsb), std::pair(8, GL_TRUE));
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4), glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
  ASSERT_GT(other, 0);
  EXPECT_TRUE(font == other + 256 && glIsList(font + 255));
  EXPECT_FALSE((FreeGLFont(font), glIsList(font)) || glIsList(font + 255));
  // Font 0 (a failed creation) neither frees nor draws other fonts' lists.
  FreeGLFont(0), PrintText("ABC", 10, 10, 0);
  PrintText({'\x01', '\x0A', '\x1F', '\x7F', '\x81', '\x9D'}, 50, 50, other);  // control bytes draw nothing
  EXPECT_TRUE(glIsList(other) && LitPixels() == 0);
  FreeGLFont(other);
  // A face that is missing still fills the lists, which draw nothing.
  GLuint first = glGenLists(256);
  EXPECT_FALSE(PlatformBuildFontLists(nullptr, 16, 8, first));
  EXPECT_TRUE(glIsList(first) && glIsList(first + 255));
  PrintText("Hello", 10, 100, static_cast<int32_t>(first));
  EXPECT_TRUE(LitPixels() == 0 && !PlatformBuildFontLists("Courier New", 16, 8, 0));
  glDeleteLists(first, 256);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The menu as the game draws it, in the menu font ("Fixedsys" 16 x 16).
class MenuFont : public GameTest {};

TEST_F(MenuFont, ItemsAreCentredOnX128) {
  RenderMenu();
  auto rgb = DumpFramePng("menu_font", kW, kH);  // rows from the top
  // START and QUIT black, CONTINUE grey (no game yet); item i's baseline is at y = 132 + 64 i.
  const std::pair<const char*, int> items[] = {{"START", 0}, {"CONTINUE", 128}, {"QUIT", 0}};
  for (int i = 0; i < 3; i++) {
    auto [text, level] = items[i];
    // First and last column left of the score panel (x below 236) with ink of the item's colour.
    int first = -1, last = -1;
    for (int x = 0; x < 236; x++)
      for (int y = 132 + 64 * i - 16; y <= 132 + 64 * i + 3; y++) {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * kW + x) * 3];
        if (std::abs(p[0] - level) < 12 && std::abs(p[1] - level) < 12 && std::abs(p[2] - level) < 12) {
          first = first < 0 ? x : first, last = x;
          break;
        }
      }
    ASSERT_GE(first, 0);
    // 16 units per character: the ink spans nearly the text's width, centred on 128.
    int width = 16 * static_cast<int>(std::strlen(text));
    EXPECT_NEAR((first + last + 1) / 2.0, 128.0, 2.0) << text;
    EXPECT_TRUE(last + 1 - first >= width - 6 && last + 1 - first <= width);
  }
}

}  // namespace
