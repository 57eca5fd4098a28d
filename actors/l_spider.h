// Spiders: the record held in the map's list, its behaviour, and the wave controller.
#pragma once
#include <cstdint>

#include "math/l_math.h"

struct TSpider {
  int32_t Health = 0;  // hits left
  TVector Position = {0, 0, 0};
  float Heading = 0;  // radians; walks along (cos, 0, sin)
  float Speed = 0;
  int32_t AnimTime = 0;
  int32_t AnimFrame = 0;
  int32_t AttackDelay = 0;
  float TargetHeading = 0;
  TMatrix ModelView = {};  // camera view times placement, rebuilt every step
  TSpider* Next = nullptr;
  TSpider* Prev = nullptr;
};

// l_spider.cpp: filling a new record and drawing it.
void InitSpider(TSpider& spider);
// Culls against the view, loads ModelView and draws SpiderModel at AnimFrame.
void DrawSpider(TSpider& spider);

// l_spider_ai.cpp: behaviour and waves.
void UpdateSpider(TSpider& spider);
void AimSpider(TSpider& spider);
void SpawnSpiders();
void CheckWave();
