// The menu over the sky: START, CONTINUE, QUIT, name entry and the high-score table.
#pragma once
#include <cstdint>

extern bool MenuActive;

void LoadMenu();
void FreeMenu();
void PlayMenuMusic();
void MenuMessage(uint32_t message, uint32_t wParam, int32_t lParam);
void UpdateMenu();
void RenderMenu();
