// Zenit turrets: the record held in the map's list, placement, aiming, firing, retiring.
#pragma once
#include <cstdint>

#include "math/l_math.h"

struct TSpider;

struct TZenit {
  // Only compared with the next search's candidate, never followed: it may name a
  // spider that has been freed since.
  const TSpider* TargetSpider = nullptr;
  float TargetAim[3] = {0, 0, 0};  // pitch, yaw, spare
  bool HasTarget = false;
  TVector Position = {0, 0, 0};
  float Aim[3] = {0, 0, 0};  // pitch, yaw, spare
  TMatrix BaseMatrix = {};
  int32_t FireDelay = 0;
  int32_t Life = 0;  // 150 in service, 149 down to 0 while retiring
  TZenit* Next = nullptr;
  TZenit* Prev = nullptr;
};

constexpr int32_t ZenitFullLife = 150;

// l_zenit.cpp: filling a new record and drawing it.
void InitZenit(TZenit& zenit);
// Expects the state MapRender sets up: culling off, lighting, the environment
// texture with sphere mapping, normal and vertex arrays enabled.
void DrawZenit(TZenit& zenit);

// l_zenit_ai.cpp: behaviour.
void PlaceZenit(TZenit& zenit);
void FindZenitTarget(TZenit& zenit);
void AimZenit(TZenit& zenit, const TVector& target);
void UpdateZenit(TZenit& zenit);
void RetireZenit(TZenit& zenit);
