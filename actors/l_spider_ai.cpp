// Spider behaviour (aiming, walking, biting, placement) and the wave controller.
#include <cmath>

#include "actors/l_player.h"
#include "actors/l_spider.h"
#include "actors/l_zenit.h"
#include "app/l_utils.h"
#include "audio/l_music.h"
#include "audio/l_sound.h"
#include "game/l_game.h"
#include "world/l_map.h"

static constexpr float Pi = 3.14159265358979f;
static constexpr float TwoPi = 2.0f * Pi;
static constexpr float DegToRad = Pi / 180.0f;

// Angle of v from +x towards +z over the full circle, brought within pi of near.
static float HeadingTowards(const TVector& v, float errorRadians, float near) {
  float a = VectorAngle({1, 0, 0}, v) + errorRadians;
  if (v.z < 0) a = TwoPi - a;
  // A heading that has wound round several times needs whole turns first, so the
  // target stays within pi of it and the spider always turns the short way.
  if (std::fabs(near - a) > 3.0f * Pi) a += TwoPi * std::nearbyint((near - a) / TwoPi);
  if (near - a > Pi) a += TwoPi;
  if (a - near > Pi) a -= TwoPi;
  return a;
}

void AimSpider(TSpider& s) {
  TVector v = {Player.Position.x - s.Position.x, 0, Player.Position.z - s.Position.z};
  float error = (RandomFloat() * 20.0f - 10.0f) * DegToRad;  // up to 10 degrees either way
  s.TargetHeading = HeadingTowards(v, error, s.Heading);
}

// Columns A, N, B and the position: a mirror, so spiders are drawn with front faces culled.
static void PlaceSpider(TSpider& s, const TVector& d, const TVector& n) {
  TVector p = {d.z, 0, -d.x};
  TVector pn, pnn, a, b;
  VectorCross(p, n, pn);
  VectorNormalize(pn, b);
  VectorCross(pn, n, pnn);
  VectorNormalize(pnn, a);
  TMatrix placement = {{a.x, a.y, a.z, 0, n.x, n.y, n.z, 0, b.x, b.y, b.z, 0,
                        s.Position.x, s.Position.y, s.Position.z, 1}};
  MatrixMultiply(placement, Camera.View, s.ModelView);
}

void UpdateSpider(TSpider& s) {
  s.AnimTime = ModelAdvanceClock(s.AnimTime, SpiderModel.Duration);
  s.AnimFrame = ModelClockFrame(s.AnimTime);
  if (RandomInt(100) == 0) AimSpider(s);
  s.Heading += (s.TargetHeading - s.Heading) / 20.0f;
  TVector d = {std::cos(s.Heading), 0, std::sin(s.Heading)};
  s.Position.x += d.x * s.Speed;
  s.Position.z += d.z * s.Speed;
  TVector n;
  MapClampToGround(GameMap, s.Position, n);
  float reach = SpiderModel.Radius;
  if (s.AttackDelay == 0 && Player.Health > 0 &&
      VectorDistSq(s.Position, Player.Position) < reach * reach) {
    DamagePlayer(6);
    PlaySample(SpiderAttackSound, false, s.Position);
    s.AttackDelay = 50;
  }
  if (s.AttackDelay > 0) s.AttackDelay -= 1;
  // Slopes, up or down, slow the walk.
  s.Speed = std::sin(VectorAngle(n, d)) * 0.2f;
  PlaceSpider(s, d, n);
}

void SpawnSpiders() {
  if (WaveDelay > 1) WaveDelay -= 1;
  if (Player.Health <= 0 || WaveDelay != 1 || SpawnsLeft <= 0) return;
  if (RandomInt(15) != 0) return;
  TSpider* s = MapAddSpider(GameMap);
  if (!s) return;
  static const TVector corners[3] = {{220, 0, 50}, {220, 0, 220}, {50, 0, 220}};
  s->Position = corners[RandomInt(3)];
  SpawnsLeft -= 1;
  if (SpawnsLeft == 0) WaveDelay = 0;
  AimSpider(*s);
}

void CheckWave() {
  if (Player.Health <= 0 || GameMap.SpiderCount != 0 || WaveDelay != 0) return;
  WaveDelay = 500;
  WaveSize += 25;
  SpawnsLeft = WaveSize;
  for (TZenit* z = GameMap.Zenits; z; z = z->Next) RetireZenit(*z);
  StopMusic();
  PlayMusic();
}
