// Vector, plane and matrix operations; pure functions, single precision throughout.
#include "math/l_math.h"

#include <cmath>

int Max(int a, int b) { return b < a ? a : b; }
float Max(float a, float b) { return a > b ? a : b; }
int Min(int a, int b) { return a < b ? a : b; }
float Min(float a, float b) { return a < b ? a : b; }

float ArcTan2(float y, float x) { return std::atan2(y, x); }

float ArcCos(float x) {
  if (std::fabs(x) > 1.0f) return 0.0f;
  float s = std::sqrt(1.0f - x * x);
  return ArcTan2(s, x);
}

void VectorMake(float x, float y, float z, TVector& out) { out = {x, y, z}; }
TVector VectorMake(float x, float y, float z) { return {x, y, z}; }

void VectorAdd(const TVector& a, const TVector& b, TVector& out) {
  out = {a.x + b.x, a.y + b.y, a.z + b.z};
}

void VectorSub(const TVector& a, const TVector& b, TVector& out) {
  out = {a.x - b.x, a.y - b.y, a.z - b.z};
}

void VectorScale(const TVector& v, float s, TVector& out) { out = {v.x * s, v.y * s, v.z * s}; }

float VectorDistSq(const TVector& a, const TVector& b) {
  float dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
  return dx * dx + dy * dy + dz * dz;
}

float VectorLength(const TVector& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

void VectorNormalize(const TVector& v, TVector& out) {
  float len = VectorLength(v);
  if (len == 0.0f) {
    out = v;
    return;
  }
  // One reciprocal and three multiplications, so results match bit for bit.
  float r = 1.0f / len;
  VectorScale(v, r, out);
}

float VectorDot(const TVector& a, const TVector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

void VectorCross(const TVector& a, const TVector& b, TVector& out) {
  out.x = a.y * b.z - a.z * b.y;
  out.y = a.z * b.x - a.x * b.z;
  out.z = a.x * b.y - a.y * b.x;
}

float VectorAngle(const TVector& a, const TVector& b) {
  TVector na, nb;
  VectorNormalize(a, na);
  VectorNormalize(b, nb);
  return ArcCos(VectorDot(na, nb));
}

void TriangleNormal(const TVector& a, const TVector& b, const TVector& c, TVector& out) {
  TVector ab, bc, n;
  VectorSub(b, a, ab);
  VectorSub(c, b, bc);
  VectorCross(ab, bc, n);
  VectorNormalize(n, out);
}

void PlaneFromPoints(const TVector& a, const TVector& b, const TVector& c, TPlane& out) {
  TVector n;
  TriangleNormal(a, b, c, n);
  out.normal = n;
  out.point = a;
  out.d = -VectorDot(n, a);
}

void MatrixIdentity(TMatrix& out) {
  for (int i = 0; i < 16; ++i) out.m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void QuatToMatrix(const TQuaternion& q, TMatrix& out) {
  float x2 = q.x + q.x, y2 = q.y + q.y, z2 = q.z + q.z;
  float xx = q.x * x2, xy = q.x * y2, xz = q.x * z2;
  float yy = q.y * y2, yz = q.y * z2, zz = q.z * z2;
  float wx = q.w * x2, wy = q.w * y2, wz = q.w * z2;
  TMatrix& m = out;
  m[0] = 1.0f - (yy + zz);
  m[1] = xy + wz;
  m[2] = xz - wy;
  m[4] = xy - wz;
  m[5] = 1.0f - (xx + zz);
  m[6] = yz + wx;
  m[8] = xz + wy;
  m[9] = yz - wx;
  m[10] = 1.0f - (xx + yy);
  m[3] = m[7] = m[11] = m[12] = m[13] = m[14] = 0.0f;
  m[15] = 1.0f;
}

void MatrixTransformPoint(const TMatrix& m, const TVector& v, TVector& out) {
  TVector p = v;
  out.x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
  out.y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
  out.z = m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14];
}

void MatrixMultiply(const TMatrix& a, const TMatrix& b, TMatrix& out) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      out[4 * i + j] = a[4 * i] * b[j] + a[4 * i + 1] * b[4 + j] + a[4 * i + 2] * b[8 + j] +
                       a[4 * i + 3] * b[12 + j];
}

// Arguments beyond the x87 reduction range gave 0 for both sine and cosine on the
// original hardware; keep that rather than whatever libm returns there.
static void SinCos(float angle, float& s, float& c) {
  if (std::fabs(angle) >= 9.2233720368547758e18f || !std::isfinite(angle)) {
    s = 0.0f;
    c = 0.0f;
    return;
  }
  s = std::sin(angle);
  c = std::cos(angle);
}

void MatrixFromAxisAngle(const TVector& axis, float angle, TMatrix& out) {
  float s, c;
  SinCos(angle, s, c);
  float t = 1.0f - c;
  float x = axis.x, y = axis.y, z = axis.z;
  TMatrix& m = out;
  m[0] = t * x * x + c;
  m[1] = t * x * y - z * s;
  m[2] = t * z * x + y * s;
  m[3] = 0.0f;
  m[4] = t * x * y + z * s;
  m[5] = t * y * y + c;
  m[6] = t * y * z - x * s;
  m[7] = 0.0f;
  m[8] = t * z * x - y * s;
  m[9] = t * y * z + x * s;
  m[10] = t * z * z + c;
  m[11] = 0.0f;
  m[12] = m[13] = m[14] = 0.0f;
  m[15] = 1.0f;
}
