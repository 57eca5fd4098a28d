// Camera: zoom easing, view axes and matrix layout, frustum planes and sphere tests.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>

#include "actors/l_player.h"
#include "app/l_app.h"
#include "app/l_input.h"
#include "game/l_camera.h"
#include "support/test_env.h"

namespace {

TVector Apply(const TMatrix& m, const TVector& v) {
  TVector out;
  MatrixTransformPoint(m, v, out);
  return out;
}

class CameraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInput();
    camera = TCamera{};
    InitCamera(camera);
    player = TPlayer{};
  }
  void TearDown() override { ResetInput(); }
  TCamera camera;
  TPlayer player;
};

}  // namespace

TEST_F(CameraTest, ZoomEasesByATenth) {
  EXPECT_EQ(camera.FOV, 90);
  KeyPress(ZoomKey);
  UpdateCamera(camera);
  EXPECT_EQ(camera.TargetFOV, 20);
  EXPECT_NEAR(camera.FOV, 83.0f, 1e-4f);
  for (int i = 1; i < 10; ++i) UpdateCamera(camera);
  EXPECT_NEAR(camera.FOV, 20 + 70 * std::pow(0.9f, 10.0f), 1e-3f);
  EXPECT_NEAR(camera.FOV, 44.4f, 0.05f);
  for (int i = 0; i < 100; ++i) UpdateCamera(camera);
  EXPECT_GT(camera.FOV, 20.0f);
  EXPECT_LT(camera.FOV, 20.01f);
  KeyRelease(ZoomKey);
  UpdateCamera(camera);
  EXPECT_EQ(camera.TargetFOV, 90);
  EXPECT_NEAR(camera.FOV, 27.0f, 0.01f);
}

TEST_F(CameraTest, WithoutTargetOnlyTheZoomMoves) {
  camera.Eye = {1, 2, 3};
  UpdateCamera(camera);
  EXPECT_EQ(camera.Eye.x, 1);
  EXPECT_EQ(camera.View[15], 0);  // never built
}

TEST_F(CameraTest, LevelViewLooksAlongPlusX) {
  camera.Target = &player;
  UpdateCamera(camera);
  EXPECT_EQ(camera.Eye.x, 0);
  EXPECT_EQ(camera.Eye.y, 2);
  EXPECT_EQ(camera.Eye.z, 0);
  const TMatrix& v = camera.View;
  // Rows 0, 1, 2 are right, up and back.
  EXPECT_NEAR(v[0], 0, 1e-6f);
  EXPECT_NEAR(v[8], 1, 1e-6f);   // right = +z
  EXPECT_NEAR(v[5], 1, 1e-6f);   // up = +y
  EXPECT_NEAR(v[2], -1, 1e-6f);  // back = -x
  EXPECT_EQ(v[3], 0);
  EXPECT_EQ(v[7], 0);
  EXPECT_EQ(v[11], 0);
  EXPECT_EQ(v[15], 1);
  // A point 5 ahead at eye height lies on the eye's -z axis.
  TVector e = Apply(v, {5, 2, 0});
  EXPECT_NEAR(e.x, 0, 1e-5f);
  EXPECT_NEAR(e.y, 0, 1e-5f);
  EXPECT_NEAR(e.z, -5, 1e-5f);
  // And a point to the right (+z) appears at +x.
  e = Apply(v, {5, 2, 1});
  EXPECT_NEAR(e.x, 1, 1e-5f);
}

TEST_F(CameraTest, ViewFollowsPitchYawAndPosition) {
  camera.Target = &player;
  player.Position = {10, 3, -4};
  player.Pitch = 0.3f;
  player.Yaw = 1.1f;
  UpdateCamera(camera);
  EXPECT_EQ(camera.Angles[0], 0.3f);
  EXPECT_EQ(camera.Angles[1], 1.1f);
  TVector facing = {std::cos(0.3f) * std::cos(1.1f), std::sin(0.3f), std::cos(0.3f) * std::sin(1.1f)};
  TVector ahead = {10 + 7 * facing.x, 5 + 7 * facing.y, -4 + 7 * facing.z};
  TVector e = Apply(camera.View, ahead);
  EXPECT_NEAR(e.x, 0, 1e-4f);
  EXPECT_NEAR(e.y, 0, 1e-4f);
  EXPECT_NEAR(e.z, -7, 1e-4f);
  // The rotation part stays orthonormal with a roll as well.
  player.Roll = 0.2f;
  UpdateCamera(camera);
  const TMatrix& v = camera.View;
  for (int r = 0; r < 3; ++r) {
    float len = v[r] * v[r] + v[4 + r] * v[4 + r] + v[8 + r] * v[8 + r];
    EXPECT_NEAR(len, 1, 1e-5f);
  }
}

TEST_F(CameraTest, DegeneratePlanesRejectNothing) {
  camera.Target = &player;
  UpdateCamera(camera);  // Projection is still all zero
  EXPECT_TRUE(SphereInFrustum(camera, {-100, 0, 0}, 0));
  EXPECT_TRUE(SphereInFrustum(camera, {0, 1e6f, 0}, 1));
}

class CameraFrustum : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    ResetInput();
    InitCamera(camera);
    camera.Target = &player;
    player.Position = {0, 0, 0};
    CameraProjection(camera);
    UpdateCamera(camera);
  }
  // The point 50 ahead moved onto the given plane, then by 'outside' along its outer side.
  TVector OutsidePlane(int p, float outside) {
    const float* f = camera.Frustum[p];
    TVector q = {50, 2, 0};
    float dist = f[0] * q.x + f[1] * q.y + f[2] * q.z + f[3];
    float t = dist + outside;
    return {q.x - t * f[0], q.y - t * f[1], q.z - t * f[2]};
  }
  TCamera camera;
  TPlayer player;
};

TEST_F(CameraFrustum, ProjectionReadBackAndViewport) {
  EXPECT_NEAR(camera.Projection[5], 1.0f, 1e-5f);  // cot(45 degrees), read back from GL
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[2], ScreenWidth);
  EXPECT_EQ(vp[3], ScreenHeight);
}

TEST_F(CameraFrustum, PlanesAreNormalisedInOrder) {
  for (int p = 0; p < 4; ++p) {
    const float* f = camera.Frustum[p];
    EXPECT_NEAR(f[0] * f[0] + f[1] * f[1] + f[2] * f[2], 1, 1e-5f);
  }
  // Looking along +x with right = +z: the right plane faces -z side inwards.
  EXPECT_LT(camera.Frustum[0][2], 0);
  EXPECT_GT(camera.Frustum[1][2], 0);
  EXPECT_LT(camera.Frustum[2][1], 0);
  EXPECT_GT(camera.Frustum[3][1], 0);
}

TEST_F(CameraFrustum, StraddlingSphereVisibleOutsideOneNot) {
  EXPECT_TRUE(SphereInFrustum(camera, OutsidePlane(1, 0.5f), 1));
  EXPECT_FALSE(SphereInFrustum(camera, OutsidePlane(1, 1.5f), 1));
  for (int p = 0; p < 4; ++p) {
    EXPECT_TRUE(SphereInFrustum(camera, OutsidePlane(p, 0.99f), 1)) << p;
    EXPECT_FALSE(SphereInFrustum(camera, OutsidePlane(p, 1.01f), 1)) << p;
  }
}

TEST_F(CameraFrustum, NoNearOrFarPlane) {
  EXPECT_TRUE(SphereInFrustum(camera, {0.05f, 2, 0}, 0.01f));  // nearer than 0.1
  EXPECT_TRUE(SphereInFrustum(camera, {2000, 2, 0}, 1));       // beyond 512
  EXPECT_FALSE(SphereInFrustum(camera, {-20, 2, 0}, 1));       // behind the eye
}

TEST_F(CameraFrustum, FovChangeReachesPlanesOneFrameLater) {
  float before = camera.Frustum[1][2];
  KeyPress(ZoomKey);
  UpdateCamera(camera);
  EXPECT_FLOAT_EQ(camera.Frustum[1][2], before);
  CameraProjection(camera);
  UpdateCamera(camera);
  EXPECT_GT(camera.Frustum[1][2], before);  // narrower view: the side plane turns inwards
  KeyRelease(ZoomKey);
}

TEST_F(CameraFrustum, LoadViewSetsTheModelview) {
  CameraLoadView(camera);
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(m[i], camera.View[i]);
}
