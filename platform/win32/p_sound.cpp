// Sound-effect device over DirectSound: static 3D buffers, their duplicates, the primary buffer's listener.
#include "platform/p_sound.h"

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <cstring>

#include "platform/win32/p_win32.h"

// The interface's handles are the COM interfaces themselves; every handle holds one reference.
static IDirectSoundBuffer* Dsb(PSoundBuffer* b) { return reinterpret_cast<IDirectSoundBuffer*>(b); }
static IDirectSound3DBuffer* Ds3d(PSound3DBuffer* b) { return reinterpret_cast<IDirectSound3DBuffer*>(b); }

static IDirectSound* Device = nullptr;
static IDirectSoundBuffer* Primary = nullptr;
static IDirectSound3DListener* Listener = nullptr;
static bool NormalLevel = false;
static bool UseLoopback = false;
static bool FailListener = false;

// There is no loopback device here: asking for one makes the open fail, so tests that
// need one cannot mistake the sound card for it.
void PlatformSoundUseLoopback(bool loopback, uint32_t) { UseLoopback = loopback; }
bool PlatformSoundRender(float*, uint32_t) { return false; }
void PlatformSoundTestFailListener(bool fail) { FailListener = fail; }

// The cooperative level wants a window; before there is one the desktop stands in.
static HWND LevelWindow() {
  HWND w = Win32Window();
  return w ? w : GetDesktopWindow();
}

bool PlatformSoundOpen() {
  if (Device || UseLoopback) return false;
  if (FAILED(DirectSoundCreate(nullptr, &Device, nullptr))) {
    Device = nullptr;
    return false;
  }
  Device->SetCooperativeLevel(LevelWindow(), DSSCL_EXCLUSIVE);
  NormalLevel = false;
  // The form without a 3D algorithm, so the default one applies.
  DSBUFFERDESC1 desc = {};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRL3D;
  if (FAILED(Device->CreateSoundBuffer(reinterpret_cast<DSBUFFERDESC*>(&desc), &Primary, nullptr)) ||
      FAILED(Primary->Play(0, 0, DSBPLAY_LOOPING))) {
    PlatformSoundClose();
    return false;
  }
  return true;
}

void PlatformSoundClose() {
  if (Listener) Listener->Release();
  if (Primary) Primary->Release();
  if (Device) Device->Release();
  Listener = nullptr;
  Primary = nullptr;
  Device = nullptr;
}

PSoundBuffer* PlatformSoundCreateBuffer(const PlatformWaveFormat& f, const uint8_t* data, uint32_t bytes) {
  if (!Device || !data || bytes == 0) return nullptr;
  // 3D buffers take mono PCM only; some drivers would accept more and play it flat.
  if (f.formatTag != WAVE_FORMAT_PCM || f.channels != 1 || (f.bitsPerSample != 8 && f.bitsPerSample != 16))
    return nullptr;
  WAVEFORMATEX format = {};
  format.wFormatTag = f.formatTag;
  format.nChannels = f.channels;
  format.nSamplesPerSec = f.samplesPerSec;
  format.nAvgBytesPerSec = f.avgBytesPerSec;
  format.nBlockAlign = f.blockAlign;
  format.wBitsPerSample = f.bitsPerSample;
  format.cbSize = f.extraSize;
  DSBUFFERDESC1 desc = {};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRL3D | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME;
  desc.dwBufferBytes = bytes;
  desc.lpwfxFormat = &format;
  IDirectSoundBuffer* buffer = nullptr;
  if (FAILED(Device->CreateSoundBuffer(reinterpret_cast<DSBUFFERDESC*>(&desc), &buffer, nullptr))) return nullptr;
  void *p1 = nullptr, *p2 = nullptr;
  DWORD n1 = 0, n2 = 0;
  if (FAILED(buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER))) {
    buffer->Release();
    return nullptr;
  }
  std::memcpy(p1, data, n1 < bytes ? n1 : bytes);
  if (FAILED(buffer->Unlock(p1, n1, p2, n2))) {
    buffer->Release();
    return nullptr;
  }
  return reinterpret_cast<PSoundBuffer*>(buffer);
}

PSoundBuffer* PlatformSoundDuplicate(PSoundBuffer* original) {
  if (!Device || !original) return nullptr;
  IDirectSoundBuffer* dup = nullptr;
  if (FAILED(Device->DuplicateSoundBuffer(Dsb(original), &dup))) return nullptr;
  return reinterpret_cast<PSoundBuffer*>(dup);
}

void PlatformSoundRelease(PSoundBuffer* buffer) {
  if (buffer) Dsb(buffer)->Release();
}

bool PlatformSoundPlay(PSoundBuffer* buffer, bool loop) {
  if (!buffer) return false;
  // From the first sound on, the device shares itself with other programs.
  if (!NormalLevel && Device) NormalLevel = SUCCEEDED(Device->SetCooperativeLevel(LevelWindow(), DSSCL_NORMAL));
  return SUCCEEDED(Dsb(buffer)->Play(0, 0, loop ? DSBPLAY_LOOPING : 0));
}

bool PlatformSoundStop(PSoundBuffer* buffer) { return buffer && SUCCEEDED(Dsb(buffer)->Stop()); }

bool PlatformSoundSetPlayPosition(PSoundBuffer* buffer, uint32_t byteOffset) {
  return buffer && SUCCEEDED(Dsb(buffer)->SetCurrentPosition(byteOffset));
}

bool PlatformSoundGetPlayPosition(PSoundBuffer* buffer, uint32_t& byteOffset) {
  DWORD play = 0;
  if (!buffer || FAILED(Dsb(buffer)->GetCurrentPosition(&play, nullptr))) return false;
  byteOffset = play;
  return true;
}

bool PlatformSoundStatus(PSoundBuffer* buffer, uint32_t& status) {
  status = 0;
  DWORD s = 0;
  if (!buffer || FAILED(Dsb(buffer)->GetStatus(&s))) return false;
  status = (s & DSBSTATUS_PLAYING ? kSoundStatusPlaying : 0u) | (s & DSBSTATUS_LOOPING ? kSoundStatusLooping : 0u);
  return true;
}

PSound3DBuffer* PlatformSoundQuery3D(PSoundBuffer* buffer) {
  IDirectSound3DBuffer* b3 = nullptr;
  if (!buffer || FAILED(Dsb(buffer)->QueryInterface(IID_IDirectSound3DBuffer, reinterpret_cast<void**>(&b3))))
    return nullptr;
  return reinterpret_cast<PSound3DBuffer*>(b3);
}

void PlatformSound3DRelease(PSound3DBuffer* buffer3D) {
  if (buffer3D) Ds3d(buffer3D)->Release();
}

// DirectSound is left-handed like the game, so positions pass unchanged.
bool PlatformSound3DSetPosition(PSound3DBuffer* buffer3D, float x, float y, float z) {
  return buffer3D && SUCCEEDED(Ds3d(buffer3D)->SetPosition(x, y, z, DS3D_DEFERRED));
}

bool PlatformSoundQueryListener() {
  if (Listener) return true;
  if (!Primary || FailListener) return false;
  if (FAILED(Primary->QueryInterface(IID_IDirectSound3DListener, reinterpret_cast<void**>(&Listener)))) {
    Listener = nullptr;
    return false;
  }
  return true;
}

bool PlatformSoundListenerSetPosition(float x, float y, float z) {
  return Listener && SUCCEEDED(Listener->SetPosition(x, y, z, DS3D_DEFERRED));
}

bool PlatformSoundListenerSetOrientation(float fx, float fy, float fz, float tx, float ty, float tz) {
  return Listener && SUCCEEDED(Listener->SetOrientation(fx, fy, fz, tx, ty, tz, DS3D_DEFERRED));
}

bool PlatformSoundListenerSetDistanceFactor(float metresPerUnit) {
  return Listener && SUCCEEDED(Listener->SetDistanceFactor(metresPerUnit, DS3D_DEFERRED));
}

bool PlatformSoundListenerSetRolloff(float rolloff) {
  return Listener && SUCCEEDED(Listener->SetRolloffFactor(rolloff, DS3D_DEFERRED));
}

bool PlatformSoundCommit() { return Listener && SUCCEEDED(Listener->CommitDeferredSettings()); }
