// Counter, tick count and sleep over SDL's timer functions.
#include "platform/p_timer.h"

#include <SDL.h>

uint64_t PlatformCounter() { return SDL_GetPerformanceCounter(); }
uint64_t PlatformCounterFrequency() { return SDL_GetPerformanceFrequency(); }
uint32_t PlatformTickCount() { return static_cast<uint32_t>(SDL_GetTicks64()); }
void PlatformSleep(uint32_t milliseconds) { SDL_Delay(milliseconds); }
