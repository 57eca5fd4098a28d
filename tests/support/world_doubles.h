// Stand-ins for the game's global objects and the creatures' behaviour, for as long as
// the game module (which defines them in l_game.cpp, l_spider_ai.cpp and l_zenit_ai.cpp)
// is not part of the build. Once it is, every test binary links the real ones (the shell
// pulls in the game flow) and this header defines nothing. Include it from one file of a
// binary only.
#pragma once
#include <cstdint>

#include "actors/l_player.h"
#include "actors/l_spider.h"
#include "actors/l_zenit.h"
#include "game/l_camera.h"
#include "game/l_game.h"
#include "models/l_model.h"
#include "models/l_model_v2.h"
#include "world/l_map.h"

#if __has_include("actors/l_spider_ai.cpp")
#define WORLD_DOUBLES 0
#else
#define WORLD_DOUBLES 1

TPlayer Player;
TCamera Camera;
TMap GameMap;
TModel_v2 GunModel;
TModel SpiderModel;
TModel_v2 ZenitModel;
int32_t SpiderAttackSound = -1;
int32_t SpiderDieSound = -1;
int32_t ZenitFireSound = -1;
int32_t ZenitAimSound = -1;
int32_t FontSmall = 0;
int32_t FontBig = 0;
int32_t FontMenu = 0;
int32_t WaveDelay = 500;
int32_t WaveSize = 0;
int32_t SpawnsLeft = 0;

// Calls seen by the behaviour doubles.
inline int32_t DoubleSpiderUpdates = 0;

// A retiring turret counts down as the real one does; nothing else moves.
void UpdateSpider(TSpider&) { ++DoubleSpiderUpdates; }
void UpdateZenit(TZenit& zenit) {
  if (zenit.Life != ZenitFullLife) zenit.Life -= 1;
}
#endif
