// The first-person camera: view matrix, zoom easing, frustum planes, projection, listener.
#include "game/l_camera.h"

#include "platform/p_gl.h"

#include <cmath>

#include "actors/l_player.h"
#include "app/l_app.h"
#include "app/l_input.h"
#include "audio/l_sound.h"
#include "render/l_gl.h"

static constexpr float Pi = 3.14159265358979f;

void InitCamera(TCamera& camera) {
  camera.FOV = 90;
  camera.TargetFOV = 90;
}

void UpdateCamera(TCamera& camera) {
  camera.TargetFOV = IsKeyDown(ZoomKey) ? 20.0f : 90.0f;
  camera.FOV = camera.FOV + (camera.TargetFOV - camera.FOV) / 10;
  if (!camera.Target) return;
  const TPlayer& t = *camera.Target;
  camera.Angles[0] = t.Pitch;
  camera.Angles[1] = t.Yaw;
  camera.Angles[2] = t.Roll;
  camera.Eye = {t.Position.x, t.Position.y + 2, t.Position.z};

  float p = t.Pitch, y = t.Yaw + Pi, r = t.Roll;
  float sp = std::sin(p), cp = std::cos(p);
  float sy = std::sin(y), cy = std::cos(y);
  float sr = std::sin(r), cr = std::cos(r);
  TVector a = {sy * cr + sp * cy * sr, cp * sr, sp * sy * sr - cr * cy};
  TVector b = {sp * cy * cr - sy * sr, cp * cr, sp * sy * cr + cy * sr};
  TVector c = {cp * cy, -sp, cp * sy};

  TMatrix& v = camera.View;
  v[0] = a.x, v[4] = a.y, v[8] = a.z;
  v[1] = b.x, v[5] = b.y, v[9] = b.z;
  v[2] = c.x, v[6] = c.y, v[10] = c.z;
  v[3] = v[7] = v[11] = 0;
  v[12] = -VectorDot(a, camera.Eye);
  v[13] = -VectorDot(b, camera.Eye);
  v[14] = -VectorDot(c, camera.Eye);
  v[15] = 1;

  UpdateFrustum(camera);

  // The sound module works in the opposite handedness and expects the negated up axis.
  SetListenerOrientation({-c.x, -c.y, -c.z}, {-b.x, -b.y, -b.z});
  SetListenerPosition(camera.Eye);
}

void UpdateFrustum(TCamera& camera) {
  TMatrix m;
  MatrixMultiply(camera.View, camera.Projection, m);
  const float sign[4] = {-1, 1, -1, 1};
  const int row[4] = {0, 0, 1, 1};
  for (int p = 0; p < 4; ++p) {
    float* f = camera.Frustum[p];
    for (int col = 0; col < 4; ++col) f[col] = m[4 * col + 3] + sign[p] * m[4 * col + row[p]];
    float len = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    if (len == 0 || !std::isfinite(len)) {
      // Before the first projection the planes are degenerate and must reject nothing.
      f[0] = f[1] = f[2] = f[3] = 0;
      continue;
    }
    float s = 1.0f / len;
    for (int i = 0; i < 4; ++i) f[i] *= s;
  }
}

bool SphereInFrustum(const TCamera& camera, const TVector& centre, float radius) {
  for (int p = 0; p < 4; ++p) {
    const float* f = camera.Frustum[p];
    if (f[0] == 0 && f[1] == 0 && f[2] == 0) continue;
    if (f[0] * centre.x + f[1] * centre.y + f[2] * centre.z + f[3] < -radius) return false;
  }
  return true;
}

void CameraProjection(TCamera& camera) {
  SetPerspective(camera.FOV, 0.1f, 512.0f);
  glGetFloatv(GL_PROJECTION_MATRIX, camera.Projection.m);
  glViewport(0, 0, ScreenWidth, ScreenHeight);
}

void CameraLoadView(const TCamera& camera) { glLoadMatrixf(camera.View.m); }
