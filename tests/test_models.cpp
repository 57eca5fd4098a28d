// ZRM1 and ZRM2 models: layout of the baked arrays, normals, animation clock, refusals.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>

#include "models/l_model.h"
#include "models/l_model_v2.h"
#include "support/model_files.h"
#include "support/test_env.h"

namespace {

TestMesh Quad(int vertices) {
  TestMesh m;
  for (int i = 0; i < vertices; ++i) m.vertices.push_back({float(i), float(i % 2), 0});
  m.triangles.push_back({0, 1, 2});
  return m;
}

bool Load1(TModel& model, const std::vector<uint8_t>& bytes) {
  ModelInit(model);
  return ModelLoadMemory(model, bytes.data(), bytes.size());
}

bool Load2(TModel_v2& model, const std::vector<uint8_t>& bytes) {
  ModelV2Init(model);
  return ModelV2LoadMemory(model, bytes.data(), bytes.size());
}

void ExpectVec(const TVector& v, float x, float y, float z, float eps = 1e-5f) {
  EXPECT_NEAR(v.x, x, eps);
  EXPECT_NEAR(v.y, y, eps);
  EXPECT_NEAR(v.z, z, eps);
}

}  // namespace

TEST(Zrm1, BaseVerticesAndModelWideIndices) {
  TModel m;
  ASSERT_TRUE(Load1(m, MakeZrm1({Quad(4), Quad(6)}, 1)));
  EXPECT_TRUE(m.Loaded);
  ASSERT_EQ(m.MeshCount, 2);
  EXPECT_EQ(m.Meshes[0].BaseVertex, 0);
  EXPECT_EQ(m.Meshes[1].BaseVertex, 4);
  EXPECT_EQ(m.Meshes[1].BaseTriangle, 1);
  EXPECT_EQ(m.VertexTotal, 10);
  EXPECT_EQ(m.TriangleTotal, 2);
  ASSERT_EQ(m.Triangles.size(), 2u);
  EXPECT_EQ(m.Triangles[1].a, 4);
  EXPECT_EQ(m.Triangles[1].b, 5);
  EXPECT_EQ(m.Triangles[1].c, 6);
  EXPECT_EQ(m.FrameVertices.size(), 10u);
  EXPECT_EQ(m.Colors.size(), 10u);
}

TEST(Zrm1, VerticesAndKeysScaledByATenth) {
  TestMesh mesh = Quad(3);
  mesh.vertices[0] = {0, 0, 0};
  mesh.vertices[1] = {10, 0, 0};
  mesh.keys = {TestMeshKey{}, TestMeshKey{{10, 0, 0}, {0, 0, 0, 1}}};
  TModel m;
  ASSERT_TRUE(Load1(m, MakeZrm1({mesh}, 2)));
  ExpectVec(m.Meshes[0].Vertices[1], 1, 0, 0);
  ExpectVec(m.Meshes[0].Keys[1].Position, 1, 0, 0);
  // Frame 1 moves the mesh to x = 1: its vertex (0, 0, 0) lands at (1, 0, 0).
  ExpectVec(m.FrameVertices[m.VertexTotal + 0], 1, 0, 0);
  ExpectVec(m.FrameVertices[0], 0, 0, 0);
  EXPECT_NEAR(m.Radius, 2.0f, 1e-5f);  // vertex (1, 0, 0) in frame 1
}

TEST(Zrm1, IdentityKeyKeepsNormalsRotationTurnsThem) {
  TestMesh mesh;
  mesh.vertices = {{0, 0, 0}, {0, 0, 10}, {10, 0, 0}};
  mesh.triangles = {{0, 1, 2}};
  // 90 degrees about z turns +y into -x.
  float s = std::sqrt(0.5f);
  mesh.keys = {TestMeshKey{{5, 5, 5}, {0, 0, 0, 1}}, TestMeshKey{{0, 0, 0}, {0, 0, s, s}}};
  TModel m;
  ASSERT_TRUE(Load1(m, MakeZrm1({mesh}, 2)));
  for (int i = 0; i < 3; ++i) {
    ExpectVec(m.Meshes[0].Normals[i], 0, 1, 0);
    ExpectVec(m.FrameNormals[i], 0, 1, 0);  // translation does not reach normals
    ExpectVec(m.FrameNormals[3 + i], -1, 0, 0);
  }
}

TEST(Zrm1, ColoursPerVertexFromTheMesh) {
  TestMesh a = Quad(3), b = Quad(3);
  a.color[0] = 255, a.color[1] = 0, a.color[2] = 51;
  b.color[0] = 0, b.color[1] = 102, b.color[2] = 0;
  TModel m;
  ASSERT_TRUE(Load1(m, MakeZrm1({a, b}, 1)));
  EXPECT_FLOAT_EQ(m.Colors[2].r, 1.0f);
  EXPECT_FLOAT_EQ(m.Colors[2].b, 0.2f);
  EXPECT_FLOAT_EQ(m.Colors[3].g, 0.4f);
  EXPECT_EQ(m.Meshes[1].Color[1], 102);
}

TEST(Zrm1, DurationAndClock) {
  TModel m;
  ASSERT_TRUE(Load1(m, MakeZrm1({Quad(3)}, 3)));
  EXPECT_EQ(m.Duration, 100);
  int32_t clock = ModelAdvanceClock(90, m.Duration);
  EXPECT_EQ(clock, 20);
  EXPECT_EQ(ModelClockFrame(clock), 0);
  ASSERT_TRUE(Load1(m, MakeZrm1({Quad(3)}, 10)));
  EXPECT_EQ(m.Duration, 333);
  int32_t maxFrame = 0;
  for (int32_t c = 0; c < m.Duration; ++c) maxFrame = std::max(maxFrame, ModelClockFrame(c));
  EXPECT_EQ(maxFrame, 9);
  EXPECT_EQ(ModelAdvanceClock(123, 0), 0);  // no animation: the clock rests
}

TEST(Zrm1, RefusesOtherMagicMissingFileAndNoFrames) {
  TModel m;
  std::vector<uint8_t> v2 = MakeZrm2({Quad(3)});
  EXPECT_FALSE(Load1(m, v2));
  EXPECT_FALSE(m.Loaded);
  ModelInit(m);
  EXPECT_FALSE(ModelLoad(m, "data\\models\\no_such_model.zrm"));
  EXPECT_FALSE(Load1(m, MakeZrm1({Quad(3)}, 0)));
  EXPECT_FALSE(m.Loaded);
  EXPECT_EQ(m.MeshCount, 0);
}

TEST(Zrm1, RefusesEveryTruncation) {
  std::vector<uint8_t> full = MakeZrm1({Quad(4), Quad(5)}, 2);
  TModel m;
  for (size_t n = 0; n < full.size(); ++n) {
    std::vector<uint8_t> part(full.begin(), full.begin() + n);
    EXPECT_FALSE(Load1(m, part)) << n;
    EXPECT_FALSE(m.Loaded);
  }
  EXPECT_TRUE(Load1(m, full));
}

TEST(Zrm1, RefusesBadCountsAndIndices) {
  TModel m;
  auto header = [](int32_t vc, int32_t tc) {
    ByteWriter w;
    w.Raw("ZRM1").U8(1).U8(1).I32(vc).I32(tc).U8(1).U8(2).U8(3);
    return w;
  };
  EXPECT_FALSE(Load1(m, header(-1, 0).b));
  EXPECT_FALSE(Load1(m, header(3, -5).b));
  EXPECT_FALSE(Load1(m, header(0x7FFFFFFF, 0).b));
  EXPECT_FALSE(Load1(m, header(3, 0x40000000).b));
  // A triangle index equal to the vertex count.
  TestMesh bad = Quad(3);
  bad.triangles[0] = {0, 1, 3};
  EXPECT_FALSE(Load1(m, MakeZrm1({bad}, 1)));
  EXPECT_FALSE(m.Loaded);
}

TEST(Zrm1, RefusesMoreThan65536VerticesInAll) {
  TestMesh big;
  big.vertices.assign(40000, TVector{0, 0, 0});
  TModel m;
  EXPECT_FALSE(Load1(m, MakeZrm1({big, big}, 1)));
  big.vertices.resize(32768);
  EXPECT_TRUE(Load1(m, MakeZrm1({big, big}, 1)));
  EXPECT_EQ(m.VertexTotal, 65536);
}

TEST(Zrm1, FreeEmptiesButCopiedMeshesKeepTheirArrays) {
  TModel m;
  ASSERT_TRUE(Load1(m, MakeZrm1({BoxMesh({0, 0, 0}, 1)}, 1)));
  TMesh copy = m.Meshes[0];
  EXPECT_EQ(copy.Vertices.Data(), m.Meshes[0].Vertices.Data());  // shared, not copied
  EXPECT_EQ(copy.Vertices.UseCount(), 2);
  ModelFree(m);
  EXPECT_FALSE(m.Loaded);
  EXPECT_EQ(m.MeshCount, 0);
  EXPECT_TRUE(m.Meshes.empty());
  EXPECT_EQ(copy.Vertices.UseCount(), 1);
  ASSERT_EQ(copy.Vertices.Size(), 8u);
  ExpectVec(copy.Vertices[7], 0.1f, 0.1f, 0.1f);
  EXPECT_EQ(copy.Triangles.Size(), 12u);
}

class ModelDrawing : public GLTest {};

TEST_F(ModelDrawing, FrameSelectsTheArrayStart) {
  TestMesh mesh;
  mesh.vertices.assign(100, TVector{0, 0, 0});
  mesh.triangles = {{0, 1, 2}};
  TModel m;
  ASSERT_TRUE(Load1(m, MakeZrm1({mesh}, 3)));
  m.Frame = 2;
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  ModelDraw(m);
  void* vp = nullptr;
  void* np = nullptr;
  glGetPointerv(GL_VERTEX_ARRAY_POINTER, &vp);
  glGetPointerv(GL_NORMAL_ARRAY_POINTER, &np);
  EXPECT_EQ(vp, static_cast<void*>(m.FrameVertices.data() + 200));
  EXPECT_EQ(np, static_cast<void*>(m.FrameNormals.data() + 200));
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ModelDrawing, FailedZrm2DrawsNothingAndLeavesArrays) {
  TModel_v2 m;
  EXPECT_FALSE(Load2(m, {'Z', 'R', 'M', '2', 1, 0}));
  glEnableClientState(GL_VERTEX_ARRAY);
  ModelV2Draw(m);
  EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
  EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
  glDisableClientState(GL_VERTEX_ARRAY);
  ASSERT_TRUE(Load2(m, MakeZrm2({BoxMesh({0, 0, 0}, 1)})));
  ModelV2Draw(m);
  EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));  // a drawn model switches its arrays off
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(Zrm2, SingleTriangleNormalsPointUp) {
  TestMesh mesh;
  mesh.vertices = {{0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {5, 5, 5}};
  mesh.triangles = {{0, 1, 2}};
  TModel_v2 m;
  ASSERT_TRUE(Load2(m, MakeZrm2({mesh})));
  ASSERT_EQ(m.MeshCount, 1);
  const TMesh_v2& g = m.Meshes[0];
  for (int i = 0; i < 3; ++i) ExpectVec(g.Normals[i], 0, 1, 0);
  ExpectVec(g.Normals[3], 0, 0, 0);  // used by no triangle
  ExpectVec(g.Vertices[1], 0, 0, 1);  // no scale factor in this format
}

TEST(Zrm2, SharedCornerSumsFacesUnweighted) {
  TestMesh mesh;
  // A large face facing +y and a small one facing +x share vertex 0.
  mesh.vertices = {{0, 0, 0}, {0, 0, 10}, {10, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  mesh.triangles = {{0, 1, 2}, {0, 3, 4}};
  TModel_v2 m;
  ASSERT_TRUE(Load2(m, MakeZrm2({mesh})));
  ExpectVec(m.Meshes[0].Normals[0], 0.70710678f, 0.70710678f, 0);
}

TEST(Zrm2, RefusesZrm1TruncationAndBadCounts) {
  TModel_v2 m;
  EXPECT_FALSE(Load2(m, MakeZrm1({Quad(3)}, 1)));
  std::vector<uint8_t> full = MakeZrm2({Quad(4), BoxMesh({0, 0, 0}, 1)});
  for (size_t n = 0; n < full.size(); ++n) {
    std::vector<uint8_t> part(full.begin(), full.begin() + n);
    EXPECT_FALSE(Load2(m, part)) << n;
    EXPECT_FALSE(m.Loaded);
  }
  EXPECT_TRUE(Load2(m, full));
  EXPECT_EQ(m.MeshCount, 2);
  ByteWriter neg;
  neg.Raw("ZRM2").I32(-1);
  EXPECT_FALSE(Load2(m, neg.b));
  ByteWriter absurd;
  absurd.Raw("ZRM2").I32(0x7FFFFFFF).I32(0).I32(0);
  EXPECT_FALSE(Load2(m, absurd.b));
  ByteWriter tooMany;
  tooMany.Raw("ZRM2").I32(1).I32(65537).I32(0);
  tooMany.b.resize(tooMany.b.size() + 65537 * 12);
  EXPECT_FALSE(Load2(m, tooMany.b));
  TestMesh bad = Quad(3);
  bad.triangles[0] = {3, 0, 1};
  EXPECT_FALSE(Load2(m, MakeZrm2({bad})));
  EXPECT_FALSE(m.Loaded);
  EXPECT_EQ(m.MeshCount, 0);
}

TEST(Zrm2, FileLoadAndFree) {
  ScratchDir dir;
  WriteBytes(dir.File("gun.zrm"), MakeZrm2({BoxMesh({0, 0, 0}, 1)}));
  TModel_v2 m;
  ModelV2Init(m);
  ASSERT_TRUE(ModelV2Load(m, dir.File("gun.zrm")));
  EXPECT_EQ(m.Meshes[0].TriangleCount, 12);
  ModelV2Free(m);
  EXPECT_FALSE(m.Loaded);
  EXPECT_EQ(m.MeshCount, 0);
  EXPECT_TRUE(m.Meshes.empty());
  EXPECT_FALSE(ModelV2Load(m, dir.File("missing.zrm")));
}
