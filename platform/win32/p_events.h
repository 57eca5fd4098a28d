// Platform-internal: the window procedure that hands window messages to the game.
#pragma once
#include <windows.h>

LRESULT CALLBACK Win32WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ResetEventState();
