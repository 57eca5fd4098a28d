// ZRM1 and ZRM2 models: layout of the baked arrays, colours, normals, drawing, refusals.

#include "platform/p_gl.h"

#include "models/l_model.h"
#include "models/l_model_v2.h"
#include "support/model_files.h"
#include "support/test_env.h"

namespace {

using Bytes = std::vector<uint8_t>;

TestMesh Quad(int vertices) {
  TestMesh m;
  for (int i = 0; i < vertices; ++i) m.vertices.push_back({float(i), float(i % 2), 0});
  return m.triangles.push_back({0, 1, 2}), m;
}

bool Load(TModel& m, const Bytes& b) { return ModelInit(m), ModelLoadMemory(m, b.data(), b.size()); }
bool Load(TModel_v2& m, const Bytes& b) { return ModelV2Init(m), ModelV2LoadMemory(m, b.data(), b.size()); }

void ExpectVec(const TVector& v, float x, float y, float z) {
  EXPECT_LT(std::fabs(v.x - x) + std::fabs(v.y - y) + std::fabs(v.z - z), 3e-5f) << v.x << ", " << v.y << ", " << v.z;
}

// Hostile files and every truncation of a good one are refused, and a refusal leaves the model
// empty (what was read is freed again); the whole good file loads.
template <class Model>
void ExpectRefusals(const std::vector<std::pair<const char*, Bytes>>& hostile, const Bytes& full) {
  Model m;
  auto empty = [&m] { return !m.Loaded && m.MeshCount == 0 && m.Meshes.empty(); };
  for (const auto& [what, bytes] : hostile) EXPECT_TRUE(!Load(m, bytes) && empty()) << what;
  for (size_t n = 0; n < full.size(); ++n) EXPECT_TRUE(!Load(m, Bytes(full.begin(), full.begin() + long(n))) && empty()) << n;
  EXPECT_TRUE(Load(m, full) && m.MeshCount == 2);
}

}  // namespace

TEST(Zrm1, BaseVerticesModelWideIndicesAndColours) {
  TestMesh a = Quad(4), b = Quad(6);
  a.color[0] = 255, a.color[1] = 0, a.color[2] = 51;
  b.color[0] = 0, b.color[1] = 102, b.color[2] = 0;
  TModel m;
  ASSERT_TRUE(Load(m, MakeZrm1({a, b}, 1)));
  ASSERT_EQ(std::tuple(m.Loaded, m.MeshCount, m.Triangles.size(), m.Colors.size()),
            std::tuple(true, 2, size_t(2), size_t(10)));
  const TMesh &m0 = m.Meshes[0], &m1 = m.Meshes[1];
  EXPECT_EQ(std::tuple(m0.BaseVertex, m1.BaseVertex, m1.BaseTriangle), std::tuple(0, 4, 1));
  EXPECT_EQ(std::tuple(m.VertexTotal, m.TriangleTotal, m.FrameVertices.size()), std::tuple(10, 2, 10u));
  EXPECT_EQ(std::tuple(m.Triangles[1].a, m.Triangles[1].b, m.Triangles[1].c), std::tuple(4, 5, 6));
  // One colour per model-wide vertex, from its mesh, scaled to 0..1.
  EXPECT_TRUE(m.Colors[3].r == 1 && std::fabs(m.Colors[3].b - 0.2f) + std::fabs(m.Colors[4].g - 0.4f) < 1e-6f);
  EXPECT_EQ(m.Meshes[1].Color[1], 102);
}

TEST(Zrm1, VerticesAndKeysScaledByATenth) {
  TestMesh mesh = Quad(3);
  mesh.vertices[0] = {0, 0, 0}, mesh.vertices[1] = {10, 0, 0};
  TModel m;
  ASSERT_TRUE(Load(m, MakeZrm1({mesh}, 2, {{TGenKey{}, TGenKey{{10, 0, 0}}}})));
  ExpectVec(m.Meshes[0].Vertices[1], 1, 0, 0);
  // Frame 1 moves the mesh to x = 1: its vertex (0, 0, 0) lands at (1, 0, 0).
  ExpectVec(m.FrameVertices[m.VertexTotal + 0], 1, 0, 0);
  EXPECT_NEAR(m.Radius, 2.0f, 1e-5f);  // vertex (1, 0, 0) in frame 1
}

TEST(Zrm1, IdentityKeyKeepsNormalsRotationTurnsThem) {
  TestMesh mesh;
  mesh.vertices = {{0, 0, 0}, {0, 0, 10}, {10, 0, 0}};
  mesh.triangles = {{0, 1, 2}};
  // 90 degrees about z turns +y into -x.
  const float s = std::sqrt(0.5f);
  TModel m;
  ASSERT_TRUE(Load(m, MakeZrm1({mesh}, 2, {{TGenKey{{5, 5, 5}}, TGenKey{{0, 0, 0}, {0, 0, s, s}}}})));
  for (int i = 0; i < 3; ++i) {
    ExpectVec(m.Meshes[0].Normals[i], 0, 1, 0);
    ExpectVec(m.FrameNormals[i], 0, 1, 0);  // translation does not reach normals
    ExpectVec(m.FrameNormals[3 + i], -1, 0, 0);
  }
}

TEST(Zrm1, RefusesHostileFilesAndEveryTruncation) {
  auto header = [](int32_t vc, int32_t tc) {
    return ByteWriter().Raw("ZRM1").U8(1).U8(1).I32(vc).I32(tc).U8(1).U8(2).U8(3).b;
  };
  TestMesh badIndex = Quad(3), big;
  badIndex.triangles[0] = {0, 1, 3};  // equal to the vertex count
  big.vertices.assign(40000, TVector{0, 0, 0});
  ExpectRefusals<TModel>(
      {{"ZRM2 magic", MakeZrm2({Quad(3)})}, {"no frames", MakeZrm1({Quad(3)}, 0)},
       {"negative vertex count", header(-1, 0)}, {"negative triangle count", header(3, -5)},
       {"huge vertex count", header(0x7FFFFFFF, 0)}, {"huge triangle count", header(3, 0x40000000)},
       {"index out of range", MakeZrm1({badIndex}, 1)}, {"80000 vertices in all", MakeZrm1({big, big}, 1)}},
      MakeZrm1({Quad(4), Quad(5)}, 2));
  TModel m;
  ModelInit(m);
  EXPECT_FALSE(ModelLoad(m, "data\\models\\no_such_model.zrm"));
  big.vertices.resize(32768);  // 65536 in all is the most
  EXPECT_TRUE(Load(m, MakeZrm1({big, big}, 1)) && m.VertexTotal == 65536);
}

TEST(Zrm2, RefusesHostileFilesAndEveryTruncation) {
  Bytes tooMany = ByteWriter().Raw("ZRM2").I32(1).I32(65537).I32(0).b;
  tooMany.resize(16 + 65537 * 12);
  TestMesh badIndex = Quad(3);
  badIndex.triangles[0] = {3, 0, 1};
  ExpectRefusals<TModel_v2>(
      {{"ZRM1 magic", MakeZrm1({Quad(3)}, 1)}, {"negative mesh count", ByteWriter().Raw("ZRM2").I32(-1).b},
       {"huge mesh count", ByteWriter().Raw("ZRM2").I32(0x7FFFFFFF).I32(0).I32(0).b},
       {"65537 vertices", tooMany}, {"index out of range", MakeZrm2({badIndex})}},
      MakeZrm2({Quad(4), BoxMesh({0, 0, 0}, 1)}));
  TModel_v2 m;
  ModelV2Init(m);
  EXPECT_FALSE(ModelV2Load(m, "data\\models\\no_such_model.zrm"));
}

TEST(Zrm2, NormalsSumFacesUnweightedUnusedVerticesStayZero) {
  TestMesh single, shared;
  single.vertices = {{0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {5, 5, 5}};
  single.triangles = {{0, 1, 2}};
  // A large face facing +y and a small one facing +x share vertex 0.
  shared.vertices = {{0, 0, 0}, {0, 0, 10}, {10, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  shared.triangles = {{0, 1, 2}, {0, 3, 4}};
  TModel_v2 m;
  ASSERT_TRUE(Load(m, MakeZrm2({single, shared})));
  for (int i = 0; i < 3; ++i) ExpectVec(m.Meshes[0].Normals[i], 0, 1, 0);
  ExpectVec(m.Meshes[0].Normals[3], 0, 0, 0);   // used by no triangle
  ExpectVec(m.Meshes[0].Vertices[1], 0, 0, 1);  // no scale factor in this format
  ExpectVec(m.Meshes[1].Normals[0], 0.70710678f, 0.70710678f, 0);
}

class ModelDrawing : public GLTest {};

TEST_F(ModelDrawing, FrameSelectsTheArrayStart) {
  TestMesh mesh;
  mesh.vertices.assign(100, TVector{0, 0, 0});
  mesh.triangles = {{0, 1, 2}};
  TModel m;
  ASSERT_TRUE(Load(m, MakeZrm1({mesh}, 3)));
  m.Frame = 2;
  for (GLenum a : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY}) glEnableClientState(a);
  ModelDraw(m);
  void *vp = nullptr, *np = nullptr;
  glGetPointerv(GL_VERTEX_ARRAY_POINTER, &vp);
  glGetPointerv(GL_NORMAL_ARRAY_POINTER, &np);
  EXPECT_TRUE(vp == m.FrameVertices.data() + 200 && np == m.FrameNormals.data() + 200);
  for (GLenum a : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY}) glDisableClientState(a);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
