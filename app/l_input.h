// Key and mouse-button state, mouse motion measured against the window centre.
#pragma once
#include <cstdint>

extern bool KeyState[256];
extern int32_t MouseDX;
extern int32_t MouseDY;

bool IsKeyDown(uint8_t code);
void KeyPress(uint8_t code);
void KeyRelease(uint8_t code);
void ResetInput();
void UpdateMouse();
