// Building blocks of the generated models: closed primitive shapes and the ZRM1/ZRM2 writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "math/l_math.h"

// One rigid part: triangles wound counter-clockwise seen from outside, so the loaders'
// face normals point outwards.
struct TGenMesh {
  std::vector<TVector> Vertices;
  std::vector<TTriangle> Triangles;
  uint8_t Color[3] = {255, 255, 255};
};

// Placement of a ZRM1 part in one frame.
struct TGenKey {
  TVector Position = {0, 0, 0};
  TQuaternion Rotation = {0, 0, 0, 1};
};

// A right-handed frame: P x Q = U. Lathe profiles run along U, rings lie in the P-Q plane.
struct TGenFrame {
  TVector Origin = {0, 0, 0};
  TVector P = {1, 0, 0};
  TVector Q = {0, 1, 0};
  TVector U = {0, 0, 1};
};

// Frame whose U points from a to b, with P and Q chosen to complete it.
TGenFrame FrameAlong(const TVector& a, const TVector& b);

// Surface of revolution: profile points (radius, height along U) in increasing height.
// A radius of 0 at either end closes the surface with a pole; otherwise the end gets a
// flat cap of its own vertices (a hard edge).
struct TProfilePoint {
  float Radius, Height;
};
void AddLathe(TGenMesh& m, const TGenFrame& f, const std::vector<TProfilePoint>& profile, int segments,
              float phase = 0);

// Capped cylinder (or cone frustum) from a to b.
void AddCylinder(TGenMesh& m, const TVector& a, const TVector& b, float ra, float rb, int segments,
                 float phase = 0);
void AddEllipsoid(TGenMesh& m, const TVector& centre, const TVector& radii, int slices, int stacks);
// Axis-aligned box with flat faces.
void AddBox(TGenMesh& m, const TVector& lo, const TVector& hi);
// Tube swept along a polyline, radius per point, with flat end caps.
void AddTube(TGenMesh& m, const std::vector<TVector>& path, const std::vector<float>& radii, int sides);

// Moves the vertices from index `first` on by rotation `r` (applied first) and then `t`.
void TransformVertices(TGenMesh& m, size_t first, const TMatrix& r, const TVector& t);

TQuaternion QuatAxisAngle(const TVector& axis, float angle);
TQuaternion QuatMultiply(const TQuaternion& a, const TQuaternion& b);  // a after b

// File images. ZRM1 stores vertices and key positions ten times larger than they load.
std::vector<uint8_t> WriteZrm1(const std::vector<TGenMesh>& meshes,
                               const std::vector<std::vector<TGenKey>>& keys);
std::vector<uint8_t> WriteZrm2(const std::vector<TGenMesh>& meshes);

// The three models of the data set.
std::vector<uint8_t> MakeSpiderModel();
std::vector<uint8_t> MakeGunModel();
std::vector<uint8_t> MakeZenitModel();
