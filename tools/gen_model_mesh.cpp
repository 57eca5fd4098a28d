// Primitive shapes for the generated models and the writers of both model file formats.
#include "gen_model_mesh.h"

#include <cmath>
#include <cstring>

static constexpr float Pi = 3.14159265358979f;

static TVector Add(const TVector& a, const TVector& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
static TVector Sub(const TVector& a, const TVector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
static TVector Mul(const TVector& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
static TVector Cross(const TVector& a, const TVector& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
static TVector Unit(const TVector& v) {
  TVector out;
  VectorNormalize(v, out);
  return out;
}

static uint16_t Index(const TGenMesh& m) { return static_cast<uint16_t>(m.Vertices.size()); }
static void Tri(TGenMesh& m, int a, int b, int c) {
  m.Triangles.push_back({static_cast<uint16_t>(a), static_cast<uint16_t>(b), static_cast<uint16_t>(c)});
}

TGenFrame FrameAlong(const TVector& a, const TVector& b) {
  TGenFrame f;
  f.Origin = a;
  f.U = Unit(Sub(b, a));
  TVector helper = std::fabs(f.U.y) < 0.9f ? TVector{0, 1, 0} : TVector{1, 0, 0};
  f.P = Unit(Cross(helper, f.U));
  f.Q = Cross(f.U, f.P);
  return f;
}

static TVector RingPoint(const TGenFrame& f, float r, float h, float angle) {
  TVector p = Add(f.Origin, Mul(f.U, h));
  return Add(p, Add(Mul(f.P, r * std::cos(angle)), Mul(f.Q, r * std::sin(angle))));
}

// Side quads between two rings of `segments` vertices, the second one further along U.
static void Band(TGenMesh& m, int r0, int r1, int segments) {
  for (int k = 0; k < segments; ++k) {
    int k1 = (k + 1) % segments;
    Tri(m, r0 + k, r0 + k1, r1 + k1);
    Tri(m, r0 + k, r1 + k1, r1 + k);
  }
}

// Flat disc of its own vertices facing +U (up) or -U.
static void Cap(TGenMesh& m, const TGenFrame& f, float r, float h, int segments, float phase, bool up) {
  int c = Index(m);
  m.Vertices.push_back(Add(f.Origin, Mul(f.U, h)));
  for (int k = 0; k < segments; ++k) m.Vertices.push_back(RingPoint(f, r, h, phase + 2 * Pi * k / segments));
  for (int k = 0; k < segments; ++k) {
    int a = c + 1 + k, b = c + 1 + (k + 1) % segments;
    if (up)
      Tri(m, c, a, b);
    else
      Tri(m, c, b, a);
  }
}

void AddLathe(TGenMesh& m, const TGenFrame& f, const std::vector<TProfilePoint>& profile, int segments,
              float phase) {
  const int n = static_cast<int>(profile.size());
  if (n < 2) return;
  std::vector<int> ring(n);  // first vertex of each ring, or the pole vertex
  for (int i = 0; i < n; ++i) {
    ring[i] = Index(m);
    const TProfilePoint& p = profile[i];
    bool pole = p.Radius == 0 && (i == 0 || i == n - 1);
    if (pole) {
      m.Vertices.push_back(Add(f.Origin, Mul(f.U, p.Height)));
      continue;
    }
    for (int k = 0; k < segments; ++k)
      m.Vertices.push_back(RingPoint(f, p.Radius, p.Height, phase + 2 * Pi * k / segments));
  }
  for (int i = 0; i + 1 < n; ++i) {
    bool pole0 = i == 0 && profile[0].Radius == 0;
    bool pole1 = i + 1 == n - 1 && profile[n - 1].Radius == 0;
    for (int k = 0; k < segments; ++k) {
      int k1 = (k + 1) % segments;
      if (pole0)
        Tri(m, ring[0], ring[1] + k1, ring[1] + k);
      else if (pole1)
        Tri(m, ring[i] + k, ring[i] + k1, ring[n - 1]);
      else {
        Tri(m, ring[i] + k, ring[i] + k1, ring[i + 1] + k1);
        Tri(m, ring[i] + k, ring[i + 1] + k1, ring[i + 1] + k);
      }
    }
  }
  if (profile[0].Radius > 0) Cap(m, f, profile[0].Radius, profile[0].Height, segments, phase, false);
  if (profile[n - 1].Radius > 0) Cap(m, f, profile[n - 1].Radius, profile[n - 1].Height, segments, phase, true);
}

void AddCylinder(TGenMesh& m, const TVector& a, const TVector& b, float ra, float rb, int segments,
                 float phase) {
  TGenFrame f = FrameAlong(a, b);
  float len = VectorLength(Sub(b, a));
  AddLathe(m, f, {{ra, 0}, {rb, len}}, segments, phase);
}

void AddEllipsoid(TGenMesh& m, const TVector& centre, const TVector& radii, int slices, int stacks) {
  // A unit sphere about +y (P = z, Q = x, so P x Q = y), then stretched: a positive
  // scale keeps the winding.
  TGenFrame f;
  f.P = {0, 0, 1};
  f.Q = {1, 0, 0};
  f.U = {0, 1, 0};
  std::vector<TProfilePoint> profile;
  for (int i = 0; i <= stacks; ++i) {
    float phi = -Pi / 2 + Pi * i / stacks;
    float r = i == 0 || i == stacks ? 0.0f : std::cos(phi);
    profile.push_back({r, std::sin(phi)});
  }
  size_t first = m.Vertices.size();
  AddLathe(m, f, profile, slices);
  for (size_t i = first; i < m.Vertices.size(); ++i) {
    TVector& v = m.Vertices[i];
    v = {centre.x + v.x * radii.x, centre.y + v.y * radii.y, centre.z + v.z * radii.z};
  }
}

void AddBox(TGenMesh& m, const TVector& lo, const TVector& hi) {
  const float l[3] = {lo.x, lo.y, lo.z}, h[3] = {hi.x, hi.y, hi.z};
  const float corner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int n = 0; n < 3; ++n)
    for (int positive = 0; positive < 2; ++positive) {
      // Cyclic in-plane axes: e_s x e_t = e_n, so the corners run counter-clockwise seen from +n.
      int s = (n + 1) % 3, t = (n + 2) % 3;
      int base = Index(m);
      for (const auto& c : corner) {
        float p[3];
        p[n] = positive ? h[n] : l[n];
        p[s] = c[0] ? h[s] : l[s];
        p[t] = c[1] ? h[t] : l[t];
        m.Vertices.push_back({p[0], p[1], p[2]});
      }
      if (positive) {
        Tri(m, base, base + 1, base + 2);
        Tri(m, base, base + 2, base + 3);
      } else {
        Tri(m, base, base + 2, base + 1);
        Tri(m, base, base + 3, base + 2);
      }
    }
}

void AddTube(TGenMesh& m, const std::vector<TVector>& path, const std::vector<float>& radii, int sides) {
  const size_t n = path.size();
  if (n < 2 || radii.size() != n) return;
  std::vector<TVector> tangent(n), normal(n), binormal(n);
  for (size_t i = 0; i < n; ++i) {
    TVector d = i == 0 ? Sub(path[1], path[0])
                : i + 1 == n ? Sub(path[n - 1], path[n - 2])
                             : Add(Unit(Sub(path[i + 1], path[i])), Unit(Sub(path[i], path[i - 1])));
    tangent[i] = Unit(d);
  }
  // Parallel transport keeps the rings from twisting along the path.
  normal[0] = FrameAlong({0, 0, 0}, tangent[0]).P;
  for (size_t i = 0; i < n; ++i) {
    if (i > 0) {
      TVector p = normal[i - 1];
      normal[i] = Unit(Sub(p, Mul(tangent[i], VectorDot(p, tangent[i]))));
    }
    binormal[i] = Cross(tangent[i], normal[i]);  // normal x binormal = tangent
  }
  std::vector<int> ring(n);
  for (size_t i = 0; i < n; ++i) {
    ring[i] = Index(m);
    for (int k = 0; k < sides; ++k) {
      float a = 2 * Pi * k / sides;
      m.Vertices.push_back(Add(path[i], Add(Mul(normal[i], radii[i] * std::cos(a)),
                                           Mul(binormal[i], radii[i] * std::sin(a)))));
    }
  }
  for (size_t i = 0; i + 1 < n; ++i) Band(m, ring[i], ring[i + 1], sides);
  for (int end = 0; end < 2; ++end) {
    size_t i = end ? n - 1 : 0;
    TGenFrame f;
    f.Origin = path[i];
    f.P = normal[i];
    f.Q = binormal[i];
    f.U = tangent[i];
    Cap(m, f, radii[i], 0, sides, 0, end == 1);
  }
}

void TransformVertices(TGenMesh& m, size_t first, const TMatrix& r, const TVector& t) {
  for (size_t i = first; i < m.Vertices.size(); ++i) {
    TVector out;
    MatrixTransformPoint(r, m.Vertices[i], out);
    m.Vertices[i] = Add(out, t);
  }
}

TQuaternion QuatAxisAngle(const TVector& axis, float angle) {
  TVector a = Unit(axis);
  float s = std::sin(angle / 2);
  return {a.x * s, a.y * s, a.z * s, std::cos(angle / 2)};
}

TQuaternion QuatMultiply(const TQuaternion& a, const TQuaternion& b) {
  return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
          a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

namespace {
struct TBytes {
  std::vector<uint8_t> b;
  void U8(uint8_t v) { b.push_back(v); }
  void U16(uint16_t v) {
    U8(v & 0xFF);
    U8(v >> 8);
  }
  void I32(int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(u >> (8 * i)));
  }
  void F32(float v) {
    int32_t i;
    std::memcpy(&i, &v, 4);
    I32(i);
  }
  void Vec(const TVector& v, float s) {
    F32(v.x * s);
    F32(v.y * s);
    F32(v.z * s);
  }
  void Magic(const char* m) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(m[i]));
  }
  void Geometry(const TGenMesh& m, float scale) {
    for (const TVector& v : m.Vertices) Vec(v, scale);
    for (const TTriangle& t : m.Triangles) {
      U16(t.a);
      U16(t.b);
      U16(t.c);
    }
  }
};
}  // namespace

std::vector<uint8_t> WriteZrm1(const std::vector<TGenMesh>& meshes, const std::vector<std::vector<TGenKey>>& keys) {
  TBytes w;
  w.Magic("ZRM1");
  w.U8(static_cast<uint8_t>(meshes.size()));
  w.U8(static_cast<uint8_t>(keys.empty() ? 0 : keys[0].size()));
  for (size_t i = 0; i < meshes.size(); ++i) {
    const TGenMesh& m = meshes[i];
    w.I32(static_cast<int32_t>(m.Vertices.size()));
    w.I32(static_cast<int32_t>(m.Triangles.size()));
    for (uint8_t c : m.Color) w.U8(c);
    w.Geometry(m, 10.0f);
    for (const TGenKey& k : keys[i]) {
      w.Vec(k.Position, 10.0f);
      w.F32(k.Rotation.x);
      w.F32(k.Rotation.y);
      w.F32(k.Rotation.z);
      w.F32(k.Rotation.w);
    }
  }
  return w.b;
}

std::vector<uint8_t> WriteZrm2(const std::vector<TGenMesh>& meshes) {
  TBytes w;
  w.Magic("ZRM2");
  w.I32(static_cast<int32_t>(meshes.size()));
  for (const TGenMesh& m : meshes) {
    w.I32(static_cast<int32_t>(m.Vertices.size()));
    w.I32(static_cast<int32_t>(m.Triangles.size()));
    w.Geometry(m, 1.0f);
  }
  return w.b;
}
