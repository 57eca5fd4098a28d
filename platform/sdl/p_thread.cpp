// Threads over SDL's thread API.
#include "platform/p_thread.h"

#include <SDL.h>

struct TPlatformThread {
  void (*entry)(void*);
  void* arg;
  SDL_Thread* handle;
};

static int ThreadMain(void* data) {
  TPlatformThread* t = static_cast<TPlatformThread*>(data);
  t->entry(t->arg);
  return 0;
}

TPlatformThread* ThreadCreate(void (*entry)(void*), void* arg, const char* name) {
  if (!entry) return nullptr;
  TPlatformThread* t = new TPlatformThread{entry, arg, nullptr};
  t->handle = SDL_CreateThread(ThreadMain, name ? name : "worker", t);
  if (!t->handle) {
    delete t;
    return nullptr;
  }
  return t;
}

void ThreadJoin(TPlatformThread* thread) {
  if (!thread) return;
  SDL_WaitThread(thread->handle, nullptr);
  delete thread;
}

void ThreadRaisePriority() { SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL); }

void ThreadSleep(uint32_t milliseconds) { SDL_Delay(milliseconds); }
