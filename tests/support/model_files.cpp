// ZRM1 / ZRM2 test models through the data tool's writers, for the model, shot and particle tests.
#include "support/model_files.h"

#include <array>

// The tool's mesh, its vertices divided by `scale`.
static std::vector<TGenMesh> GenMeshes(const std::vector<TestMesh>& meshes, float scale) {
  std::vector<TGenMesh> out(meshes.size());
  for (size_t m = 0; m < meshes.size(); ++m) {
    for (const TVector& v : meshes[m].vertices) out[m].Vertices.push_back({v.x / scale, v.y / scale, v.z / scale});
    out[m].Triangles = meshes[m].triangles;
    std::copy_n(meshes[m].color, 3, out[m].Color);
  }
  return out;
}

std::vector<uint8_t> MakeZrm1(const std::vector<TestMesh>& meshes, int frames,
                              const std::vector<std::vector<TGenKey>>& keys) {
  std::vector<std::vector<TGenKey>> all(meshes.size(), std::vector<TGenKey>(size_t(frames)));
  for (size_t m = 0; m < keys.size(); ++m)
    for (size_t f = 0; f < keys[m].size() && f < all[m].size(); ++f) {
      const TVector& p = keys[m][f].Position;
      all[m][f] = {{p.x / 10, p.y / 10, p.z / 10}, keys[m][f].Rotation};
    }
  return WriteZrm1(GenMeshes(meshes, 10), all);
}

std::vector<uint8_t> MakeZrm2(const std::vector<TestMesh>& meshes) { return WriteZrm2(GenMeshes(meshes, 1)); }

TestMesh BoxMesh(const TVector& c, float h) {
  TestMesh m;
  for (int i = 0; i < 8; ++i)
    m.vertices.push_back({c.x + ((i & 1) ? h : -h), c.y + ((i & 2) ? h : -h), c.z + ((i & 4) ? h : -h)});
  for (const auto& f : {std::array<uint16_t, 4>{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2},
                        {1, 3, 7, 5}})
    m.triangles.push_back({f[0], f[1], f[2]}), m.triangles.push_back({f[0], f[2], f[3]});
  return m;
}
