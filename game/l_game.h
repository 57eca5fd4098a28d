// The game's global objects and the five operations that drive them.
#pragma once

void LoadGame();
void NewGame();
void FreeGame();
void UpdateGame();
void RenderGame();
