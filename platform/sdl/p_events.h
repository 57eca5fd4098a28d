// Platform-internal: the translated message queue and the cursor bookkeeping behind it.
#pragma once
#include <cstdint>

#include "platform/p_window.h"

// A new window: an empty queue, no keys held, and the window taken as focused, since a
// window starts active and its first focus event is no activation.
void ResetEventState(uint32_t windowId, TWindowProc proc);
void SetEventProc(TWindowProc proc);
// The window is gone: what is queued is dropped and nothing more is delivered.
void DropEvents();
void EventCursorPos(int& x, int& y);
void EventCursorPut(int x, int y);
