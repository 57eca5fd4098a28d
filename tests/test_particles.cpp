// Particles: lifetimes of every class, the list's update and draw order, shared gib meshes.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/l_utils.h"
#include "effects/l_particle.h"
#include "render/l_gl.h"
#include "support/image_files.h"
#include "support/model_files.h"
#include "support/test_env.h"
#include "support/world_doubles.h"
#include "support/world_maps.h"

namespace {

constexpr float Pi = 3.14159265358979f;

bool InList(const TP_Particle* q) {
  for (TP_Particle* p = ParticleList.Head; p; p = p->Next)
    if (p == q) return true;
  return false;
}

// Records its draws; its life is set by the test.
std::vector<std::string> Drawn;
class TP_Probe : public TP_Particle {
 public:
  TP_Probe(std::string name, uint8_t pass, int life) : TP_Particle({0, 0, 0}), name_(name) {
    SecondPass = pass;
    Life = life + 1;  // AddParticle's first update takes one
  }
  void Draw() override { Drawn.push_back(name_); }

 private:
  std::string name_;
};

class Particles : public ::testing::Test {
 protected:
  void SetUp() override {
    RandomSeed(99);
    ASSERT_TRUE(MapBuildTerrain(GameMap, FlatHeightImage(32, 32, 8)));  // ground y = 1
    ModelInit(SpiderModel);
    std::vector<uint8_t> bytes = MakeZrm1({BoxMesh({0, 0, 0}, 5), BoxMesh({0, 5, 0}, 3)}, 1);
    ASSERT_TRUE(ModelLoadMemory(SpiderModel, bytes.data(), bytes.size()));
    Drawn.clear();
  }
  void TearDown() override {
    ClearParticles();
    MapFree(GameMap, false);
    ModelFree(SpiderModel);
  }
};

}  // namespace

TEST_F(Particles, TracerLivesTwoMoreSteps) {
  TP_Trace* t = new TP_Trace({10, 5, 10}, {20, 1, 10});
  EXPECT_EQ(ParticleList.Count, 1);  // its ricochet, already added
  AddParticle(t);
  EXPECT_EQ(t->Life, 2);
  EXPECT_EQ(ParticleList.Count, 2);
  TP_Particle* ricochet = t->Next;
  EXPECT_FLOAT_EQ(ricochet->Position.y, 1.52f);
  EXPECT_EQ(ricochet->SecondPass, 1);
  UpdateParticles();
  EXPECT_EQ(t->Life, 1);
  UpdateParticles();
  EXPECT_FALSE(InList(t));
  EXPECT_EQ(ParticleList.Count, 1);
  EXPECT_EQ(ParticleList.Head, ricochet);
}

TEST_F(Particles, FireSeenForOneStep) {
  TP_Fire* f = new TP_Fire({1, 2, 3});
  AddParticle(f);
  EXPECT_EQ(f->Life, 1);
  EXPECT_EQ(f->SecondPass, 1);
  UpdateParticles();
  EXPECT_EQ(ParticleList.Count, 0);
}

TEST_F(Particles, SmokeRisesForFiftySteps) {
  TP_Smoke* s = new TP_Smoke({1, 2, 3});
  AddParticle(s);
  for (int i = 0; i < 48; ++i) UpdateParticles();
  ASSERT_TRUE(InList(s));
  EXPECT_EQ(s->Life, 1);
  EXPECT_NEAR(s->Position.y, 2.98f, 1e-4f);
  UpdateParticles();
  EXPECT_EQ(ParticleList.Count, 0);
}

TEST_F(Particles, GibKeepsItsLifeWhileFlyingThen128Steps) {
  TP_Gibs* g = new TP_Gibs({10, 1, 10}, SpiderModel.Meshes[0], Pi / 2);
  EXPECT_FLOAT_EQ(g->Angle, 90);
  EXPECT_EQ(g->Velocity.y, 0.4f);
  EXPECT_GE(g->Velocity.x, -0.4f);
  EXPECT_LT(g->Velocity.x, 0.4f);
  AddParticle(g);
  int steps = 0;
  while (!g->Landed) {
    EXPECT_EQ(g->Life, 128);
    UpdateParticles();
    ASSERT_LT(++steps, 100);
  }
  EXPECT_GE(steps, 18);
  EXPECT_FLOAT_EQ(g->Position.y, 1);
  EXPECT_EQ(g->Life, 128);  // the landing step itself costs nothing
  for (int i = 0; i < 127; ++i) UpdateParticles();
  ASSERT_TRUE(InList(g));
  EXPECT_EQ(g->Life, 1);
  UpdateParticles();
  EXPECT_EQ(ParticleList.Count, 0);
}

TEST_F(Particles, BloodDropLandsAfterAboutTwentySteps) {
  TP_Blood* b = new TP_Blood({10, 1, 10});
  EXPECT_EQ(b->Life, 128);
  EXPECT_GE(b->Spinning, -Pi / 24);
  EXPECT_LT(b->Spinning, Pi / 24);
  AddParticle(b);
  int steps = 1;
  while (InList(b)) {
    UpdateParticles();
    ASSERT_LT(++steps, 100);
  }
  EXPECT_GE(steps, 19);
  EXPECT_LE(steps, 22);
}

TEST_F(Particles, GibsOffTheMapStillLand) {
  MapFree(GameMap, false);  // no ground at all: height 0
  TP_Gibs* g = new TP_Gibs({-500, 3, 1e6f}, SpiderModel.Meshes[0], 0);
  AddParticle(g);
  for (int i = 0; i < 60 && !g->Landed; ++i) UpdateParticles();
  EXPECT_TRUE(g->Landed);
  EXPECT_EQ(g->Position.y, 0);
}

TEST_F(Particles, UpdateUnlinksDeadOnesAnywhere) {
  TP_Probe* a = new TP_Probe("a", 0, 1);
  TP_Probe* b = new TP_Probe("b", 0, 5);
  TP_Probe* c = new TP_Probe("c", 0, 1);
  TP_Probe* d = new TP_Probe("d", 0, 5);
  for (TP_Probe* p : {a, b, c, d}) AddParticle(p);  // list: d c b a
  UpdateParticles();
  EXPECT_EQ(ParticleList.Count, 2);
  EXPECT_EQ(ParticleList.Head, d);
  EXPECT_EQ(d->Next, b);
  EXPECT_EQ(b->Next, nullptr);
}

TEST_F(Particles, DrawsTwoPassesNewestFirst) {
  AddParticle(new TP_Probe("1a", 1, 5));
  AddParticle(new TP_Probe("0a", 0, 5));
  AddParticle(new TP_Probe("1b", 1, 5));
  AddParticle(new TP_Probe("0b", 0, 5));
  DrawParticles();
  EXPECT_EQ(Drawn, (std::vector<std::string>{"0b", "0a", "1b", "1a"}));
}

TEST_F(Particles, ClearingGibsLeavesTheModelIntact) {
  const TVector* data = SpiderModel.Meshes[0].Vertices.Data();
  TVector first = data[0];
  for (int i = 0; i < SpiderModel.MeshCount; ++i)
    AddParticle(new TP_Gibs({5, 5, 5}, SpiderModel.Meshes[i], 0));
  EXPECT_EQ(SpiderModel.Meshes[0].Vertices.UseCount(), 2);
  ClearParticles();
  EXPECT_EQ(ParticleList.Count, 0);
  EXPECT_EQ(ParticleList.Head, nullptr);
  EXPECT_TRUE(SpiderModel.Loaded);
  EXPECT_EQ(SpiderModel.Meshes[0].Vertices.UseCount(), 1);
  ASSERT_EQ(SpiderModel.Meshes[0].Vertices.Data(), data);
  EXPECT_EQ(data[0].x, first.x);
  EXPECT_EQ(SpiderModel.Meshes[1].TriangleCount, 12);
}

TEST_F(Particles, ModelMayBeFreedWhileGibsLive) {
  TP_Gibs* g = new TP_Gibs({5, 5, 5}, SpiderModel.Meshes[1], 0);
  AddParticle(g);
  ModelFree(SpiderModel);
  ASSERT_EQ(g->Mesh.Vertices.Size(), 8u);
  EXPECT_NEAR(g->Mesh.Vertices[0].y, 0.2f, 1e-6f);
  EXPECT_EQ(g->Mesh.Triangles.Size(), 12u);
  UpdateParticles();
  ClearParticles();
}

class ParticleDrawing : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    // Window x = 320 + 80 x, y = 240 + 60 y.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4, 4, -4, 4, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    MatrixIdentity(Camera.View);
  }
  void TearDown() override {
    ClearParticles();
    Camera = TCamera{};
    UnbindTexture();
  }
  struct Corner {
    float x, y, s, t;
  };
  // Window positions and texture coordinates of the vertices drawn by f, in feedback mode.
  // Quads may come back split into triangles: each corner is kept once.
  std::vector<Corner> Capture(const std::function<void()>& f) {
    std::vector<GLfloat> buf(8192);
    glFeedbackBuffer(GLsizei(buf.size()), GL_3D_COLOR_TEXTURE, buf.data());
    glRenderMode(GL_FEEDBACK);
    f();
    GLint n = glRenderMode(GL_RENDER);
    std::vector<Corner> out;
    for (GLint i = 0; i < n;) {
      GLint token = GLint(buf[i++]);
      GLint count = token == GL_POLYGON_TOKEN
                        ? GLint(buf[i++])
                        : (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN ? 2 : 1);
      for (GLint v = 0; v < count; ++v, i += 11) {
        Corner c = {buf[i], buf[i + 1], buf[i + 7], buf[i + 8]};
        bool seen = false;
        for (const Corner& q : out)
          seen = seen || (std::fabs(q.x - c.x) < 1e-3f && std::fabs(q.y - c.y) < 1e-3f);
        if (!seen) out.push_back(c);
      }
    }
    return out;
  }
  static const Corner* At(const std::vector<Corner>& v, float s, float t) {
    for (const Corner& c : v)
      if (std::fabs(c.s - s) < 1e-4f && std::fabs(c.t - t) < 1e-4f) return &c;
    return nullptr;
  }
};

TEST_F(ParticleDrawing, BillboardCornersFollowTheViewAxes) {
  std::vector<Corner> v = Capture([] { DrawBillboard({1, 0, 0}, 0.5f, 0); });
  ASSERT_EQ(v.size(), 4u);
  // (0,0) at P - R - U, (1,0) at P + R - U, (1,1) at P + R + U, (0,1) at P - R + U.
  const float expect[4][4] = {{0, 0, 360, 210}, {1, 0, 440, 210}, {1, 1, 440, 270}, {0, 1, 360, 270}};
  for (const auto& e : expect) {
    const Corner* c = At(v, e[0], e[1]);
    ASSERT_NE(c, nullptr) << e[0] << "," << e[1];
    EXPECT_NEAR(c->x, e[2], 0.01f);
    EXPECT_NEAR(c->y, e[3], 0.01f);
  }
}

TEST_F(ParticleDrawing, BillboardUsesTheCameraAxes) {
  // Under a view turned a quarter about y the quad, built from the view's rows, still
  // faces the eye: in eye space it is the upright square of corners (+-1, +-1).
  MatrixFromAxisAngle({0, 1, 0}, Pi / 2, Camera.View);
  std::vector<Corner> v = Capture([] {
    glLoadMatrixf(Camera.View.m);
    DrawBillboard({0, 0, 0}, 1, 0);
    glLoadIdentity();
  });
  ASSERT_EQ(v.size(), 4u);
  const Corner* c = At(v, 1, 1);
  ASSERT_NE(c, nullptr);
  EXPECT_NEAR(c->x, 400, 0.01f);
  EXPECT_NEAR(c->y, 300, 0.01f);
}

TEST_F(ParticleDrawing, RotatedBillboardTurnsInTheViewPlane) {
  std::vector<Corner> v = Capture([] { DrawBillboard({0, 0, 0}, 1, Pi / 2); });
  ASSERT_EQ(v.size(), 4u);
  // A quarter turn: every corner moves to a neighbour's place.
  for (const Corner& c : v) {
    EXPECT_NEAR(std::fabs(c.x - 320), 80, 0.01f);
    EXPECT_NEAR(std::fabs(c.y - 240), 60, 0.01f);
  }
  const Corner* origin = At(v, 0, 0);
  ASSERT_NE(origin, nullptr);
  EXPECT_FALSE(std::fabs(origin->x - 240) < 0.01f && std::fabs(origin->y - 180) < 0.01f);
}

TEST_F(ParticleDrawing, CulledClassesSkipSpheresOutsideTheView) {
  // The camera's planes reject everything left of x = 100; GL itself draws unclipped.
  Camera.Frustum[0][0] = 1;
  Camera.Frustum[0][3] = -100;
  const TVector at = {0, 0, -0.5f};
  AddParticle(new TP_Smoke({120, 0, 0}));
  AddParticle(new TP_Smoke(at));
  AddParticle(new TP_Ricochet(at));
  AddParticle(new TP_Blood(at));
  TModel body;
  ModelInit(body);
  std::vector<uint8_t> bytes = MakeZrm1({BoxMesh({0, 0, 0}, 1)}, 1);
  ASSERT_TRUE(ModelLoadMemory(body, bytes.data(), bytes.size()));
  AddParticle(new TP_Gibs(at, body.Meshes[0], 0));
  EXPECT_EQ(Capture(DrawParticles).size(), 0u);  // the one at x = 120 lies far off screen
  ClearParticles();
  std::memset(Camera.Frustum, 0, sizeof Camera.Frustum);  // planes that reject nothing
  AddParticle(new TP_Gibs(at, body.Meshes[0], 0));
  EXPECT_GT(Capture(DrawParticles).size(), 3u);
  ClearParticles();
  Camera.Frustum[0][0] = 1;
  Camera.Frustum[0][3] = -100;
  // Tracers and fire are always drawn.
  AddParticle(new TP_Fire(at));
  EXPECT_EQ(Capture(DrawParticles).size(), 4u);
  ClearParticles();
  TP_Trace* t = new TP_Trace({0, 0, -0.5f}, {0.5f, 0.5f, -0.5f});
  ClearParticles();
  AddParticle(t);
  EXPECT_EQ(Capture(DrawParticles).size(), 2u);
}

TEST_F(ParticleDrawing, DrawingLeavesAlphaBlendAndDepthWrites) {
  SetBlendMode(1);
  glEnable(GL_DEPTH_TEST);
  AddParticle(new TP_Fire({0, 0, -1}));
  AddParticle(new TP_Trace({0, 0, -1}, {0, 0, -5}));
  AddParticle(new TP_Blood({0, 0, -2}));
  DrawParticles();
  GLint src = 0, dst = 0;
  GLboolean mask = GL_FALSE;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(src, GL_SRC_ALPHA);
  EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
  EXPECT_EQ(mask, GL_TRUE);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  SetBlendMode(0);
}

TEST_F(ParticleDrawing, TexturesLoadClampedAndTheSplatIsKept) {
  ScratchDir dir;
  std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::create_directories(dir.Path() + "/data/textures");
  TgaSpec s;
  s.width = 8;
  s.height = 8;
  s.pixels.assign(8 * 8 * 3, 77);
  for (const char* n : {"smoke", "ricochet", "blood", "gibs"})
    WriteBytes(dir.Path() + "/data/textures/" + n + ".tga", MakeTga(s));
  std::filesystem::current_path(dir.Path());
  LoadParticleTextures();
  std::filesystem::current_path(old);
  EXPECT_NE(SmokeTexture, 0u);
  EXPECT_EQ(FireTexture, 0u);  // missing file
  EXPECT_EQ(SplatImage.Width, 8);
  EXPECT_EQ(SplatImage.Bits, 24);
  EXPECT_EQ(TextureTable.size(), 3u);  // the splat's own texture is gone again
  EXPECT_FALSE(TextureClamp);
  glBindTexture(GL_TEXTURE_2D, SmokeTexture);
  GLint wrap = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
  glBindTexture(GL_TEXTURE_2D, 0);
  FreeParticleTextures();
  EXPECT_TRUE(TextureTable.empty());
  EXPECT_TRUE(SplatImage.Pixels.empty());
  FreeParticleTextures();  // twice is harmless
}
