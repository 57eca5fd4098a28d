// High-resolution counter, millisecond tick count and sleeping.
#pragma once
#include <cstdint>

uint64_t PlatformCounter();
uint64_t PlatformCounterFrequency();
uint32_t PlatformTickCount();
void PlatformSleep(uint32_t milliseconds);
