// The particle list: textures, adding, per-step update and freeing, the two draw passes.
#include "effects/l_particle.h"

#include "platform/p_gl.h"

#include <utility>

#include "game/l_game.h"
#include "render/l_gl.h"

TParticleList ParticleList;
uint32_t SmokeTexture = 0;
uint32_t RicochetTexture = 0;
uint32_t FireTexture = 0;
uint32_t BloodTexture = 0;
TImage SplatImage;

TP_Particle::TP_Particle(const TVector& position) : Position(position) {}

void TP_Particle::Update() { Life -= 1; }

void LoadParticleTextures() {
  ParticleList.Count = 0;
  TextureClamp = true;
  SmokeTexture = LoadTexture("data\\textures\\smoke.tga", false);
  RicochetTexture = LoadTexture("data\\textures\\ricochet.tga", false);
  FireTexture = LoadTexture("data\\textures\\fire.jpg", false);
  BloodTexture = LoadTexture("data\\textures\\blood.tga", false);
  // Only the splat's pixels are wanted; the texture itself goes at once.
  KeptPixels = TImage{};
  uint32_t splat = LoadTexture("data\\textures\\gibs.tga", true);
  FreeTexture(splat);
  SplatImage = std::move(KeptPixels);
  KeptPixels = TImage{};
  TextureClamp = false;
}

void FreeParticleTextures() {
  FreeTexture(SmokeTexture);
  FreeTexture(RicochetTexture);
  FreeTexture(FireTexture);
  FreeTexture(BloodTexture);
  SmokeTexture = RicochetTexture = FireTexture = BloodTexture = 0;
  SplatImage = TImage{};
}

void ClearParticles() {
  ParticleList.Count = 0;
  for (TP_Particle* p = ParticleList.Head; p;) {
    TP_Particle* next = p->Next;
    delete p;
    p = next;
  }
  ParticleList.Head = nullptr;
}

void AddParticle(TP_Particle* particle) {
  if (!particle) return;
  particle->Next = ParticleList.Head;
  ParticleList.Head = particle;
  particle->Update();
  ParticleList.Count += 1;
}

void UpdateParticles() {
  TP_Particle* prev = nullptr;
  for (TP_Particle* p = ParticleList.Head; p;) {
    p->Update();
    TP_Particle* next = p->Next;
    if (p->Life > 0) {
      prev = p;
    } else {
      if (prev)
        prev->Next = next;
      else
        ParticleList.Head = next;
      delete p;
      ParticleList.Count -= 1;
    }
    p = next;
  }
}

void DrawParticles() {
  for (uint8_t pass = 0; pass < 2; ++pass)
    for (TP_Particle* p = ParticleList.Head; p; p = p->Next)
      if (p->SecondPass == pass) p->Draw();
}

void DrawBillboard(const TVector& position, float size, float angle) {
  const TMatrix& m = Camera.View;
  TVector r = {size * m[0], size * m[4], size * m[8]};
  TVector u = {size * m[1], size * m[5], size * m[9]};
  if (angle != 0) {
    // Every turned billboard has size 1, so the axis is a unit vector already; normalising
    // keeps other sizes a true rotation too.
    TVector axis;
    VectorCross(r, u, axis);
    VectorNormalize(axis, axis);
    TMatrix rot;
    MatrixFromAxisAngle(axis, angle, rot);
    MatrixTransformPoint(rot, r, r);
    MatrixTransformPoint(rot, u, u);
  }
  const TVector& p = position;
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex3f(p.x - r.x - u.x, p.y - r.y - u.y, p.z - r.z - u.z);
  glTexCoord2f(1, 0);
  glVertex3f(p.x + r.x - u.x, p.y + r.y - u.y, p.z + r.z - u.z);
  glTexCoord2f(1, 1);
  glVertex3f(p.x + r.x + u.x, p.y + r.y + u.y, p.z + r.z + u.z);
  glTexCoord2f(0, 1);
  glVertex3f(p.x - r.x + u.x, p.y - r.y + u.y, p.z - r.z + u.z);
  glEnd();
}
