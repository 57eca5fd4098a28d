// ZRM2 models: reading plain indexed meshes with computed normals, drawing them.
#include "models/l_model_v2.h"

#include "platform/p_gl.h"

#include <new>

#include "models/l_model.h"
#include "models/l_model_io.h"
#include "platform/p_file.h"

void ModelV2Free(TModel_v2& model) {
  model.Loaded = false;
  for (TMesh_v2& m : model.Meshes) {
    m.VertexCount = 0;
    m.TriangleCount = 0;
    m.Vertices.clear();
    m.Normals.clear();
    m.Triangles.clear();
  }
  model.MeshCount = 0;
  model.Meshes.clear();
}

void ModelV2Init(TModel_v2& model) {
  model.MeshCount = 0;
  model.Meshes.clear();
  ModelV2Free(model);
}

static bool ReadMesh(TModelReader& in, TMesh_v2& mesh) {
  int32_t vc, tc;
  if (!in.I32(vc) || !in.I32(tc)) return false;
  if (vc < 0 || tc < 0 || vc > MaxModelVertices) return false;
  if (uint64_t(vc) * 12 + uint64_t(tc) * 6 > in.Left()) return false;
  mesh.VertexCount = vc;
  mesh.TriangleCount = tc;
  mesh.Vertices.resize(vc);
  mesh.Triangles.resize(tc);
  for (TVector& v : mesh.Vertices)
    if (!in.Vector(v)) return false;
  for (TTriangle& t : mesh.Triangles) {
    if (!in.Triangle(t)) return false;
    if (t.a >= vc || t.b >= vc || t.c >= vc) return false;
  }
  mesh.Normals.resize(vc);
  ComputeVertexNormals(mesh.Vertices.data(), vc, mesh.Triangles.data(), tc, mesh.Normals.data());
  return true;
}

static bool LoadFrom(TModel_v2& model, const uint8_t* data, size_t size) {
  TModelReader in(data, size);
  char magic[4];
  if (!in.Bytes(magic, 4) || magic[0] != 'Z' || magic[1] != 'R' || magic[2] != 'M' ||
      magic[3] != '2')
    return false;
  int32_t count;
  if (!in.I32(count)) return false;
  // Every mesh takes at least its two counts in the file.
  if (count < 0 || uint64_t(count) * 8 > in.Left()) return false;
  model.MeshCount = count;
  model.Meshes.resize(count);
  for (TMesh_v2& m : model.Meshes)
    if (!ReadMesh(in, m)) return false;
  model.Loaded = true;
  return true;
}

bool ModelV2LoadMemory(TModel_v2& model, const uint8_t* data, size_t size) {
  ModelV2Free(model);
  bool ok = false;
  try {
    ok = LoadFrom(model, data, size);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) ModelV2Free(model);
  return ok;
}

bool ModelV2Load(TModel_v2& model, const std::string& fileName) {
  ModelV2Free(model);
  // Reading the whole file is part of the guarded load: a file too large for memory fails it.
  std::vector<uint8_t> bytes;
  try {
    if (!GameFileReadAll(fileName, bytes)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return ModelV2LoadMemory(model, bytes.data(), bytes.size());
}

void ModelV2Draw(const TModel_v2& model) {
  if (!model.Loaded) return;
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  for (const TMesh_v2& m : model.Meshes) {
    if (m.TriangleCount == 0) continue;
    glNormalPointer(GL_FLOAT, 0, m.Normals.data());
    glVertexPointer(3, GL_FLOAT, 0, m.Vertices.data());
    glDrawElements(GL_TRIANGLES, m.TriangleCount * 3, GL_UNSIGNED_SHORT, m.Triangles.data());
  }
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
}
