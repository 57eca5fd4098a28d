// Vector, plane and matrix math: exact values and the documented edge behaviour.
#include <gtest/gtest.h>

#include <cmath>

#include "math/l_math.h"

static const float kPi = 3.14159265358979f;

TEST(Scalars, MaxMinAndTiesReturnSecond) {
  EXPECT_EQ(Max(3, 3), 3);
  EXPECT_EQ(Min(3, 3), 3);
  EXPECT_EQ(Max(2, 5), 5);
  EXPECT_EQ(Min(2, 5), 2);
  // With equal singles the second argument comes back: visible with signed zeros.
  EXPECT_TRUE(std::signbit(Max(0.0f, -0.0f)));
  EXPECT_TRUE(std::signbit(Min(0.0f, -0.0f)));
  EXPECT_FLOAT_EQ(Max(1.5f, -2.0f), 1.5f);
}

TEST(Scalars, ArcCosClampsToZeroOutsideDomain) {
  EXPECT_FLOAT_EQ(ArcCos(1.0f), 0.0f);
  EXPECT_NEAR(ArcCos(0.0f), kPi / 2, 1e-6);
  EXPECT_NEAR(ArcCos(-1.0f), kPi, 1e-6);
  EXPECT_EQ(ArcCos(1.5f), 0.0f);
  EXPECT_EQ(ArcCos(-1.5f), 0.0f);
  EXPECT_EQ(ArcCos(-1.0000001f), 0.0f);
  EXPECT_NEAR(ArcTan2(1.0f, -1.0f), 3 * kPi / 4, 1e-6);
}

TEST(Vectors, NormalizeZeroAndExact) {
  TVector z{0, 0, 0}, out;
  VectorNormalize(z, out);
  EXPECT_EQ(out.x, 0.0f);
  EXPECT_EQ(out.y, 0.0f);
  EXPECT_EQ(out.z, 0.0f);
  VectorNormalize(TVector{3, 0, 4}, out);
  EXPECT_FLOAT_EQ(out.x, 0.6f);
  EXPECT_FLOAT_EQ(out.z, 0.8f);
  // Aliasing output and input is allowed.
  TVector v{0, 5, 0};
  VectorNormalize(v, v);
  EXPECT_FLOAT_EQ(v.y, 1.0f);
  VectorAdd(v, v, v);
  EXPECT_FLOAT_EQ(v.y, 2.0f);
}

TEST(Vectors, AngleWithZeroVectorIsRightAngle) {
  EXPECT_NEAR(VectorAngle(TVector{1, 0, 0}, TVector{0, 0, 0}), kPi / 2, 1e-6);
  EXPECT_NEAR(VectorAngle(TVector{1, 0, 0}, TVector{0, 3, 0}), kPi / 2, 1e-6);
  EXPECT_NEAR(VectorAngle(TVector{2, 0, 0}, TVector{1, 0, 0}), 0.0f, 1e-6);
}

TEST(Vectors, DotCrossDistance) {
  TVector c;
  VectorCross(TVector{1, 0, 0}, TVector{0, 1, 0}, c);
  EXPECT_FLOAT_EQ(c.z, 1.0f);
  EXPECT_FLOAT_EQ(VectorDot(TVector{1, 2, 3}, TVector{4, 5, 6}), 32.0f);
  EXPECT_FLOAT_EQ(VectorDistSq(TVector{1, 1, 1}, TVector{2, 3, 4}), 14.0f);
  EXPECT_FLOAT_EQ(VectorLength(TVector{2, 3, 6}), 7.0f);
}

TEST(Planes, TriangleNormalPointsUpForTerrainWinding) {
  TVector n;
  TriangleNormal(TVector{0, 0, 2}, TVector{2, 0, 0}, TVector{0, 0, 0}, n);
  EXPECT_FLOAT_EQ(n.x, 0.0f);
  EXPECT_FLOAT_EQ(n.y, 1.0f);
  EXPECT_FLOAT_EQ(n.z, 0.0f);
}

TEST(Planes, DegenerateTriangleGivesZeroPlane) {
  TPlane p;
  TVector a{1, 2, 3};
  PlaneFromPoints(a, a, a, p);
  EXPECT_EQ(p.normal.x, 0.0f);
  EXPECT_EQ(p.normal.y, 0.0f);
  EXPECT_EQ(p.normal.z, 0.0f);
  EXPECT_EQ(p.point.y, 2.0f);
  EXPECT_EQ(p.d, 0.0f);
  PlaneFromPoints(TVector{0, 5, 2}, TVector{2, 5, 0}, TVector{0, 5, 0}, p);
  EXPECT_FLOAT_EQ(p.d, -5.0f);
}

TEST(Matrices, MultiplyByIdentityAndTranslation) {
  TMatrix id, a, out;
  MatrixIdentity(id);
  for (int i = 0; i < 16; ++i) a[i] = static_cast<float>(i + 1);
  MatrixMultiply(id, a, out);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], a[i]);
  MatrixMultiply(a, id, out);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], a[i]);
  TMatrix t = id;
  t[12] = 1;
  t[13] = 2;
  t[14] = 3;
  TVector p;
  MatrixTransformPoint(t, TVector{0, 0, 0}, p);
  EXPECT_EQ(p.x, 1.0f);
  EXPECT_EQ(p.y, 2.0f);
  EXPECT_EQ(p.z, 3.0f);
}

TEST(Matrices, MultiplyAppliesFirstOperandFirst) {
  // A translates by +x, B scales by 2: B*A applied to the origin gives (2, 0, 0).
  TMatrix a, b, c;
  MatrixIdentity(a);
  MatrixIdentity(b);
  a[12] = 1;
  b[0] = b[5] = b[10] = 2;
  MatrixMultiply(a, b, c);
  TVector p;
  MatrixTransformPoint(c, TVector{0, 0, 0}, p);
  EXPECT_FLOAT_EQ(p.x, 2.0f);
}

TEST(Matrices, QuaternionAndAxisAngle) {
  TMatrix m;
  QuatToMatrix(TQuaternion{0, 0, 0, 1}, m);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f);
  MatrixFromAxisAngle(TVector{0, 1, 0}, kPi / 2, m);
  EXPECT_NEAR(m[2], 1.0f, 1e-6);
  EXPECT_NEAR(m[8], -1.0f, 1e-6);
  EXPECT_NEAR(m[0], 0.0f, 1e-6);
  EXPECT_EQ(m[15], 1.0f);
  MatrixFromAxisAngle(TVector{0, 1, 0}, 1e19f, m);
  // Beyond the reduction range sine and cosine are 0, so t = 1.
  EXPECT_EQ(m[0], 0.0f);
  EXPECT_EQ(m[5], 1.0f);
  EXPECT_EQ(m[2], 0.0f);
}
