// Short-lived effects in one list: tracers, smoke, ricochets, muzzle fire, gibs, blood.
#pragma once
#include <cstdint>

#include "math/l_math.h"
#include "models/l_model.h"
#include "render/l_image.h"

// Root of the particle classes. Update and Draw are the two operations; the virtual
// destructor lets the list free any class (a gib then releases its mesh arrays).
class TP_Particle {
 public:
  explicit TP_Particle(const TVector& position);
  virtual ~TP_Particle() = default;
  virtual void Update();
  virtual void Draw() = 0;

  TP_Particle* Next = nullptr;
  int32_t Life = 1;  // steps left
  uint8_t SecondPass = 0;
  TVector Position;
};

class TP_Trace : public TP_Particle {
 public:
  // Also adds a ricochet at the end point and paints a dark mark there.
  TP_Trace(const TVector& from, const TVector& to);
  void Draw() override;
  TVector Tail;
};

class TP_Smoke : public TP_Particle {
 public:
  explicit TP_Smoke(const TVector& position);
  void Update() override;
  void Draw() override;
};

class TP_Ricochet : public TP_Smoke {
 public:
  explicit TP_Ricochet(const TVector& position);
  void Draw() override;
};

class TP_Fire : public TP_Particle {
 public:
  explicit TP_Fire(const TVector& position);
  void Draw() override;
  float Angle;  // radians
};

class TP_Gibs : public TP_Particle {
 public:
  // heading in radians; the mesh's arrays are shared, not copied.
  TP_Gibs(const TVector& position, const TMesh& mesh, float heading);
  void Update() override;
  void Draw() override;
  float Angle;  // degrees
  TVector Velocity;
  bool Landed = false;
  TMesh Mesh;
};

class TP_Blood : public TP_Particle {
 public:
  explicit TP_Blood(const TVector& position);
  void Update() override;
  void Draw() override;
  TVector Velocity;
  float Angle;     // radians
  float Spinning;  // radians per step
};

struct TParticleList {
  TP_Particle* Head = nullptr;  // newest
  int32_t Count = 0;
};

extern TParticleList ParticleList;
extern uint32_t SmokeTexture;
extern uint32_t RicochetTexture;
extern uint32_t FireTexture;
extern uint32_t BloodTexture;
// Kept pixels of the blood splat picture (24-bit, 8 x 8).
extern TImage SplatImage;

void LoadParticleTextures();
void FreeParticleTextures();
void ClearParticles();
// Takes ownership, pushes at the head and runs the first Update at once.
void AddParticle(TP_Particle* particle);
void UpdateParticles();
// Two passes (SecondPass 0, then 1), newest first within each.
void DrawParticles();
// Camera-facing quad, 2 * size on a side, turned by angle (radians) in the view plane.
void DrawBillboard(const TVector& position, float size, float angle);
