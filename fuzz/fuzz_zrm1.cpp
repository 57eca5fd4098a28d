// libFuzzer target: the ZRM1 model loader on arbitrary bytes, with the baked arrays checked.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "models/l_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TModel model;
  if (!ModelLoadMemory(model, data, size)) {
    if (model.Loaded || model.MeshCount != 0) std::abort();
    return 0;
  }
  if (model.VertexTotal > MaxModelVertices || model.FrameTotal <= 0) std::abort();
  if (model.FrameVertices.size() != size_t(model.VertexTotal) * model.FrameTotal) std::abort();
  for (const TTriangle& t : model.Triangles)
    if (t.a >= model.VertexTotal || t.b >= model.VertexTotal || t.c >= model.VertexTotal)
      std::abort();
  int32_t clock = 0;
  for (int i = 0; i < 20; ++i) {
    clock = ModelAdvanceClock(clock, model.Duration);
    if (ModelClockFrame(clock) >= model.FrameTotal) std::abort();
  }
  TMesh copy = model.Meshes.empty() ? TMesh{} : model.Meshes.back();
  ModelFree(model);
  if (copy.Vertices.Size() != size_t(copy.VertexCount)) std::abort();
  return 0;
}
