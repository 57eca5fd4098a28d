// Texture manager and render states against a real headless GL context.

#include "render/l_gl.h"
#include "support/image_files.h"
#include "support/test_env.h"

static GLint TexParam(uint32_t texture, GLenum name, int level = -1) {
  GLint v = 0;
  glBindTexture(GL_TEXTURE_2D, texture);
  if (level < 0) glGetTexParameteriv(GL_TEXTURE_2D, name, &v);
  else glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &v);
  return v;
}

static GLint GlInt(GLenum name) { GLint v = 0; return glGetIntegerv(name, &v), v; }

class Textures : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    WriteBytes(dir.File("blood.tga"), MakeTga({.width = 4, .height = 4, .pixels = std::vector<uint8_t>(48, 128)}));
    WriteBytes(dir.File("pic.jpg"), MakeJpeg(8, 8, std::vector<uint8_t>(8 * 8 * 3, 60)));
  }
  void TearDown() override {
    while (!TextureTable.empty()) FreeTexture(TextureTable.back().ID);
    UnbindTexture();
  }
  static int Refs(const std::string& name) {
    for (const TManTex& t : TextureTable)
      if (t.Name == name) return t.Ref;
    return 0;
  }
  ScratchDir dir;
};

TEST_F(Textures, SecondLoadIsCachedAndCountedAndPixelsKeptOnlyOnARealLoad) {
  std::string name = dir.Path() + "\\blood.tga";
  uint32_t a = (KeptPixels = TImage{}, LoadTexture(name, true));
  ASSERT_NE(a, 0u);
  EXPECT_EQ(std::pair(KeptPixels.Width, KeptPixels.Pixels.size()), std::pair(4, size_t(48)));
  EXPECT_EQ((KeptPixels = TImage{}, LoadTexture(name, true)), a);
  EXPECT_TRUE(KeptPixels.Pixels.empty() && Refs(name) == 2);
  EXPECT_TRUE((FreeTexture(a), glIsTexture(a)) && Refs(name) == 1);
  BindTexture(a), FreeTexture(a), FreeTexture(0);  // freeing 0 is harmless
  // Gone, and the bind cache forgets a freed texture.
  EXPECT_TRUE(Refs(name) == 0 && !glIsTexture(a) && BoundTexture != a);
}

TEST_F(Textures, ExtensionCaseIgnoredButKeyIsExactAndOthersGiveZero) {
  WriteBytes(dir.File("pic.png"), {1, 2, 3});
  WriteBytes(dir.File("broken.tga"), {0, 0, 2});
  // "x.jpg\file": a dot inside a folder name is not an extension.
  for (std::string name : {dir.File("pic.png"), dir.File("none.jpg"), dir.File("noext"),
                           dir.Path() + "\\x.jpg\\file", dir.File("broken.tga")})
    EXPECT_EQ(LoadTexture(name, false), 0u) << name;
  EXPECT_TRUE(TextureTable.empty());
  uint32_t lower = LoadTexture(dir.Path() + "/pic.jpg", false), upper = LoadTexture(dir.Path() + "/pic.JPG", false);
  EXPECT_TRUE(lower && upper && lower != upper && TextureTable.size() == 2);
}

TEST_F(Textures, ClampOrRepeatAndFilters) {
  uint32_t c = (TextureClamp = true, LoadTexture(dir.File("blood.tga"), false));
  uint32_t r = (TextureClamp = false, LoadTexture(dir.File("pic.jpg"), false));
  EXPECT_EQ(std::pair(TexParam(c, GL_TEXTURE_WRAP_S), TexParam(c, GL_TEXTURE_WRAP_T)),
            std::pair(GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE));
  // Repeated, trilinear, and the whole mipmap chain of an 8 x 8 picture exists.
  EXPECT_EQ(std::tuple(TexParam(r, GL_TEXTURE_WRAP_S), TexParam(r, GL_TEXTURE_MIN_FILTER),
                       TexParam(r, GL_TEXTURE_WIDTH, 3)), std::tuple(GL_REPEAT, GL_LINEAR_MIPMAP_LINEAR, 1));
}

TEST_F(Textures, BindCacheSkipsRepeatedBinds) {
  uint32_t t = (UnbindTexture(), LoadTexture(dir.File("blood.tga"), false)), before = TextureBindCalls;
  BindTexture(t), BindTexture(t);
  EXPECT_EQ(TextureBindCalls - before, 1u);
  EXPECT_TRUE((UnbindTexture(), !glIsEnabled(GL_TEXTURE_2D)) && BoundTexture == 0);
  BindTexture(t);
  EXPECT_TRUE(TextureBindCalls - before == 2 && uint32_t(GlInt(GL_TEXTURE_BINDING_2D)) == t);
  EXPECT_TRUE((BindTexture(0), glIsEnabled(GL_TEXTURE_2D)));  // binding 0 through the cache leaves texturing on
}

class RenderStates : public GLTest {};

TEST_F(RenderStates, BlendModesInSequenceAndAnUnknownOneKeepsTheFunction) {
  const std::tuple<uint8_t, bool, GLint, GLint> steps[] = {
      {0, false, 0, 0}, {1, true, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}, {2, true, GL_SRC_ALPHA, GL_ONE},
      {3, true, GL_ZERO, GL_SRC_COLOR}, {0, false, 0, 0}, {7, true, GL_ZERO, GL_SRC_COLOR}};
  for (auto [mode, on, src, dst] : steps)
    EXPECT_EQ((SetBlendMode(mode), std::tuple(glIsEnabled(GL_BLEND) == GL_TRUE, on ? GlInt(GL_BLEND_SRC) : 0,
                                              on ? GlInt(GL_BLEND_DST) : 0)), std::tuple(on, src, dst)) << int(mode);
  SetBlendMode(0);
}

TEST_F(RenderStates, LightIsPositionalInEyeSpaceAndProjectionsMapTheScreen) {
  glMatrixMode(GL_MODELVIEW), glLoadIdentity(), glTranslatef(1, 0, 0);
  SetLightPosition(GL_LIGHT0, TVector{100, 100, 100});
  GLfloat p[4], m[16];
  glGetLightfv(GL_LIGHT0, GL_POSITION, p);
  EXPECT_EQ(std::pair(p[0], p[3]), std::pair(101.0f, 1.0f));
  SetOrtho(0, 0, 640, 480), glGetFloatv(GL_PROJECTION_MATRIX, m);
  // (640, 480) lands on the bottom-right corner of clip space (x = 1, y = -1), (0, 0) top left.
  EXPECT_TRUE(std::fabs(m[0] * 640 + m[12] - 1) < 1e-5 && std::fabs(m[5] * 480 + m[13] + 1) < 1e-5 &&
              std::fabs(m[13] - 1) < 1e-5);
  SetPerspective(90, 0.1f, 512), glGetFloatv(GL_PROJECTION_MATRIX, m);
  EXPECT_TRUE(std::fabs(m[5] - 1) < 1e-5 && std::fabs(m[0] - 0.75f) < 1e-5);  // cot(45 degrees), aspect
}
