// Platform-internal: the real window procedure and the state behind it.
#pragma once
#include "platform/p_window.h"

#include <windows.h>

LRESULT CALLBACK Win32WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// A new window: its messages go to proc, and it counts as active (its first focus is
// no activation).
void ResetEventState(TWindowProc proc);
void SetEventProc(TWindowProc proc);
// The window is going: nothing more reaches the game's procedure.
void DropEvents();
// Where the game last put the cursor; a change of focus puts it back there.
void EventCursorPut(int x, int y);
