// The sound-effect device: static 3D sample buffers, duplicates that play them, one listener.
#pragma once
#include <cstdint>

// A wave format record as found in a WAV file (all fields as the caller computed them).
struct PlatformWaveFormat {
  uint16_t formatTag;
  uint16_t channels;
  uint32_t samplesPerSec;
  uint32_t avgBytesPerSec;
  uint16_t blockAlign;
  uint16_t bitsPerSample;
  uint16_t extraSize;
};

// A sample's static buffer (holds the data, never plays) or a duplicate of it (its own
// voice on the same data). Both are reference counted: release every interface obtained.
struct PSoundBuffer;
// The 3D part of a duplicate: its position. Holds a reference on its buffer.
struct PSound3DBuffer;

// Status bits, as the game tests them.
constexpr uint32_t kSoundStatusPlaying = 1;
constexpr uint32_t kSoundStatusLooping = 4;

// Before PlatformSoundOpen: render into memory instead of opening a sound card
// (tests; PlatformSoundRender then drives the mixer). Stereo float at the given rate,
// which is undithered: silence renders as exact zeros. Where the system has no such
// device (DirectSound) the open then fails.
void PlatformSoundUseLoopback(bool loopback, uint32_t sampleRate = 44100);
// Mixes frames of interleaved stereo output (full scale 1.0); loopback devices only.
bool PlatformSoundRender(float* stereo, uint32_t frames);
// Test hook: makes the listener query fail, as on devices without a 3D listener.
void PlatformSoundTestFailListener(bool fail);

// Device and output. False, silently, when there is no usable device.
bool PlatformSoundOpen();
// Releases whatever is still alive and closes the device; harmless when closed.
void PlatformSoundClose();

// A static buffer with the whole sample copied in. 3D buffers take mono PCM of
// 8 or 16 bits; anything else (stereo included) is refused with nullptr.
PSoundBuffer* PlatformSoundCreateBuffer(const PlatformWaveFormat& format, const uint8_t* data, uint32_t bytes);
// A new voice on the same data; nothing is copied. nullptr on failure.
PSoundBuffer* PlatformSoundDuplicate(PSoundBuffer* original);
void PlatformSoundRelease(PSoundBuffer* buffer);

// Play from the current position (a finished one-shot starts again from the top);
// on a playing buffer only the looping choice changes.
bool PlatformSoundPlay(PSoundBuffer* buffer, bool loop);
// Stops where it is; a later Play resumes there.
bool PlatformSoundStop(PSoundBuffer* buffer);
bool PlatformSoundSetPlayPosition(PSoundBuffer* buffer, uint32_t byteOffset);
bool PlatformSoundGetPlayPosition(PSoundBuffer* buffer, uint32_t& byteOffset);
bool PlatformSoundStatus(PSoundBuffer* buffer, uint32_t& status);

// 3D interface of a duplicate (nullptr for a sample's static buffer or on failure).
PSound3DBuffer* PlatformSoundQuery3D(PSoundBuffer* buffer);
void PlatformSound3DRelease(PSound3DBuffer* buffer3D);
// Deferred: takes effect at the next PlatformSoundCommit.
bool PlatformSound3DSetPosition(PSound3DBuffer* buffer3D, float x, float y, float z);

// The listener (left-handed coordinates, like every position here). All setters are
// deferred until PlatformSoundCommit, which applies every pending 3D change at once.
bool PlatformSoundQueryListener();
bool PlatformSoundListenerSetPosition(float x, float y, float z);
bool PlatformSoundListenerSetOrientation(float fx, float fy, float fz, float tx, float ty, float tz);
bool PlatformSoundListenerSetDistanceFactor(float metresPerUnit);
// One rolloff for every voice: inverse distance, clamped below distance 1.
bool PlatformSoundListenerSetRolloff(float rolloff);
bool PlatformSoundCommit();
