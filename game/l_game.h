// The game's global objects and the five operations that drive them.
#pragma once
#include <cstdint>

#include "actors/l_player.h"
#include "game/l_camera.h"
#include "models/l_model.h"
#include "models/l_model_v2.h"
#include "world/l_map.h"

// One of each, defined in l_game.cpp.
extern TPlayer Player;
extern TCamera Camera;
extern TMap GameMap;
extern TModel_v2 GunModel;
extern TModel SpiderModel;
extern TModel_v2 ZenitModel;
extern int32_t SpiderAttackSound;
extern int32_t SpiderDieSound;
extern int32_t ZenitFireSound;
extern int32_t ZenitAimSound;
extern int32_t FontSmall;
extern int32_t FontBig;
extern int32_t FontMenu;
// Wave controller.
extern int32_t WaveDelay;
extern int32_t WaveSize;
extern int32_t SpawnsLeft;

void LoadGame();
void NewGame();
void FreeGame();
void UpdateGame();
void RenderGame();
