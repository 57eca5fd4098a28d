// Particles: lifetimes of every class, the list's update and draw order, shared gib meshes.

#include <filesystem>
#include <functional>

#include "app/l_utils.h"
#include "effects/l_particle.h"
#include "render/l_gl.h"
#include "support/image_files.h"
#include "support/model_files.h"
#include "support/test_env.h"
#include "support/world_maps.h"

namespace {

using std::tuple;
constexpr float Pi = 3.14159265358979f;

bool InList(const TP_Particle* q) {
  for (TP_Particle* p = ParticleList.Head; p; p = p->Next)
    if (p == q) return true;
  return false;
}

// Records its draws; its life is set by the test.
std::string Drawn;
struct TP_Probe : TP_Particle {
  TP_Probe(char name, uint8_t pass, int life) : TP_Particle({0, 0, 0}), name(name) {
    SecondPass = pass;
    Life = life + 1;  // AddParticle's first update takes one
  }
  void Draw() override { Drawn += name; }
  char name;
};

class Particles : public ::testing::Test {
 protected:
  void SetUp() override {
    RandomSeed(99), ModelInit(SpiderModel), Drawn.clear();
    ASSERT_TRUE(MapBuildTerrain(GameMap, FlatHeightImage(32, 32, 8)));  // ground y = 1
    std::vector<uint8_t> bytes = MakeZrm1({BoxMesh({0, 0, 0}, 5), BoxMesh({0, 5, 0}, 3)}, 1);
    ASSERT_TRUE(ModelLoadMemory(SpiderModel, bytes.data(), bytes.size()));
  }
  void TearDown() override { ClearParticles(), MapFree(GameMap, false), ModelFree(SpiderModel); }
};

}  // namespace

TEST_F(Particles, FireSeenForOneStepSmokeAndRicochetRiseForFiftyBloodLandsAfterAboutTwenty) {
  TP_Particle* f = new TP_Fire({1, 2, 3});
  TP_Particle* s = new TP_Smoke({1, 2, 3});
  TP_Particle* r = new TP_Ricochet({1, 2, 3});
  for (TP_Particle* p : {f, s, r}) AddParticle(p);
  EXPECT_FALSE((UpdateParticles(), InList(f)));
  for (int i = 1; i < 48; ++i) UpdateParticles();
  for (TP_Particle* p : {s, r}) EXPECT_TRUE(InList(p) && std::fabs(p->Position.y - 2.98f) < 1e-4f);
  EXPECT_EQ((UpdateParticles(), ParticleList.Count), 0);
  TP_Blood* b = new TP_Blood({10, 1, 10});
  AddParticle(b);
  int steps = 1;
  for (; InList(b) && steps < 200; ++steps) UpdateParticles();
  EXPECT_TRUE(steps >= 19 && steps <= 22) << steps;
}

TEST_F(Particles, GibKeepsItsLifeWhileFlyingThen128StepsAndLandsOffTheMapToo) {
  TP_Gibs* g = new TP_Gibs({10, 1, 10}, SpiderModel.Meshes[0], Pi / 2);
  EXPECT_FLOAT_EQ(g->Angle, 90);  // the heading is given in radians, drawn in degrees
  AddParticle(g);
  int steps = 0;
  for (; !g->Landed && steps < 100; ++steps) UpdateParticles();
  EXPECT_TRUE(steps >= 18 && steps <= 20);  // thrown up at 0.4 a step, falling by 0.04 a step
  EXPECT_EQ(tuple(g->Position.y, g->Life), tuple(1.0f, 128));  // neither flight nor landing cost life
  for (int i = 0; i < 127; ++i) UpdateParticles();
  ASSERT_TRUE(InList(g));
  EXPECT_EQ((UpdateParticles(), ParticleList.Count), 0);
  MapFree(GameMap, false);  // no ground at all: height 0
  g = new TP_Gibs({-500, 3, 1e6f}, SpiderModel.Meshes[0], 0);
  AddParticle(g);
  for (int i = 0; i < 60 && !g->Landed; ++i) UpdateParticles();
  EXPECT_TRUE(g->Landed);
  EXPECT_EQ(g->Position.y, 0);
}

TEST_F(Particles, UpdateUnlinksTheDeadAnywhereAndDrawingTakesTwoPassesNewestFirst) {
  const std::tuple<char, uint8_t, int> probes[] = {{'a', 1, 1}, {'b', 1, 5}, {'c', 0, 1},
                                                   {'d', 0, 5}, {'e', 1, 5}, {'f', 0, 5}};
  for (auto [name, pass, life] : probes) AddParticle(new TP_Probe(name, pass, life));
  UpdateParticles();  // the list was f e d c b a: c and a go
  for (TP_Particle* p = ParticleList.Head; p; p = p->Next) p->Draw();  // the links, in order
  EXPECT_EQ(Drawn, "fedb");
  Drawn.clear(), DrawParticles();
  EXPECT_EQ(Drawn, "fdeb");
}

// Gibs copy the mesh record and share its arrays: either side may go first.
TEST_F(Particles, GibsAndTheModelShareMeshArraysEitherMayGoFirst) {
  for (int i = 0; i < SpiderModel.MeshCount; ++i) AddParticle(new TP_Gibs({5, 5, 5}, SpiderModel.Meshes[i], 0));
  EXPECT_EQ(SpiderModel.Meshes[0].Vertices.UseCount(), 2);
  ClearParticles();
  EXPECT_TRUE(ParticleList.Head == nullptr && SpiderModel.Meshes[0].Vertices.UseCount() == 1);
  TP_Gibs* g = new TP_Gibs({5, 5, 5}, SpiderModel.Meshes[1], 0);
  AddParticle(g), ModelFree(SpiderModel);
  ASSERT_EQ(tuple(g->Mesh.Vertices.Size(), g->Mesh.Triangles.Size()), tuple(8u, 12u));
  EXPECT_NEAR(g->Mesh.Vertices[0].y, 0.2f, 1e-6f);
  UpdateParticles();
}

namespace {

class ParticleDrawing : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    // Window x = 320 + 80 x, y = 240 + 60 y.
    glMatrixMode(GL_PROJECTION), glLoadIdentity(), glOrtho(-4, 4, -4, 4, -10, 10);
    glMatrixMode(GL_MODELVIEW), glLoadIdentity();
    MatrixIdentity(Camera.View);
  }
  void TearDown() override {
    ClearParticles(), UnbindTexture();
    Camera = TCamera{};
  }
  struct Corner { float x, y, s, t; };
  // Window positions and texture coordinates of the vertices drawn by f, in feedback mode.
  // Quads may come back split into triangles: each corner is kept once.
  static std::vector<Corner> Capture(const std::function<void()>& f) {
    std::vector<GLfloat> buf(8192);
    glFeedbackBuffer(GLsizei(buf.size()), GL_3D_COLOR_TEXTURE, buf.data());
    glRenderMode(GL_FEEDBACK);
    f();
    GLint n = glRenderMode(GL_RENDER);
    std::vector<Corner> out;
    for (GLint i = 0; i < n;) {
      GLint token = GLint(buf[i++]);
      GLint count = token == GL_POLYGON_TOKEN ? GLint(buf[i++])
                                              : token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN ? 2 : 1;
      for (GLint v = 0; v < count; ++v, i += 11) {
        Corner c = {buf[i], buf[i + 1], buf[i + 7], buf[i + 8]};
        if (!At(out, c.s, c.t, c.x, c.y)) out.push_back(c);
      }
    }
    return out;
  }
  // The corner with texture coordinates (s, t), or with window position (x, y) when given.
  static const Corner* At(const std::vector<Corner>& v, float s, float t, float x = NAN, float y = NAN) {
    for (const Corner& c : v)
      if (std::isnan(x) ? std::fabs(c.s - s) < 1e-4f && std::fabs(c.t - t) < 1e-4f
                        : std::fabs(c.x - x) < 1e-3f && std::fabs(c.y - y) < 1e-3f)
        return &c;
    return nullptr;
  }
};

}  // namespace

// Texture corner (0,0) at P - R - U, (1,0) at P + R - U, (1,1) at P + R + U, (0,1) at P - R + U,
// R and U taken from the view's rows: under a view turned a quarter about y the quad still
// faces the eye, the upright square of corners (+-1, +-1) in eye space.
TEST_F(ParticleDrawing, BillboardCornersFollowTheViewAxesAndTurnInTheViewPlane) {
  struct {
    float turn, x, size, angle;
    float corners[4][4];  // s, t, window x, window y
  } cases[] = {
      {0, 1, 0.5f, 0, {{0, 0, 360, 210}, {1, 0, 440, 210}, {1, 1, 440, 270}, {0, 1, 360, 270}}},
      {Pi / 2, 0, 1, 0, {{0, 0, 240, 180}, {1, 0, 400, 180}, {1, 1, 400, 300}, {0, 1, 240, 300}}},
      // A quarter turn: every corner moves to a neighbour's place.
      {0, 0, 1, Pi / 2, {{0, 0, 240, 300}, {1, 0, 240, 180}, {1, 1, 400, 180}, {0, 1, 400, 300}}},
  };
  for (const auto& c : cases) {
    MatrixFromAxisAngle({0, 1, 0}, c.turn, Camera.View);
    std::vector<Corner> v = Capture([&c] {
      glLoadMatrixf(Camera.View.m);
      DrawBillboard({c.x, 0, 0}, c.size, c.angle);
      glLoadIdentity();
    });
    ASSERT_EQ(v.size(), 4u);
    for (const auto& e : c.corners) {
      const Corner* at = At(v, e[0], e[1]);
      ASSERT_NE(at, nullptr);
      EXPECT_TRUE(std::fabs(at->x - e[2]) < 0.01f && std::fabs(at->y - e[3]) < 0.01f) << c.turn + c.angle;
    }
  }
}

TEST_F(ParticleDrawing, CulledClassesSkipSpheresOutsideTheView) {
  // The camera's planes reject everything left of x = 100; GL itself draws unclipped.
  auto rejectLeftOf100 = [] {
    Camera.Frustum[0][0] = 1;
    Camera.Frustum[0][3] = -100;
  };
  auto drawn = [](std::initializer_list<TP_Particle*> list) {
    ClearParticles();
    for (TP_Particle* p : list) AddParticle(p);
    return Capture(DrawParticles).size();
  };
  const TVector at = {0, 0, -0.5f};
  TModel body;
  ModelInit(body);
  std::vector<uint8_t> bytes = MakeZrm1({BoxMesh({0, 0, 0}, 1)}, 1);
  ASSERT_TRUE(ModelLoadMemory(body, bytes.data(), bytes.size()));
  rejectLeftOf100();
  // The smoke at x = 120 is kept but lies far off screen.
  EXPECT_EQ(drawn({new TP_Smoke({120, 0, 0}), new TP_Smoke(at), new TP_Ricochet(at), new TP_Blood(at),
                   new TP_Gibs(at, body.Meshes[0], 0)}),
            0u);
  std::memset(Camera.Frustum, 0, sizeof Camera.Frustum);  // planes that reject nothing
  EXPECT_GT(drawn({new TP_Gibs(at, body.Meshes[0], 0)}), 3u);
  // Tracers and fire are always drawn (the tracer's own ricochet is cleared first).
  rejectLeftOf100();
  EXPECT_EQ(drawn({new TP_Fire(at)}), 4u);
  EXPECT_EQ(drawn({new TP_Trace(at, {0.5f, 0.5f, -0.5f})}), 2u);
}

TEST_F(ParticleDrawing, DrawingLeavesAlphaBlendAndDepthWrites) {
  SetBlendMode(1), glEnable(GL_DEPTH_TEST);
  AddParticle(new TP_Fire({0, 0, -1})), AddParticle(new TP_Trace({0, 0, -1}, {0, 0, -5}));
  AddParticle(new TP_Blood({0, 0, -2}));
  DrawParticles();
  GLint src = 0, dst = 0, mask = 0;
  glGetIntegerv(GL_BLEND_SRC, &src), glGetIntegerv(GL_BLEND_DST, &dst);
  glGetIntegerv(GL_DEPTH_WRITEMASK, &mask);
  EXPECT_TRUE(glIsEnabled(GL_BLEND) && !glIsEnabled(GL_LIGHTING) && !glIsEnabled(GL_LINE_SMOOTH));
  EXPECT_EQ(std::vector<GLint>({src, dst, mask}), std::vector<GLint>({GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_TRUE}));
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  SetBlendMode(0);
}

TEST_F(ParticleDrawing, TexturesLoadClampedAndTheSplatIsKept) {
  ScratchDir dir;
  std::filesystem::create_directories(dir.Path() + "/data/textures");
  const std::vector<uint8_t> tga = MakeTga({.width = 8, .height = 8, .pixels = std::vector<uint8_t>(192, 77)});
  for (const char* n : {"smoke", "ricochet", "blood", "gibs"})
    WriteBytes(dir.Path() + "/data/textures/" + n + ".tga", tga);
  dir.Enter(), LoadParticleTextures();
  EXPECT_TRUE(SmokeTexture != 0 && FireTexture == 0);  // fire's file is missing
  EXPECT_EQ(tuple(SplatImage.Width, SplatImage.Bits), tuple(8, 24));
  EXPECT_EQ(TextureTable.size(), 3u);  // the splat's own texture is gone again
  EXPECT_FALSE(TextureClamp);
  GLint wrap = 0;
  glBindTexture(GL_TEXTURE_2D, SmokeTexture), glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
  glBindTexture(GL_TEXTURE_2D, 0);
  FreeParticleTextures();
  EXPECT_TRUE(TextureTable.empty() && SplatImage.Pixels.empty());
  FreeParticleTextures();  // twice is harmless
}
