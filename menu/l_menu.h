// The menu over the sky: START, CONTINUE, QUIT, name entry and the high-score table.
#pragma once
#include <cstdint>
#include <string>

#include "menu/l_score.h"

extern bool MenuActive;
extern int32_t MenuSelection;  // 0 START, 1 CONTINUE, 2 QUIT
extern float MenuBandY;        // centre of the highlight band, screen units
extern float MenuAngle;        // band texture rotation, degrees
extern float MenuModelAngle;   // the two spiders' rotation, degrees
extern uint32_t MenuTexture;

// The two lines at the foot of the menu.
extern const char* const MenuCreditsLine;
extern const char* const MenuAddressLine;

void LoadMenu();
void FreeMenu();
void PlayMenuMusic();
void MenuMessage(uint32_t message, uint32_t wParam, int32_t lParam);
void UpdateMenu();
void RenderMenu();
