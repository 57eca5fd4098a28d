// The game's global objects and the creatures' behaviour for the world tests. The game
// module defines them, and every test binary links it through the shell, so this only
// gathers the declarations (a second, weak definition of an object with a destructor
// would be destroyed twice at exit).
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
