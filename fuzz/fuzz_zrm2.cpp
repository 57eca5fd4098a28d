// libFuzzer target: the ZRM2 model loader on arbitrary bytes, with every index checked.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "models/l_model_v2.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TModel_v2 model;
  if (!ModelV2LoadMemory(model, data, size)) {
    if (model.Loaded || model.MeshCount != 0) std::abort();
    return 0;
  }
  if (model.Meshes.size() != size_t(model.MeshCount)) std::abort();
  for (const TMesh_v2& m : model.Meshes) {
    if (m.Normals.size() != size_t(m.VertexCount) || m.Triangles.size() != size_t(m.TriangleCount))
      std::abort();
    for (const TTriangle& t : m.Triangles)
      if (t.a >= m.VertexCount || t.b >= m.VertexCount || t.c >= m.VertexCount) std::abort();
  }
  ModelV2Free(model);
  return 0;
}
