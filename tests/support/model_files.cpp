// ZRM1 / ZRM2 writers for the model, shot and particle tests.
#include "support/model_files.h"

#include <cstring>

ByteWriter& ByteWriter::Raw(const char* s) {
  b.insert(b.end(), s, s + std::strlen(s));
  return *this;
}
ByteWriter& ByteWriter::U8(uint8_t v) {
  b.push_back(v);
  return *this;
}
ByteWriter& ByteWriter::U16(uint16_t v) {
  b.push_back(v & 0xFF);
  b.push_back(v >> 8);
  return *this;
}
ByteWriter& ByteWriter::I32(int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(u >> (8 * i)));
  return *this;
}
ByteWriter& ByteWriter::F32(float v) {
  int32_t i;
  std::memcpy(&i, &v, 4);
  return I32(i);
}
ByteWriter& ByteWriter::Vec(const TVector& v) { return F32(v.x).F32(v.y).F32(v.z); }

static void Geometry(ByteWriter& w, const TestMesh& m) {
  for (const TVector& v : m.vertices) w.Vec(v);
  for (const TTriangle& t : m.triangles) w.U16(t.a).U16(t.b).U16(t.c);
}

std::vector<uint8_t> MakeZrm1(const std::vector<TestMesh>& meshes, int frames) {
  ByteWriter w;
  w.Raw("ZRM1").U8(static_cast<uint8_t>(meshes.size())).U8(static_cast<uint8_t>(frames));
  for (const TestMesh& m : meshes) {
    w.I32(static_cast<int32_t>(m.vertices.size())).I32(static_cast<int32_t>(m.triangles.size()));
    w.U8(m.color[0]).U8(m.color[1]).U8(m.color[2]);
    Geometry(w, m);
    for (int f = 0; f < frames; ++f) {
      TestMeshKey k = f < static_cast<int>(m.keys.size()) ? m.keys[f] : TestMeshKey{};
      w.Vec(k.position).F32(k.rotation.x).F32(k.rotation.y).F32(k.rotation.z).F32(k.rotation.w);
    }
  }
  return w.b;
}

std::vector<uint8_t> MakeZrm2(const std::vector<TestMesh>& meshes) {
  ByteWriter w;
  w.Raw("ZRM2").I32(static_cast<int32_t>(meshes.size()));
  for (const TestMesh& m : meshes) {
    w.I32(static_cast<int32_t>(m.vertices.size())).I32(static_cast<int32_t>(m.triangles.size()));
    Geometry(w, m);
  }
  return w.b;
}

TestMesh BoxMesh(const TVector& c, float h) {
  TestMesh m;
  for (int i = 0; i < 8; ++i)
    m.vertices.push_back({c.x + ((i & 1) ? h : -h), c.y + ((i & 2) ? h : -h),
                          c.z + ((i & 4) ? h : -h)});
  const uint16_t faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  for (const auto& f : faces) {
    m.triangles.push_back({f[0], f[1], f[2]});
    m.triangles.push_back({f[0], f[2], f[3]});
  }
  return m;
}
