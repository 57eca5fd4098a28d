// Turret behaviour: settling on the ground, finding the nearest spider, aiming, firing, retiring.
#include <cmath>

#include "actors/l_player.h"
#include "actors/l_spider.h"
#include "actors/l_zenit.h"
#include "audio/l_sound.h"
#include "game/l_game.h"
#include "world/l_map.h"

static constexpr float Pi = 3.14159265358979f;
static constexpr float TwoPi = 2.0f * Pi;
static constexpr float HalfPi = 1.5707964f;
// Targets are searched within 64 units (compared squared).
static constexpr float ZenitRangeSq = 4096.0f;

void PlaceZenit(TZenit& z) {
  TVector n;
  MapClampToGround(GameMap, z.Position, n);
  TVector x = {1, 0, 0};
  TVector xn, xnn, a, b;
  VectorCross(x, n, xn);
  VectorNormalize(xn, b);
  VectorCross(xn, n, xnn);
  VectorNormalize(xnn, a);
  z.BaseMatrix = {{a.x, a.y, a.z, 0, n.x, n.y, n.z, 0, b.x, b.y, b.z, 0, z.Position.x,
                   z.Position.y, z.Position.z, 1}};
}

// Brings angle within pi of the current one, so the turret turns the short way.
static float Unwrap(float angle, float current) {
  if (std::fabs(current - angle) > 3.0f * Pi)
    angle += TwoPi * std::nearbyint((current - angle) / TwoPi);
  if (current - angle > Pi) angle += TwoPi;
  if (angle - current > Pi) angle -= TwoPi;
  return angle;
}

void AimZenit(TZenit& z, const TVector& target) {
  TVector v = {target.x - z.Position.x, 0, target.z - z.Position.z};
  float yaw = VectorAngle({1, 0, 0}, v);
  if (v.z < 0) yaw = TwoPi - yaw;
  z.TargetAim[1] = Unwrap(yaw, z.Aim[1]);
  TVector flat = v;
  v.y = target.y - z.Position.y;
  float pitch = VectorAngle(flat, v);
  if (v.y < 0) pitch = TwoPi - pitch;
  z.TargetAim[0] = Unwrap(pitch, z.Aim[0]);
}

void FindZenitTarget(TZenit& z) {
  const TSpider* candidate = nullptr;
  float best = ZenitRangeSq;
  for (const TSpider* s = GameMap.Spiders; s; s = s->Next) {
    float d = VectorDistSq(z.Position, s->Position);
    if (d < best) {  // strict: on a tie the spider nearer the list head stays
      best = d;
      candidate = s;
    }
  }
  if (candidate != z.TargetSpider) PlaySample(ZenitAimSound, false, z.Position);
  z.HasTarget = candidate != nullptr;
  z.TargetSpider = candidate;
  if (candidate) AimZenit(z, candidate->Position);
}

void UpdateZenit(TZenit& z) {
  FindZenitTarget(z);
  z.Aim[0] += (z.TargetAim[0] - z.Aim[0]) / 16.0f;
  z.Aim[1] += (z.TargetAim[1] - z.Aim[1]) / 16.0f;
  if (z.Life != ZenitFullLife) {  // retiring: fading out, never firing
    z.Life -= 1;
    return;
  }
  if (z.FireDelay > 0) z.FireDelay -= 1;
  if (!z.HasTarget || z.FireDelay != 0) return;
  z.FireDelay = 10;
  TVector dir = AngleDirection(z.Aim[0], z.Aim[1]);
  TVector muzzle = {z.Position.x + 1.7f * dir.x, z.Position.y + 1.7f * dir.y + 1.7f,
                    z.Position.z + 1.7f * dir.z};
  PlaySample(ZenitFireSound, false, muzzle);
  MapShoot(GameMap, muzzle, {z.Aim[0], z.Aim[1], 0});  // a turret's kills earn nothing
}

void RetireZenit(TZenit& z) {
  z.TargetAim[0] = HalfPi;  // the gun swings up to the vertical
  z.TargetAim[1] = z.Aim[1];
  z.TargetAim[2] = 0;
  z.Life = ZenitFullLife - 1;
}
