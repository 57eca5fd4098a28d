// Test models through the data tool's ZRM writers, and a little-endian byte builder for hostile ones.
#pragma once
#include "support/test_env.h"

#include "gen_model_mesh.h"

struct ByteWriter {
  std::vector<uint8_t> b;
  ByteWriter& Raw(const char* s) { return b.insert(b.end(), s, s + std::strlen(s)), *this; }
  ByteWriter& U8(uint8_t v) { return b.push_back(v), *this; }
  ByteWriter& U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
  ByteWriter& I32(int32_t v) { return U16(uint16_t(uint32_t(v))).U16(uint16_t(uint32_t(v) >> 16)); }
};

struct TestMesh {
  std::vector<TVector> vertices;
  std::vector<TTriangle> triangles;
  uint8_t color[3] = {255, 255, 255};
};

// ZRM1 with vertices and key positions in file units (ten times the loaded size); a part has
// keys[part] for its frames, identity keys where none are given.
std::vector<uint8_t> MakeZrm1(const std::vector<TestMesh>& meshes, int frames,
                              const std::vector<std::vector<TGenKey>>& keys = {});
std::vector<uint8_t> MakeZrm2(const std::vector<TestMesh>& meshes);
// A small closed box (8 vertices, 12 triangles) centred on c with half-size h.
TestMesh BoxMesh(const TVector& c, float h);
