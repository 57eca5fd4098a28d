// Platform-internal: the translated message queue and the cursor bookkeeping behind it.
#pragma once
#include <cstdint>

void ResetEventState(uint32_t windowId);
void EventCursorPos(int& x, int& y);
void EventCursorPut(int x, int y);
