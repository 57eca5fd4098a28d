// ZRM1 / ZRM2 writers for the model, shot and particle tests.
#include "support/model_files.h"

#include <array>

// A mesh's counts, then its vertices and triangles; ZRM1 has its colour between the two.
static void Mesh(ByteWriter& w, const TestMesh& m, bool colour) {
  w.I32(int32_t(m.vertices.size())).I32(int32_t(m.triangles.size()));
  if (colour) w.U8(m.color[0]).U8(m.color[1]).U8(m.color[2]);
  for (const TVector& v : m.vertices) w.Vec(v);
  for (const TTriangle& t : m.triangles) w.U16(t.a).U16(t.b).U16(t.c);
}

std::vector<uint8_t> MakeZrm1(const std::vector<TestMesh>& meshes, int frames) {
  ByteWriter w;
  w.Raw("ZRM1").U8(uint8_t(meshes.size())).U8(uint8_t(frames));
  for (const TestMesh& m : meshes) {
    Mesh(w, m, true);
    for (int f = 0; f < frames; ++f) {
      const TestMeshKey k = f < int(m.keys.size()) ? m.keys[f] : TestMeshKey{};
      w.Vec(k.position).F32(k.rotation.x).F32(k.rotation.y).F32(k.rotation.z).F32(k.rotation.w);
    }
  }
  return w.b;
}

std::vector<uint8_t> MakeZrm2(const std::vector<TestMesh>& meshes) {
  ByteWriter w;
  w.Raw("ZRM2").I32(int32_t(meshes.size()));
  for (const TestMesh& m : meshes) Mesh(w, m, false);
  return w.b;
}

TestMesh BoxMesh(const TVector& c, float h) {
  TestMesh m;
  for (int i = 0; i < 8; ++i)
    m.vertices.push_back({c.x + ((i & 1) ? h : -h), c.y + ((i & 2) ? h : -h), c.z + ((i & 4) ? h : -h)});
  for (const auto& f : {std::array<uint16_t, 4>{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2},
                        {1, 3, 7, 5}})
    m.triangles.push_back({f[0], f[1], f[2]}), m.triangles.push_back({f[0], f[2], f[3]});
  return m;
}
