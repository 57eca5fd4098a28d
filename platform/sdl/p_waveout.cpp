// Waveform output over an SDL2 audio device: the callback copies from the looping ring.
#include "platform/p_waveout.h"

#include <SDL.h>

#include <atomic>
#include <cstring>

struct TWaveOut {
  SDL_AudioDeviceID device = 0;
  bool subsystem = false;
  const uint8_t* ring = nullptr;  // guarded by the device lock
  uint32_t ringBytes = 0;
  uint32_t cursor = 0;
  // Bytes consumed by the callback. Both sides update it with acq_rel so that the
  // blocks the mixing thread rewrote before asking are visible to later callbacks.
  std::atomic<uint64_t> consumed{0};
  void (*monitor)(const uint8_t*, uint32_t, void*) = nullptr;
  void* monitorCtx = nullptr;
};

static TWaveOut WaveOut;
static bool RefuseOpen = false;

void WaveOutTestRefuseOpen(bool refuse) { RefuseOpen = refuse; }

static void Feed(void*, Uint8* stream, int len) {
  if (!WaveOut.ring || WaveOut.ringBytes == 0 || len <= 0) {
    std::memset(stream, 0, len > 0 ? static_cast<size_t>(len) : 0);
    return;
  }
  uint32_t left = static_cast<uint32_t>(len);
  while (left > 0) {
    uint32_t n = WaveOut.ringBytes - WaveOut.cursor;
    if (n > left) n = left;
    std::memcpy(stream, WaveOut.ring + WaveOut.cursor, n);
    if (WaveOut.monitor) WaveOut.monitor(WaveOut.ring + WaveOut.cursor, n, WaveOut.monitorCtx);
    stream += n;
    left -= n;
    WaveOut.cursor += n;
    if (WaveOut.cursor >= WaveOut.ringBytes) WaveOut.cursor = 0;
  }
  WaveOut.consumed.fetch_add(static_cast<uint64_t>(len), std::memory_order_acq_rel);
}

bool WaveOutOpen(uint32_t rate) {
  if (WaveOut.device) WaveOutClose();
  if (RefuseOpen) return false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  WaveOut.subsystem = true;
  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = static_cast<int>(rate);
  want.format = AUDIO_S16LSB;
  want.channels = 2;
  want.samples = 512;
  want.callback = Feed;
  SDL_AudioSpec have;
  // No changes allowed: SDL converts to whatever the hardware wants.
  WaveOut.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (WaveOut.device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    WaveOut.subsystem = false;
    return false;
  }
  return true;
}

bool WaveOutPlayLoop(const void* data, uint32_t bytes) {
  if (!WaveOut.device || !data || bytes == 0) return false;
  SDL_LockAudioDevice(WaveOut.device);
  WaveOut.ring = static_cast<const uint8_t*>(data);
  WaveOut.ringBytes = bytes;
  WaveOut.cursor = 0;
  WaveOut.consumed.store(0, std::memory_order_release);
  SDL_UnlockAudioDevice(WaveOut.device);
  SDL_PauseAudioDevice(WaveOut.device, 0);
  return true;
}

uint32_t WaveOutPosition() {
  uint64_t bytes = WaveOut.consumed.fetch_add(0, std::memory_order_acq_rel);
  uint32_t ring = WaveOut.ringBytes;
  return ring ? static_cast<uint32_t>(bytes % ring) : 0;
}

void WaveOutReset() {
  if (!WaveOut.device) return;
  SDL_PauseAudioDevice(WaveOut.device, 1);
  SDL_LockAudioDevice(WaveOut.device);
  WaveOut.ring = nullptr;
  WaveOut.ringBytes = 0;
  WaveOut.cursor = 0;
  WaveOut.consumed.store(0, std::memory_order_release);
  SDL_UnlockAudioDevice(WaveOut.device);
}

void WaveOutClose() {
  if (WaveOut.device) {
    WaveOutReset();
    SDL_CloseAudioDevice(WaveOut.device);
    WaveOut.device = 0;
  }
  if (WaveOut.subsystem) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    WaveOut.subsystem = false;
  }
}

bool WaveOutIsOpen() { return WaveOut.device != 0; }

void WaveOutSetMonitor(void (*monitor)(const uint8_t*, uint32_t, void*), void* ctx) {
  if (WaveOut.device) SDL_LockAudioDevice(WaveOut.device);
  WaveOut.monitor = monitor;
  WaveOut.monitorCtx = ctx;
  if (WaveOut.device) SDL_UnlockAudioDevice(WaveOut.device);
}
