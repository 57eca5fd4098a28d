// libFuzzer target: the ZRM2 model loader on arbitrary bytes, with every index checked.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "models/l_model_v2.h"

static void Require(bool ok) { if (!ok) std::abort(); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TModel_v2 model;
  if (!ModelV2LoadMemory(model, data, size)) return Require(!model.Loaded && model.MeshCount == 0), 0;
  Require(model.Meshes.size() == size_t(model.MeshCount));
  for (const TMesh_v2& m : model.Meshes) {
    Require(m.Normals.size() == size_t(m.VertexCount) && m.Triangles.size() == size_t(m.TriangleCount));
    for (const TTriangle& t : m.Triangles)
      Require(t.a < m.VertexCount && t.b < m.VertexCount && t.c < m.VertexCount);
  }
  ModelV2Free(model);
  return 0;
}
