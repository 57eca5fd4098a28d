// Vector, plane and matrix math: exact values and the documented edge behaviour.
#include <gtest/gtest.h>

#include <cmath>

#include "math/l_math.h"

static const float kPi = 3.14159265358979f;

static void ExpectVector(const TVector& v, float x, float y, float z) {
  EXPECT_TRUE(std::fabs(v.x - x) < 1e-6f && std::fabs(v.y - y) < 1e-6f && std::fabs(v.z - z) < 1e-6f);
}

TEST(Scalars, MaxMinTiesReturnSecondAndArcCosClampsToZeroOutsideDomain) {
  EXPECT_EQ(std::tuple(Max(2, 5), Min(2, 5), Max(1.5f, -2.0f)), std::tuple(5, 2, 1.5f));
  // With equal singles the second argument comes back: visible with signed zeros.
  EXPECT_TRUE(std::signbit(Max(0.0f, -0.0f)) && std::signbit(Min(0.0f, -0.0f)));
  EXPECT_FLOAT_EQ(ArcCos(1.0f), 0.0f);
  EXPECT_NEAR(ArcCos(-1.0f), kPi, 1e-6);
  for (float outside : {1.5f, -1.0000001f}) EXPECT_EQ(ArcCos(outside), 0.0f) << outside;
  EXPECT_NEAR(ArcTan2(1.0f, -1.0f), 3 * kPi / 4, 1e-6);
}

TEST(Vectors, NormalizeAngleDotCrossDistance) {
  TVector out, v{0, 5, 0};
  VectorNormalize(TVector{0, 0, 0}, out), ExpectVector(out, 0, 0, 0);
  VectorNormalize(TVector{3, 0, 4}, out), ExpectVector(out, 0.6f, 0, 0.8f);
  VectorNormalize(v, v), VectorAdd(v, v, v);  // aliasing output and input is allowed
  EXPECT_FLOAT_EQ(v.y, 2.0f);
  // The angle with a zero vector is a right angle.
  EXPECT_NEAR(VectorAngle(TVector{1, 0, 0}, TVector{0, 0, 0}), kPi / 2, 1e-6);
  EXPECT_NEAR(VectorAngle(TVector{2, 0, 0}, TVector{1, 0, 0}), 0.0f, 1e-6);
  VectorCross(TVector{1, 2, 3}, TVector{4, 5, 6}, out), ExpectVector(out, -3, 6, -3);
  EXPECT_FLOAT_EQ(VectorDot(TVector{1, 2, 3}, TVector{4, 5, 6}), 32.0f);
  EXPECT_FLOAT_EQ(VectorDistSq(TVector{1, 1, 1}, TVector{2, 3, 4}), 14.0f);
  EXPECT_FLOAT_EQ(VectorLength(TVector{2, 3, 6}), 7.0f);
}

TEST(Planes, TerrainWindingPointsUpAndADegenerateTriangleGivesAZeroPlane) {
  TVector n, a{1, 2, 3};
  TriangleNormal(TVector{0, 0, 2}, TVector{2, 0, 0}, TVector{0, 0, 0}, n), ExpectVector(n, 0, 1, 0);
  TPlane p;
  PlaneFromPoints(a, a, a, p), ExpectVector(p.normal, 0, 0, 0);
  EXPECT_EQ(std::pair(p.point.y, p.d), std::pair(2.0f, 0.0f));
  EXPECT_FLOAT_EQ((PlaneFromPoints(TVector{0, 5, 2}, TVector{2, 5, 0}, TVector{0, 5, 0}, p), p.d), -5.0f);
}

TEST(Matrices, MultiplyAppliesFirstOperandFirstQuaternionAndAxisAngle) {
  TMatrix id, a, out, t, s, m;
  MatrixIdentity(id);
  for (int i = 0; i < 16; ++i) a[i] = static_cast<float>(i + 1);
  MatrixMultiply(id, a, out);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], a[i]) << i;
  // T translates by (1, 2, 3), S scales by 2: T then S takes the origin to (2, 4, 6).
  t = s = id;
  t[12] = 1, t[13] = 2, t[14] = 3, s[0] = s[5] = s[10] = 2;
  TVector v;
  MatrixTransformPoint(t, TVector{0, 0, 0}, v), ExpectVector(v, 1, 2, 3);
  MatrixMultiply(t, s, out), MatrixTransformPoint(out, TVector{0, 0, 0}, v), ExpectVector(v, 2, 4, 6);
  QuatToMatrix(TQuaternion{0, 0, 0, 1}, m);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
  m[15] = 0, MatrixFromAxisAngle(TVector{0, 1, 0}, kPi / 2, m);  // m[15] set, not left from before
  EXPECT_TRUE(std::fabs(m[2] - 1) < 1e-6 && std::fabs(m[8] + 1) < 1e-6 && std::fabs(m[0]) < 1e-6 && m[15] == 1.0f);
  MatrixFromAxisAngle(TVector{0, 1, 0}, 1e19f, m);
  // Beyond the reduction range sine and cosine are 0, so t = 1.
  EXPECT_EQ(std::tuple(m[0], m[5], m[2]), std::tuple(0.0f, 1.0f, 0.0f));
}
