// Waveform output over the wave mapper: the ring is one looping header, its position read back in bytes.
#include "platform/p_waveout.h"

#include <windows.h>
#include <mmsystem.h>

#include <atomic>

struct TWaveOut {
  HWAVEOUT device = nullptr;
  WAVEHDR header = {};
  bool prepared = false;
  const uint8_t* ring = nullptr;
  uint32_t ringBytes = 0;
  // The device counts bytes in 32 bits, which wrap at an odd place of the ring; the
  // count is carried on in 64 bits.
  uint32_t lastRaw = 0;
  uint64_t played = 0;
  uint64_t monitored = 0;
  std::atomic<void (*)(const uint8_t*, uint32_t, void*)> monitor{nullptr};
  void* monitorCtx = nullptr;
};

static TWaveOut WaveOut;
static bool RefuseOpen = false;

void WaveOutTestRefuseOpen(bool refuse) { RefuseOpen = refuse; }

bool WaveOutOpen(uint32_t rate) {
  if (WaveOut.device) WaveOutClose();
  if (RefuseOpen) return false;
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = rate * 4;
  HWAVEOUT device = nullptr;
  if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return false;
  WaveOut.device = device;
  return true;
}

bool WaveOutPlayLoop(const void* data, uint32_t bytes) {
  if (!WaveOut.device || !data || bytes == 0) return false;
  WaveOutReset();
  WAVEHDR& h = WaveOut.header;
  h = WAVEHDR{};
  h.lpData = static_cast<LPSTR>(const_cast<void*>(data));
  h.dwBufferLength = bytes;
  h.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
  h.dwLoops = 0xFFFFFFFFu;
  if (waveOutPrepareHeader(WaveOut.device, &h, sizeof h) != MMSYSERR_NOERROR) return false;
  WaveOut.prepared = true;
  WaveOut.ring = static_cast<const uint8_t*>(data);
  WaveOut.ringBytes = bytes;
  WaveOut.lastRaw = 0;
  WaveOut.played = WaveOut.monitored = 0;
  return waveOutWrite(WaveOut.device, &h, sizeof h) == MMSYSERR_NOERROR;
}

// Hands what the device consumed since the last call to the monitor, before the caller
// (the output thread) can rewrite it.
static void Monitor() {
  auto monitor = WaveOut.monitor.load();
  if (!monitor) {
    WaveOut.monitored = WaveOut.played;
    return;
  }
  uint32_t ring = WaveOut.ringBytes;
  if (WaveOut.played - WaveOut.monitored > ring) WaveOut.monitored = WaveOut.played - ring;
  while (WaveOut.monitored < WaveOut.played) {
    uint32_t at = static_cast<uint32_t>(WaveOut.monitored % ring);
    uint64_t n = WaveOut.played - WaveOut.monitored;
    if (n > ring - at) n = ring - at;
    monitor(WaveOut.ring + at, static_cast<uint32_t>(n), WaveOut.monitorCtx);
    WaveOut.monitored += n;
  }
}

uint32_t WaveOutPosition() {
  if (!WaveOut.device || !WaveOut.ring) return 0;
  MMTIME t = {};
  t.wType = TIME_BYTES;
  if (waveOutGetPosition(WaveOut.device, &t, sizeof t) != MMSYSERR_NOERROR) return 0;
  // A driver may answer in another format; samples are frames of four bytes here.
  uint32_t raw = t.wType == TIME_SAMPLES ? t.u.sample * 4u : t.wType == TIME_BYTES ? t.u.cb : WaveOut.lastRaw;
  WaveOut.played += static_cast<uint32_t>(raw - WaveOut.lastRaw);
  WaveOut.lastRaw = raw;
  Monitor();
  return static_cast<uint32_t>(WaveOut.played % WaveOut.ringBytes);
}

void WaveOutReset() {
  if (!WaveOut.device) return;
  waveOutReset(WaveOut.device);
  if (WaveOut.prepared) waveOutUnprepareHeader(WaveOut.device, &WaveOut.header, sizeof WaveOut.header);
  WaveOut.prepared = false;
  WaveOut.ring = nullptr;
  WaveOut.ringBytes = 0;
}

void WaveOutClose() {
  if (!WaveOut.device) return;
  WaveOutReset();
  waveOutClose(WaveOut.device);
  WaveOut.device = nullptr;
}

bool WaveOutIsOpen() { return WaveOut.device != nullptr; }

void WaveOutSetMonitor(void (*monitor)(const uint8_t*, uint32_t, void*), void* ctx) {
  WaveOut.monitorCtx = ctx;
  WaveOut.monitor.store(monitor);
}
