// Positional sound effects: WAV samples, 32 channels, a 3D listener.
#pragma once
#include <cstdint>
#include <string>

#include "math/l_math.h"
#include "platform/p_sound.h"

// One loaded WAV file; a singly linked list, newest first.
struct TSample {
  int32_t id;  // 1, 2, 3 ... in load order, never reused
  TSample* next;
  bool flag;  // cleared on load and on every repeated request; nothing reads it
  std::string fileName;  // exactly as passed: the key for repeated loads
  PSoundBuffer* buffer;  // the static buffer holding the whole sample
};

// One playing slot; its index is the channel handle. Free when buffer is none.
struct TChannel {
  int32_t sampleId;  // sample whose buffer it holds; -1 for none
  uint32_t startTime;  // tick count of the last start
  TVector position;
  PSoundBuffer* buffer;  // duplicate of the sample's buffer
  PSound3DBuffer* buffer3D;
};

constexpr int32_t kSoundChannels = 32;

extern bool NoSound;
extern bool SoundInitialized;
extern TSample* SampleList;
extern int32_t LastSampleId;
extern TChannel Channels[kSoundChannels];
extern int32_t ChannelCount;  // 0 until InitSound, then kSoundChannels
extern bool ListenerPresent;

bool InitSound();
void ShutdownSound();
int32_t LoadSample(const std::string& fileName);
bool FreeSample(int32_t id);
int32_t PlaySample(int32_t id, bool loop, TVector position);
bool StopChannel(int32_t& handle);
void StopSamples(int32_t id);
bool SetChannelPosition(int32_t handle, const TVector& position);
// True while the channel still plays that sample: a finished channel goes back to the
// pool and may soon carry another sound.
bool ChannelPlays(int32_t handle, int32_t sampleId);
void SetListenerPosition(const TVector& position);
void SetListenerOrientation(const TVector& front, const TVector& top);
void UpdateSound();

// The exit-time release: everything ShutdownSound frees, then the listener and the
// device; the module is back to not initialized. Runs by itself at program exit.
void FinalizeSound();
// The millisecond tick count behind the 3000 ms hold; nullptr restores the system's.
void SetSoundTickSource(uint32_t (*tickSource)());
