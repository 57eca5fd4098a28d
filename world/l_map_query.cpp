// Ground queries over the triangulated terrain and the instantaneous shot.
#include <cmath>

#include "actors/l_spider.h"
#include "app/l_app.h"
#include "app/l_utils.h"
#include "audio/l_sound.h"
#include "effects/l_particle.h"
#include "game/l_game.h"
#include "world/l_map.h"

static bool HasGround(const TMap& map) {
  return map.Width >= MapMinSide && map.Height >= MapMinSide && map.TriCount > 0 &&
         map.Planes.size() >= size_t(map.TriCount) &&
         map.Triangles.size() >= size_t(map.TriCount) &&
         map.Vertices.size() >= size_t(map.Width) * map.Height;
}

// Triangle under (x, z). Points outside the triangulated area, NaN and huge values are
// first moved to the nearest point of that area, so every index stays inside the cell
// grid; inside it x and z are used exactly as given. Returns -1 with no map.
static int32_t LookupTriangle(const TMap& map, float& x, float& z) {
  if (!HasGround(map)) return -1;
  const float maxX = 2.0f * (map.Width - 2), maxZ = 2.0f * (map.Height - 2);
  if (!(x >= 0)) x = 0;
  if (!(x <= maxX)) x = maxX;
  if (!(z >= 0)) z = 0;
  if (!(z <= maxZ)) z = maxZ;
  int32_t c = static_cast<int32_t>(std::trunc(x)) / 2;
  int32_t r = static_cast<int32_t>(std::trunc(z)) / 2;
  if (c > map.Width - 3) c = map.Width - 3;
  if (r > map.Height - 3) r = map.Height - 3;
  int32_t t = 2 * (r * (map.Width - 2) + c);
  const TVector& a = map.Vertices[map.Triangles[t].a];
  const TVector& b = map.Vertices[map.Triangles[t].b];
  float s = (b.x - a.x) * (z - a.z) - (b.z - a.z) * (x - a.x);
  if (s >= 0) t = t + 1;
  return t;
}

static float PlaneHeight(const TPlane& p, float x, float z) {
  if (p.normal.y == 0) return p.point.y;
  return (-p.normal.x * x - p.normal.z * z - p.d) / p.normal.y;
}

int32_t MapGroundHeight(const TMap& map, TVector& point) {
  float x = point.x, z = point.z;
  int32_t t = LookupTriangle(map, x, z);
  point.y = t < 0 ? 0.0f : PlaneHeight(map.Planes[t], x, z);
  return t;
}

int32_t MapClampToGround(const TMap& map, TVector& point, TVector& normal) {
  // Written so that a coordinate that is not a number takes the bound.
  if (!(point.x >= 20)) point.x = 20;
  if (!(point.z >= 20)) point.z = 20;
  const float maxX = 2.0f * (map.Width - 10), maxZ = 2.0f * (map.Height - 10);
  if (!(maxX >= point.x)) point.x = maxX;
  if (!(maxZ >= point.z)) point.z = maxZ;
  if (PlayerAreaFlag) {
    if (point.x > 150) point.x = 150;
    if (point.z > 150) point.z = 150;
  }
  float x = point.x, z = point.z;
  int32_t t = LookupTriangle(map, x, z);
  if (t < 0) {
    normal = {0, 1, 0};
    point.y = 0;
    return t;
  }
  normal = map.Planes[t].normal;
  point.y = PlaneHeight(map.Planes[t], x, z);
  return t;
}

static constexpr float SpreadRange = 0.0872664626f;  // 5 degrees
static constexpr float SpreadHalf = 0.0436332313f;

// Walks the bullet in steps of 2 units; true with the hit point when the ground is
// struck before the candidate spider at squared distance bestDist.
static bool MarchToGround(const TMap& map, const TVector& origin, const TVector& d,
                          float bestDist, TVector& hit) {
  TVector step;
  VectorScale(d, 2.0f, step);
  TVector p = origin;
  const float maxX = 2.0f * (map.Width - 1), maxZ = 2.0f * (map.Height - 1);
  for (;;) {
    VectorAdd(p, step, p);
    // Negated tests so that NaN also leaves the march.
    if (!(p.x >= 0) || !(p.x < maxX) || !(p.z >= 0) || !(p.z < maxZ) || !(p.y >= 0) ||
        !(p.y < 32))
      return false;
    TVector g = p;
    int32_t t = MapGroundHeight(map, g);
    if (t < 0) return false;
    if (g.y < p.y) continue;
    if (VectorDistSq(p, origin) >= bestDist) continue;
    const TPlane& P = map.Planes[t];
    TVector seg, toPoint;
    VectorSub(p, origin, seg);
    float n = VectorDot(P.normal, seg);
    if (n != 0) {
      VectorSub(P.point, origin, toPoint);
      TVector scaled;
      VectorScale(seg, VectorDot(P.normal, toPoint) / n, scaled);
      VectorAdd(origin, scaled, p);
    }
    hit = p;
    return true;
  }
}

bool MapShoot(TMap& map, const TVector& origin, const TVector& aim) {
  float u1 = RandomFloat();
  float u2 = RandomFloat();
  float elevation = aim.x + u1 * SpreadRange - SpreadHalf;
  float heading = aim.y + u2 * SpreadRange - SpreadHalf;
  TVector d = {std::cos(elevation) * std::cos(heading), std::sin(elevation),
               std::cos(elevation) * std::sin(heading)};

  AddParticle(new TP_Smoke(origin));
  AddParticle(new TP_Fire(origin));

  float k = -VectorDot(origin, d);
  TSpider* best = nullptr;
  float bestDist = 1000000.0f;
  float hitRadius = SpiderModel.Radius / 2;
  float hit2 = hitRadius * hitRadius;
  for (TSpider* s = map.Spiders; s; s = s->Next) {
    float e = VectorDistSq(origin, s->Position);
    if (!(e < bestDist)) continue;
    if (!(VectorDot(s->Position, d) + k > 0)) continue;
    TVector v;
    VectorSub(origin, s->Position, v);
    float q = VectorDot(v, d);
    q *= q;
    if (!(std::fabs(VectorDistSq(origin, s->Position)) - q < hit2)) continue;
    best = s;
    bestDist = e;
  }

  TVector ground;
  if (MarchToGround(map, origin, d, bestDist, ground)) {
    best = nullptr;
    AddParticle(new TP_Trace(origin, ground));
    PlaySample(map.RicochetSample, false, ground);
  }
  if (!best) return false;

  best->Health -= 1;
  if (!NoBlood)
    for (int i = 0; i < 3; ++i) AddParticle(new TP_Blood(best->Position));
  if (best->Health > 0) return false;

  if (!NoGibs) {
    size_t meshes = size_t(SpiderModel.MeshCount < 0 ? 0 : SpiderModel.MeshCount);
    if (meshes > SpiderModel.Meshes.size()) meshes = SpiderModel.Meshes.size();
    for (size_t i = 0; i < meshes; ++i)
      AddParticle(new TP_Gibs(best->Position, SpiderModel.Meshes[i], best->Heading));
  }
  PlaySample(SpiderDieSound, false, best->Position);
  MapRemoveSpider(map, best);
  return true;
}
