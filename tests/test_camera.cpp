// Camera: zoom easing, view axes and matrix layout, frustum planes and sphere tests.

#include "actors/l_player.h"
#include "app/l_input.h"
#include "game/l_camera.h"
#include "support/test_env.h"

namespace {

TVector Apply(const TMatrix& m, const TVector& v) {
  TVector out;
  return MatrixTransformPoint(m, v, out), out;
}

// A camera on a player at the origin looking along +x; GL for the projection the frustum planes need.
class CameraTest : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp(), ResetInput(), InitCamera(camera);
    camera.Target = &player;
  }
  void TearDown() override { ResetInput(); }
  TCamera camera;
  TPlayer player;
};

class CameraFrustum : public CameraTest {
 protected:
  void SetUp() override {
    CameraTest::SetUp(), CameraProjection(camera), UpdateCamera(camera);
  }
  // The point 50 ahead moved onto the given plane, then by 'outside' along its outer side.
  TVector OutsidePlane(int p, float outside) {
    const float* f = camera.Frustum[p];
    TVector q = {50, 2, 0};
    float t = f[0] * q.x + f[1] * q.y + f[2] * q.z + f[3] + outside;
    return {q.x - t * f[0], q.y - t * f[1], q.z - t * f[2]};
  }
};

}  // namespace

TEST_F(CameraTest, ZoomEasesByATenth) {
  KeyPress(ZoomKey), UpdateCamera(camera);
  EXPECT_NEAR(camera.FOV, 83.0f, 1e-4f);  // from 90 a tenth of the way to 20
  for (int i = 1; i < 110; ++i) UpdateCamera(camera);
  EXPECT_TRUE(camera.FOV > 20.0f && camera.FOV < 20.01f) << camera.FOV;
  KeyRelease(ZoomKey), UpdateCamera(camera);
  EXPECT_NEAR(camera.FOV, 27.0f, 0.01f);
}

TEST_F(CameraTest, LevelViewLooksAlongPlusX) {
  UpdateCamera(camera);
  EXPECT_EQ(VectorDistSq(camera.Eye, {0, 2, 0}), 0.0f);
  // Rows 0, 1, 2 are right (+z), up and back (-x): a point 5 ahead at eye height lies on
  // the eye's -z axis, one to its right at +x, one above it at +y.
  const TVector points[][2] = {{{5, 2, 0}, {0, 0, -5}}, {{5, 2, 1}, {1, 0, -5}}, {{5, 3, 0}, {0, 1, -5}}};
  for (const auto& p : points) EXPECT_NEAR(VectorDistSq(Apply(camera.View, p[0]), p[1]), 0, 1e-10f);
}

TEST_F(CameraTest, ViewFollowsPitchYawAndPosition) {
  player.Position = {10, 3, -4}, player.Pitch = 0.3f, player.Yaw = 1.1f, UpdateCamera(camera);
  TVector facing = {std::cos(0.3f) * std::cos(1.1f), std::sin(0.3f), std::cos(0.3f) * std::sin(1.1f)};
  TVector ahead = {10 + 7 * facing.x, 5 + 7 * facing.y, -4 + 7 * facing.z};
  EXPECT_NEAR(VectorDistSq(Apply(camera.View, ahead), {0, 0, -7}), 0, 1e-8f);
  // The rotation stays orthonormal with a roll as well.
  player.Roll = 0.2f, UpdateCamera(camera);
  const TMatrix& v = camera.View;
  for (int r = 0; r < 3; ++r) EXPECT_NEAR(v[r] * v[r] + v[4 + r] * v[4 + r] + v[8 + r] * v[8 + r], 1, 1e-5f);
}

// The distances are in world units: this holds for normalised planes only.
TEST_F(CameraFrustum, StraddlingSphereVisibleOutsideOneNot) {
  for (int p = 0; p < 4; ++p) {
    EXPECT_TRUE(SphereInFrustum(camera, OutsidePlane(p, 0.99f), 1)) << p;
    EXPECT_FALSE(SphereInFrustum(camera, OutsidePlane(p, 1.01f), 1)) << p;
  }
}

TEST_F(CameraFrustum, EachSideCullsButThereIsNoNearOrFarPlane) {
  EXPECT_TRUE(SphereInFrustum(camera, {0.05f, 2, 0}, 0.01f));  // nearer than 0.1
  EXPECT_TRUE(SphereInFrustum(camera, {2000, 2, 0}, 1));       // beyond 512
  EXPECT_FALSE(SphereInFrustum(camera, {-20, 2, 0}, 1));       // behind the eye
}

TEST_F(CameraFrustum, FovChangeReachesPlanesOneFrameLater) {
  float before = camera.Frustum[1][2];
  KeyPress(ZoomKey), UpdateCamera(camera);
  EXPECT_FLOAT_EQ(camera.Frustum[1][2], before);
  CameraProjection(camera), UpdateCamera(camera);
  EXPECT_GT(camera.Frustum[1][2], before);  // narrower view: the side plane turns inwards
  KeyRelease(ZoomKey);
}
