// Weak stand-ins for the game's global objects and the creatures' behaviour, so a test
// binary can link the world modules on its own. Wherever the game module's strong
// definitions are linked in they win. Include from exactly one file of a binary.
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

#define WORLD_DOUBLE __attribute__((weak))

WORLD_DOUBLE TPlayer Player;
WORLD_DOUBLE TCamera Camera;
WORLD_DOUBLE TMap GameMap;
WORLD_DOUBLE TModel_v2 GunModel;
WORLD_DOUBLE TModel SpiderModel;
WORLD_DOUBLE TModel_v2 ZenitModel;
WORLD_DOUBLE int32_t SpiderAttackSound = -1;
WORLD_DOUBLE int32_t SpiderDieSound = -1;
WORLD_DOUBLE int32_t ZenitFireSound = -1;
WORLD_DOUBLE int32_t ZenitAimSound = -1;
WORLD_DOUBLE int32_t FontSmall = 0;
WORLD_DOUBLE int32_t FontBig = 0;
WORLD_DOUBLE int32_t FontMenu = 0;
WORLD_DOUBLE int32_t WaveDelay = 500;
WORLD_DOUBLE int32_t WaveSize = 0;
WORLD_DOUBLE int32_t SpawnsLeft = 0;

// Calls seen by the behaviour doubles, for tests of the map's walk over its lists.
inline int32_t DoubleSpiderUpdates = 0;
inline int32_t DoubleZenitUpdates = 0;

// A retiring turret counts down as the real one does; nothing else moves.
WORLD_DOUBLE void UpdateSpider(TSpider&) { ++DoubleSpiderUpdates; }
WORLD_DOUBLE void UpdateZenit(TZenit& zenit) {
  ++DoubleZenitUpdates;
  if (zenit.Life != ZenitFullLife) zenit.Life -= 1;
}
