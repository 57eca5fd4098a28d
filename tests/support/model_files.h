// Writers for ZRM1 and ZRM2 model files, and a little-endian byte builder for hostile ones.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "math/l_math.h"

struct ByteWriter {
  std::vector<uint8_t> b;
  ByteWriter& Raw(const char* s) { return b.insert(b.end(), s, s + std::strlen(s)), *this; }
  ByteWriter& U8(uint8_t v) { return b.push_back(v), *this; }
  ByteWriter& U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
  ByteWriter& I32(int32_t v) { return U16(uint16_t(uint32_t(v))).U16(uint16_t(uint32_t(v) >> 16)); }
  ByteWriter& F32(float v) {
    int32_t i;
    return std::memcpy(&i, &v, 4), I32(i);
  }
  ByteWriter& Vec(const TVector& v) { return F32(v.x).F32(v.y).F32(v.z); }
};

struct TestMeshKey {
  TVector position = {0, 0, 0};
  TQuaternion rotation = {0, 0, 0, 1};
};

struct TestMesh {
  std::vector<TVector> vertices;
  std::vector<TTriangle> triangles;
  uint8_t color[3] = {255, 255, 255};
  std::vector<TestMeshKey> keys;  // ZRM1: one per frame (missing ones are identity keys)
};

std::vector<uint8_t> MakeZrm1(const std::vector<TestMesh>& meshes, int frames);
std::vector<uint8_t> MakeZrm2(const std::vector<TestMesh>& meshes);
// A small closed box (8 vertices, 12 triangles) centred on c with half-size h.
TestMesh BoxMesh(const TVector& c, float h);
