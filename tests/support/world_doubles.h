// The game's global objects (GameMap, SpiderModel, Camera...) and the creature types for the world
// tests and benchmarks; l_game.cpp defines the objects, so nothing here stands in for them.
#pragma once
#include "actors/l_spider.h"
#include "actors/l_zenit.h"
#include "game/l_game.h"
