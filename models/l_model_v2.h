// Static multi-mesh models (ZRM2): loading and drawing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "math/l_math.h"

struct TMesh_v2 {
  int32_t VertexCount = 0;
  int32_t TriangleCount = 0;
  std::vector<TVector> Vertices;
  std::vector<TVector> Normals;
  std::vector<TTriangle> Triangles;
};

struct TModel_v2 {
  bool Loaded = false;
  int32_t MeshCount = 0;
  std::vector<TMesh_v2> Meshes;
};

void ModelV2Init(TModel_v2& model);
// False (and Loaded false) for a missing, damaged, truncated or hostile file.
bool ModelV2Load(TModel_v2& model, const std::string& fileName);
bool ModelV2LoadMemory(TModel_v2& model, const uint8_t* data, size_t size);
void ModelV2Free(TModel_v2& model);
// Enables the normal and vertex arrays, draws every mesh, disables them again.
void ModelV2Draw(const TModel_v2& model);
