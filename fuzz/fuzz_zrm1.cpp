// libFuzzer target: the ZRM1 model loader on arbitrary bytes, with the baked arrays checked.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "models/l_model.h"

static void Require(bool ok) { if (!ok) std::abort(); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TModel model;
  if (!ModelLoadMemory(model, data, size)) return Require(!model.Loaded && model.MeshCount == 0), 0;
  Require(model.VertexTotal <= MaxModelVertices && model.FrameTotal > 0);
  Require(model.FrameVertices.size() == size_t(model.VertexTotal) * model.FrameTotal);
  for (const TTriangle& t : model.Triangles)
    Require(t.a < model.VertexTotal && t.b < model.VertexTotal && t.c < model.VertexTotal);
  int32_t clock = 0;
  for (int i = 0; i < 20; ++i)
    Require(ModelClockFrame(clock = ModelAdvanceClock(clock, model.Duration)) < model.FrameTotal);
  TMesh copy = model.Meshes.empty() ? TMesh{} : model.Meshes.back();
  ModelFree(model);
  Require(copy.Vertices.Size() == size_t(copy.VertexCount));
  return 0;
}
