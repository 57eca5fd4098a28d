// Single-precision vectors, planes, quaternions and 4x4 matrices shared by every subsystem.
#pragma once
#include <cstdint>

struct TVector {
  float x, y, z;
};

struct TPlane {
  TVector normal;
  TVector point;
  float d;
};

struct TQuaternion {
  float x, y, z, w;
};

// Element (row r, column c) at index 4c + r: OpenGL's memory order.
struct TMatrix {
  float m[16];
  float& operator[](int i) { return m[i]; }
  float operator[](int i) const { return m[i]; }
};

// Index and texture-coordinate elements of the terrain and of both model formats.
struct TTriangle {
  uint16_t a, b, c;
};

struct TTexCoord {
  float u, v;
};

int Max(int a, int b);
float Max(float a, float b);
int Min(int a, int b);
float Min(float a, float b);
float ArcTan2(float y, float x);
float ArcCos(float x);

void VectorMake(float x, float y, float z, TVector& out);
TVector VectorMake(float x, float y, float z);
void VectorAdd(const TVector& a, const TVector& b, TVector& out);
void VectorSub(const TVector& a, const TVector& b, TVector& out);
void VectorScale(const TVector& v, float s, TVector& out);
float VectorDistSq(const TVector& a, const TVector& b);
float VectorLength(const TVector& v);
void VectorNormalize(const TVector& v, TVector& out);
float VectorDot(const TVector& a, const TVector& b);
// out must not alias a or b.
void VectorCross(const TVector& a, const TVector& b, TVector& out);
float VectorAngle(const TVector& a, const TVector& b);

void TriangleNormal(const TVector& a, const TVector& b, const TVector& c, TVector& out);
void PlaneFromPoints(const TVector& a, const TVector& b, const TVector& c, TPlane& out);

void MatrixIdentity(TMatrix& out);
void QuatToMatrix(const TQuaternion& q, TMatrix& out);
void MatrixTransformPoint(const TMatrix& m, const TVector& v, TVector& out);
// out must not alias a or b. In column-vector terms the result is b * a.
void MatrixMultiply(const TMatrix& a, const TMatrix& b, TMatrix& out);
void MatrixFromAxisAngle(const TVector& axis, float angle, TMatrix& out);
