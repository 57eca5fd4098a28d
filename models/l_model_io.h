// Bounds-checked little-endian reader over a model file held in memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "math/l_math.h"

class TModelReader {
 public:
  TModelReader(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
  size_t Left() const { return size_ - pos_; }
  bool Bytes(void* out, size_t n) {
    if (n > Left()) return false;
    if (n) std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return true;
  }
  bool U8(uint8_t& v) { return Bytes(&v, 1); }
  bool I32(int32_t& v) {
    uint8_t b[4];
    if (!Bytes(b, 4)) return false;
    v = static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                             uint32_t(b[3]) << 24);
    return true;
  }
  bool F32(float& v) {
    int32_t i;
    if (!I32(i)) return false;
    std::memcpy(&v, &i, 4);
    return true;
  }
  bool U16(uint16_t& v) {
    uint8_t b[2];
    if (!Bytes(b, 2)) return false;
    v = static_cast<uint16_t>(b[0] | b[1] << 8);
    return true;
  }
  bool Vector(TVector& v) { return F32(v.x) && F32(v.y) && F32(v.z); }
  bool Triangle(TTriangle& t) { return U16(t.a) && U16(t.b) && U16(t.c); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};
