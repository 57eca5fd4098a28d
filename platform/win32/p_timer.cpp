// Performance counter, tick count and sleeping over the kernel's own calls.
#include "platform/p_timer.h"

#include <windows.h>

uint64_t PlatformCounter() {
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return static_cast<uint64_t>(count.QuadPart);
}

uint64_t PlatformCounterFrequency() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<uint64_t>(frequency.QuadPart);
}

uint32_t PlatformTickCount() { return GetTickCount(); }

void PlatformSleep(uint32_t milliseconds) { Sleep(milliseconds); }
