// The particle classes: tracer, smoke, ricochet, muzzle fire, gibs and blood drops.
#include "platform/p_gl.h"

#include <cmath>

#include "app/l_utils.h"
#include "effects/l_decal.h"
#include "effects/l_particle.h"
#include "game/l_game.h"
#include "render/l_gl.h"
#include "world/l_map.h"

static constexpr float Pi = 3.14159265358979f;

static float GroundBelow(const TVector& p) {
  TVector g = p;
  MapGroundHeight(GameMap, g);
  return g.y;
}

TP_Trace::TP_Trace(const TVector& from, const TVector& to) : TP_Particle(from), Tail(to) {
  Life = 3;
  AddParticle(new TP_Ricochet({to.x, to.y + 0.5f, to.z}));
  static const uint8_t mark[3] = {32, 32, 32};
  PaintDecal(to, 1, 1, mark);
  TVector seg;
  VectorSub(to, from, seg);
  float len = VectorLength(seg);
  TVector d = {0, 0, 0};
  if (len > 0) VectorScale(seg, 1.0f / len, d);
  float u1 = RandomFloat();
  float u2 = RandomFloat();
  TVector off;
  VectorScale(d, u1 * len / 2, off);
  VectorAdd(from, off, Tail);
  VectorScale(d, u2 * len / 2, off);
  VectorAdd(Tail, off, Position);
}

void TP_Trace::Draw() {
  UnbindTexture();
  glEnable(GL_LINE_SMOOTH);
  glBegin(GL_LINES);
  glColor4f(1, 1, 0, 1);
  glVertex3f(Position.x, Position.y, Position.z);
  glColor4f(1, 0, 0, 0.3f);
  glVertex3f(Tail.x, Tail.y, Tail.z);
  glEnd();
  glDisable(GL_LINE_SMOOTH);
}

TP_Smoke::TP_Smoke(const TVector& position) : TP_Particle(position) {
  Life = 50;
  SecondPass = 1;
}

void TP_Smoke::Update() {
  Life -= 1;
  Position.y += 0.02f;
}

void TP_Smoke::Draw() {
  if (!SphereInFrustum(Camera, Position, 1)) return;
  BindTexture(SmokeTexture);
  glDepthMask(GL_FALSE);
  glColor4f(0.8f, 0.8f, 0.8f, Life / 250.0f);
  DrawBillboard(Position, (50 - Life) / 50.0f + 0.1f, 0);
  glDepthMask(GL_TRUE);
}

TP_Ricochet::TP_Ricochet(const TVector& position) : TP_Smoke(position) {}

void TP_Ricochet::Draw() {
  if (!SphereInFrustum(Camera, Position, 1)) return;
  BindTexture(RicochetTexture);
  glDepthMask(GL_FALSE);
  glColor4f(1, 1, 1, Life / 50.0f);
  DrawBillboard(Position, (50 - Life) / 50.0f + 0.1f, 0);
  glDepthMask(GL_TRUE);
}

TP_Fire::TP_Fire(const TVector& position) : TP_Particle(position) {
  Life = 2;
  SecondPass = 1;
  Angle = RandomFloat() * 2 * Pi;
}

void TP_Fire::Draw() {
  BindTexture(FireTexture);
  SetBlendMode(2);
  glDepthMask(GL_FALSE);
  glColor4f(1, 1, 1, 1);
  DrawBillboard(Position, 1, Angle);
  glDepthMask(GL_TRUE);
  SetBlendMode(1);
}

TP_Gibs::TP_Gibs(const TVector& position, const TMesh& mesh, float heading)
    : TP_Particle(position), Mesh(mesh) {
  Landed = false;
  float u1 = RandomFloat();
  float u2 = RandomFloat();
  Velocity = {u1 * 0.8f - 0.4f, 0.4f, u2 * 0.8f - 0.4f};
  Life = 128;
  Angle = heading * 180 / Pi;
}

void TP_Gibs::Update() {
  if (Landed) {
    Life -= 1;
    return;
  }
  Velocity.y -= 0.04f;
  VectorAdd(Position, Velocity, Position);
  float ground = GroundBelow(Position);
  if (ground > Position.y) {
    Position.y = ground;
    Landed = true;
  }
}

void TP_Gibs::Draw() {
  if (!SphereInFrustum(Camera, Position, 2)) return;
  // Counts and arrays travel together in the copy; check them anyway before drawing.
  if (Mesh.TriangleCount <= 0 || Mesh.Triangles.Size() < size_t(Mesh.TriangleCount) ||
      Mesh.Vertices.Size() < size_t(Mesh.VertexCount) ||
      Mesh.Normals.Size() < size_t(Mesh.VertexCount))
    return;
  UnbindTexture();
  glEnable(GL_LIGHTING);
  glPushMatrix();
  glTranslatef(Position.x, Position.y - (1 - Life / 128.0f) * 2, Position.z);
  glRotatef(Angle, 0, 1, 0);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  glColor3ub(Mesh.Color[0], Mesh.Color[1], Mesh.Color[2]);
  glNormalPointer(GL_FLOAT, 0, Mesh.Normals.Data());
  glVertexPointer(3, GL_FLOAT, 0, Mesh.Vertices.Data());
  glDrawElements(GL_TRIANGLES, Mesh.TriangleCount * 3, GL_UNSIGNED_SHORT, Mesh.Triangles.Data());
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glPopMatrix();
  glDisable(GL_LIGHTING);
}

TP_Blood::TP_Blood(const TVector& position) : TP_Particle(position) {
  float u1 = RandomFloat();
  float u2 = RandomFloat();
  Velocity = {u1 * 0.8f - 0.4f, 0.4f, u2 * 0.8f - 0.4f};
  Life = 128;
  Angle = RandomFloat() * 2 * Pi;
  Spinning = RandomFloat() * Pi / 12 - Pi / 24;
}

void TP_Blood::Update() {
  Life -= 1;
  Angle += Spinning;
  Velocity.y -= 0.04f;
  VectorAdd(Position, Velocity, Position);
  if (GroundBelow(Position) > Position.y) {
    Life = 0;
    PaintBloodDecal(Position);
  }
}

void TP_Blood::Draw() {
  if (!SphereInFrustum(Camera, Position, 1)) return;
  BindTexture(BloodTexture);
  SetBlendMode(1);
  glColor4f(1, 1, 1, Life / 128.0f);
  DrawBillboard(Position, 1, Angle);
}
