// First-person camera: view matrix from the player's eye, zoom, frustum and projection.
#pragma once
#include <cstdint>

#include "math/l_math.h"

struct TPlayer;

struct TCamera {
  float Angles[3] = {0, 0, 0};  // target's Pitch, Yaw, Roll at the last step
  float FOV = 0;                // vertical, degrees
  float TargetFOV = 0;
  TVector Eye = {0, 0, 0};
  TMatrix View = {};        // world to eye, column order
  TMatrix Projection = {};  // read back at the last CameraProjection
  TPlayer* Target = nullptr;
  float Frustum[4][4] = {};  // right, left, top, bottom: unit normal a, b, c and offset d
};

// Held for zoom (the key-state code of Q).
constexpr uint8_t ZoomKey = 81;

void InitCamera(TCamera& camera);
void UpdateCamera(TCamera& camera);
void UpdateFrustum(TCamera& camera);
// A sphere straddling a plane counts as visible; a plane of zero normal rejects nothing.
bool SphereInFrustum(const TCamera& camera, const TVector& centre, float radius);
void CameraProjection(TCamera& camera);
void CameraLoadView(const TCamera& camera);
