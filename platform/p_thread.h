// Threads for the module layers: create, join, raise priority, sleep.
#pragma once
#include <cstdint>

struct TPlatformThread;

// Starts entry(arg) on a new thread; nullptr when no thread could be made.
TPlatformThread* ThreadCreate(void (*entry)(void*), void* arg, const char* name);
// Waits for the thread to end and releases its handle.
void ThreadJoin(TPlatformThread* thread);
// Asks for time-critical priority for the calling thread; ignored where the system refuses.
void ThreadRaisePriority();
void ThreadSleep(uint32_t milliseconds);
