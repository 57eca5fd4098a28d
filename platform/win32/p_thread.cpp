// Threads over CreateThread: create, join, time-critical priority, Sleep.
#include "platform/p_thread.h"

#include <windows.h>

struct TPlatformThread {
  void (*entry)(void*);
  void* arg;
  HANDLE handle;
};

static DWORD WINAPI ThreadMain(LPVOID data) {
  TPlatformThread* t = static_cast<TPlatformThread*>(data);
  t->entry(t->arg);
  return 0;
}

TPlatformThread* ThreadCreate(void (*entry)(void*), void* arg, const char*) {
  if (!entry) return nullptr;
  TPlatformThread* t = new TPlatformThread{entry, arg, nullptr};
  t->handle = CreateThread(nullptr, 0, ThreadMain, t, 0, nullptr);
  if (!t->handle) {
    delete t;
    return nullptr;
  }
  return t;
}

void ThreadJoin(TPlatformThread* thread) {
  if (!thread) return;
  WaitForSingleObject(thread->handle, INFINITE);
  CloseHandle(thread->handle);
  delete thread;
}

void ThreadRaisePriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL); }

void ThreadSleep(uint32_t milliseconds) { Sleep(milliseconds); }
