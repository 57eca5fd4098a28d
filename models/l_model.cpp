// ZRM1 models: reading, per-mesh normals and key matrices, baking every frame, drawing.
#include "models/l_model.h"

#include "platform/p_gl.h"

#include <cmath>
#include <new>

#include "models/l_model_io.h"
#include "platform/p_file.h"

// Baked frames cost FrameTotal * VertexTotal * 24 bytes; refuse files asking for more
// than about 100 MB rather than let a hostile header exhaust memory.
static constexpr int64_t MaxBakedSlots = int64_t(1) << 22;

void ComputeVertexNormals(const TVector* vertices, int32_t count, const TTriangle* triangles,
                          int32_t triangleCount, TVector* normals) {
  for (int32_t i = 0; i < count; ++i) normals[i] = {0, 0, 0};
  for (int32_t t = 0; t < triangleCount; ++t) {
    const TTriangle& tri = triangles[t];
    TVector n;
    TriangleNormal(vertices[tri.a], vertices[tri.b], vertices[tri.c], n);
    VectorAdd(normals[tri.a], n, normals[tri.a]);
    VectorAdd(normals[tri.b], n, normals[tri.b]);
    VectorAdd(normals[tri.c], n, normals[tri.c]);
  }
  for (int32_t i = 0; i < count; ++i) VectorNormalize(normals[i], normals[i]);
}

int32_t ModelAdvanceClock(int32_t clock, int32_t duration) {
  if (duration <= 0) return 0;
  return static_cast<int32_t>((int64_t(clock) + 30) % duration);
}

int32_t ModelClockFrame(int32_t clock) { return static_cast<int32_t>(int64_t(clock) * 3 / 100); }

void ModelInit(TModel& model) {
  model.Loaded = false;
  model.Meshes.clear();
  model.MeshCount = 0;
}

void MeshFree(TMesh& mesh) {
  mesh.VertexCount = 0;
  mesh.TriangleCount = 0;
  mesh.Vertices.Clear();
  mesh.Normals.Clear();
  mesh.Triangles.Clear();
  mesh.Keys.Clear();
  mesh.Matrices.Clear();
}

void ModelFree(TModel& model) {
  model.Loaded = false;
  for (TMesh& m : model.Meshes) MeshFree(m);
  model.Meshes.clear();
  model.MeshCount = 0;
  // Gibs hold their own references to the mesh arrays; the model-wide arrays are ours.
  model.FrameVertices.clear();
  model.FrameNormals.clear();
  model.Triangles.clear();
  model.Colors.clear();
  model.VertexTotal = 0;
  model.TriangleTotal = 0;
  model.FrameTotal = 0;
  model.Duration = 0;
  model.Radius = 0;
}

void MeshPrepare(TMesh& mesh) {
  mesh.Normals.Resize(mesh.VertexCount);
  ComputeVertexNormals(mesh.Vertices.Data(), mesh.VertexCount, mesh.Triangles.Data(),
                       mesh.TriangleCount, mesh.Normals.Data());
  size_t keys = mesh.Keys.Size();
  mesh.Matrices.Resize(keys);
  for (size_t f = 0; f < keys; ++f) {
    TMatrix& m = mesh.Matrices[f];
    QuatToMatrix(mesh.Keys[f].Rotation, m);
    m[12] = mesh.Keys[f].Position.x;
    m[13] = mesh.Keys[f].Position.y;
    m[14] = mesh.Keys[f].Position.z;
  }
}

static bool ReadMesh(TModelReader& in, TMesh& mesh, int32_t frames, int32_t& vertexTotal) {
  int32_t vc, tc;
  if (!in.I32(vc) || !in.I32(tc)) return false;
  if (vc < 0 || tc < 0 || vc > MaxModelVertices - vertexTotal) return false;
  // The file must hold what the counts promise before anything is sized.
  uint64_t need = uint64_t(vc) * 12 + uint64_t(tc) * 6 + 3 + uint64_t(frames) * 28;
  if (need > in.Left()) return false;
  mesh.VertexCount = vc;
  mesh.TriangleCount = tc;
  if (!in.Bytes(mesh.Color, 3)) return false;
  mesh.Vertices.Resize(vc);
  mesh.Triangles.Resize(tc);
  mesh.Keys.Resize(frames);
  for (int32_t i = 0; i < vc; ++i) {
    TVector& v = mesh.Vertices[i];
    if (!in.Vector(v)) return false;
    VectorScale(v, 0.1f, v);
  }
  for (int32_t i = 0; i < tc; ++i) {
    TTriangle& t = mesh.Triangles[i];
    if (!in.Triangle(t)) return false;
    if (t.a >= vc || t.b >= vc || t.c >= vc) return false;
  }
  for (int32_t f = 0; f < frames; ++f) {
    TMeshKey& k = mesh.Keys[f];
    if (!in.Vector(k.Position)) return false;
    if (!in.F32(k.Rotation.x) || !in.F32(k.Rotation.y) || !in.F32(k.Rotation.z) ||
        !in.F32(k.Rotation.w))
      return false;
    VectorScale(k.Position, 0.1f, k.Position);
  }
  MeshPrepare(mesh);
  vertexTotal += vc;
  return true;
}

static void BakeModel(TModel& model) {
  const int32_t vt = model.VertexTotal;
  model.FrameVertices.assign(size_t(vt) * model.FrameTotal, TVector{0, 0, 0});
  model.FrameNormals.assign(size_t(vt) * model.FrameTotal, TVector{0, 0, 0});
  model.Colors.assign(vt, TColor3f{0, 0, 0});
  model.Triangles.assign(model.TriangleTotal, TTriangle{0, 0, 0});
  for (const TMesh& m : model.Meshes)
    for (int32_t i = 0; i < m.VertexCount; ++i)
      model.Colors[m.BaseVertex + i] = {m.Color[0] / 255.0f, m.Color[1] / 255.0f,
                                        m.Color[2] / 255.0f};
  float r = 0;
  for (int32_t f = 0; f < model.FrameTotal; ++f) {
    for (const TMesh& m : model.Meshes) {
      const TMatrix& mat = m.Matrices[f];
      for (int32_t i = 0; i < m.VertexCount; ++i) {
        size_t slot = size_t(f) * vt + m.BaseVertex + i;
        TVector& p = model.FrameVertices[slot];
        MatrixTransformPoint(mat, m.Vertices[i], p);
        TVector& n = model.FrameNormals[slot];
        MatrixTransformPoint(mat, m.Normals[i], n);
        n.x -= mat[12];
        n.y -= mat[13];
        n.z -= mat[14];
        float d = p.x * p.x + p.y * p.y + p.z * p.z;
        if (d > r) r = d;
      }
    }
  }
  model.Radius = std::sqrt(r);
  for (const TMesh& m : model.Meshes)
    for (int32_t h = 0; h < m.TriangleCount; ++h) {
      const TTriangle& t = m.Triangles[h];
      const uint16_t base = static_cast<uint16_t>(m.BaseVertex);
      model.Triangles[m.BaseTriangle + h] = {static_cast<uint16_t>(t.a + base),
                                             static_cast<uint16_t>(t.b + base),
                                             static_cast<uint16_t>(t.c + base)};
    }
}

static bool LoadFrom(TModel& model, const uint8_t* data, size_t size) {
  TModelReader in(data, size);
  char magic[4];
  if (!in.Bytes(magic, 4) || magic[0] != 'Z' || magic[1] != 'R' || magic[2] != 'M' ||
      magic[3] != '1')
    return false;
  uint8_t meshes, frames;
  if (!in.U8(meshes) || !in.U8(frames)) return false;
  // Without frames there is nothing to draw and the animation clock has no period.
  if (frames == 0) return false;
  model.MeshCount = meshes;
  model.FrameTotal = frames;
  model.Duration = frames * 100 / 3;
  model.Meshes.resize(meshes);
  int32_t vertexTotal = 0;
  for (TMesh& m : model.Meshes)
    if (!ReadMesh(in, m, frames, vertexTotal)) return false;
  if (int64_t(vertexTotal) * frames > MaxBakedSlots) return false;
  model.VertexTotal = 0;
  model.TriangleTotal = 0;
  for (TMesh& m : model.Meshes) {
    m.BaseVertex = model.VertexTotal;
    m.BaseTriangle = model.TriangleTotal;
    model.VertexTotal += m.VertexCount;
    model.TriangleTotal += m.TriangleCount;
  }
  BakeModel(model);
  model.Loaded = true;
  return true;
}

bool ModelLoadMemory(TModel& model, const uint8_t* data, size_t size) {
  ModelFree(model);
  bool ok = false;
  try {
    ok = LoadFrom(model, data, size);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) ModelFree(model);
  return ok;
}

bool ModelLoad(TModel& model, const std::string& fileName) {
  ModelFree(model);
  // Reading the whole file is part of the guarded load: a file too large for memory fails it.
  std::vector<uint8_t> bytes;
  try {
    if (!GameFileReadAll(fileName, bytes)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return ModelLoadMemory(model, bytes.data(), bytes.size());
}

void ModelDraw(const TModel& model) {
  if (!model.Loaded || model.Frame < 0 || model.Frame >= model.FrameTotal) return;
  if (model.TriangleTotal == 0) return;
  size_t first = size_t(model.Frame) * model.VertexTotal;
  glColorPointer(3, GL_FLOAT, 0, model.Colors.data());
  glNormalPointer(GL_FLOAT, 0, model.FrameNormals.data() + first);
  glVertexPointer(3, GL_FLOAT, 0, model.FrameVertices.data() + first);
  glDrawElements(GL_TRIANGLES, model.TriangleTotal * 3, GL_UNSIGNED_SHORT, model.Triangles.data());
}
