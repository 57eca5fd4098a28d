// Positional sound effects: the sample registry, the 32 channels and the listener.
#include "audio/l_sound.h"

#include <memory>
#include <vector>

#include "app/l_utils.h"
#include "audio/l_wave.h"
#include "platform/p_file.h"
#include "platform/p_timer.h"

bool NoSound = false;
bool SoundInitialized = false;
TSample* SampleList = nullptr;
int32_t LastSampleId = 0;
TChannel Channels[kSoundChannels];
int32_t ChannelCount = 0;
bool ListenerPresent = false;

static uint32_t (*TickSource)() = nullptr;

static uint32_t Tick() { return TickSource ? TickSource() : PlatformTickCount(); }

void SetSoundTickSource(uint32_t (*tickSource)()) { TickSource = tickSource; }

static TSample* FindSample(int32_t id) {
  if (id <= 0 || id > LastSampleId) return nullptr;
  for (TSample* s = SampleList; s; s = s->next)
    if (s->id == id) return s;
  return nullptr;
}

static bool ChannelValid(int32_t handle) {
  return SoundInitialized && handle >= 0 && handle < ChannelCount && Channels[handle].buffer;
}

static bool IsPlaying(const TChannel& ch) {
  uint32_t status = 0;
  return PlatformSoundStatus(ch.buffer, status) && (status & kSoundStatusPlaying);
}

// Releases the channel's voice; the sample id is left as it was.
static void ReleaseChannel(TChannel& ch) {
  PlatformSound3DRelease(ch.buffer3D);
  PlatformSoundRelease(ch.buffer);
  ch.buffer3D = nullptr;
  ch.buffer = nullptr;
}

static void SetListenerDefaults(float rolloff) {
  PlatformSoundListenerSetDistanceFactor(1.0f);
  PlatformSoundListenerSetRolloff(rolloff);
  PlatformSoundListenerSetOrientation(0, 1, 0, 0, 0, 1);
}

bool InitSound() {
  if (SoundInitialized) return false;
  if (!PlatformSoundOpen()) return false;
  ListenerPresent = PlatformSoundQueryListener();
  if (ListenerPresent) {
    SetListenerDefaults(0.05f);
    PlatformSoundCommit();
  }
  SampleList = nullptr;
  LastSampleId = 0;
  for (TChannel& ch : Channels) ch = TChannel{};
  ChannelCount = kSoundChannels;
  SoundInitialized = true;
  return true;
}

static bool LoadWave(TSample& sample, const std::string& fileName) {
  if (!FileExists(fileName)) return false;
  std::vector<uint8_t> bytes;
  if (!GameFileReadAll(fileName, bytes)) return false;
  TWaveData wave;
  if (!ParseWave(bytes.data(), bytes.size(), wave)) return false;
  sample.buffer = PlatformSoundCreateBuffer(wave.format, wave.data, wave.length);
  return sample.buffer != nullptr;
}

int32_t LoadSample(const std::string& fileName) {
  if (!SoundInitialized) return -1;
  for (TSample* s = SampleList; s; s = s->next) {
    if (s->fileName == fileName) {
      s->flag = false;
      return s->id;
    }
  }
  std::unique_ptr<TSample> sample;
  try {
    sample.reset(new TSample{0, nullptr, false, fileName, nullptr});
    if (!LoadWave(*sample, fileName)) {
      PlatformSoundRelease(sample->buffer);
      return -1;
    }
  } catch (...) {
    if (sample) PlatformSoundRelease(sample->buffer);
    return -1;
  }
  sample->id = ++LastSampleId;
  sample->flag = false;
  sample->next = SampleList;
  SampleList = sample.release();
  return SampleList->id;
}

static bool PrepareChannel(int32_t index, const TSample& sample) {
  TChannel& ch = Channels[index];
  ch.sampleId = sample.id;
  ch.buffer = PlatformSoundDuplicate(sample.buffer);
  ch.buffer3D = PlatformSoundQuery3D(ch.buffer);
  if (!ch.buffer3D) {
    ReleaseChannel(ch);
    return false;
  }
  return true;
}

static int32_t StartChannel(int32_t index, bool loop, const TVector& position) {
  TChannel& ch = Channels[index];
  ch.position = position;
  PlatformSound3DSetPosition(ch.buffer3D, position.x, position.y, position.z);
  if (!PlatformSoundPlay(ch.buffer, loop)) return -1;  // stays held; recycled later
  ch.startTime = Tick();
  return index;
}

int32_t PlaySample(int32_t id, bool loop, TVector position) {
  if (NoSound || !SoundInitialized) return -1;
  TSample* sample = FindSample(id);
  if (!sample) return -1;
  // A stopped channel that already holds this sample starts again without a new voice.
  for (int32_t i = 0; i < ChannelCount; i++) {
    TChannel& ch = Channels[i];
    uint32_t status = 0;
    if (ch.buffer && ch.sampleId == id && PlatformSoundStatus(ch.buffer, status) && !(status & kSoundStatusPlaying))
      return StartChannel(i, loop, position);
  }
  for (int32_t i = 0; i < ChannelCount; i++) {
    if (!Channels[i].buffer) {
      if (!PrepareChannel(i, *sample)) return -1;
      return StartChannel(i, loop, position);
    }
  }
  // Recycle a held channel that is not playing; a playing one is never interrupted.
  for (int32_t i = 0; i < ChannelCount; i++) {
    TChannel& ch = Channels[i];
    if (ch.buffer && !IsPlaying(ch)) {
      ReleaseChannel(ch);
      if (!PrepareChannel(i, *sample)) return -1;
      return StartChannel(i, loop, position);
    }
  }
  return -1;
}

bool StopChannel(int32_t& handle) {
  if (!ChannelValid(handle)) return false;
  TChannel& ch = Channels[handle];
  bool stopped = PlatformSoundStop(ch.buffer);
  PlatformSoundSetPlayPosition(ch.buffer, 0);
  handle = -1;
  return stopped;
}

void StopSamples(int32_t id) {
  if (!SoundInitialized) return;
  for (int32_t i = 0; i < ChannelCount; i++) {
    TChannel& ch = Channels[i];
    if (ch.buffer && (id <= 0 || ch.sampleId == id)) PlatformSoundStop(ch.buffer);
  }
}

bool SetChannelPosition(int32_t handle, const TVector& position) {
  if (NoSound || !ChannelValid(handle)) return false;
  TChannel& ch = Channels[handle];
  ch.position = position;
  return PlatformSound3DSetPosition(ch.buffer3D, position.x, position.y, position.z);
}

bool ChannelPlays(int32_t handle, int32_t sampleId) {
  return ChannelValid(handle) && Channels[handle].sampleId == sampleId && IsPlaying(Channels[handle]);
}

void SetListenerPosition(const TVector& position) {
  if (NoSound || !SoundInitialized || !ListenerPresent) return;
  PlatformSoundListenerSetPosition(position.x, position.y, position.z);
}

void SetListenerOrientation(const TVector& front, const TVector& top) {
  if (NoSound || !SoundInitialized || !ListenerPresent) return;
  PlatformSoundListenerSetOrientation(front.x, front.y, front.z, top.x, top.y, top.z);
}

void UpdateSound() {
  if (!SoundInitialized) return;
  if (!ListenerPresent && PlatformSoundQueryListener()) {
    ListenerPresent = true;
    SetListenerDefaults(0.01f);
  }
  uint32_t now = Tick();
  for (int32_t i = 0; i < ChannelCount; i++) {
    TChannel& ch = Channels[i];
    if (!ch.buffer) continue;
    if (IsPlaying(ch)) {
      SetChannelPosition(i, ch.position);
    } else if (now - ch.startTime > 3000u) {
      // A finished sound is held for a while so a repeat can reuse its voice.
      ReleaseChannel(ch);
    }
  }
  if (ListenerPresent) PlatformSoundCommit();
}

bool FreeSample(int32_t id) {
  if (!SoundInitialized) return false;
  TSample* sample = FindSample(id);
  if (!sample) return false;
  for (int32_t i = 0; i < ChannelCount; i++) {
    TChannel& ch = Channels[i];
    if (ch.sampleId != id) continue;
    if (ch.buffer) PlatformSoundStop(ch.buffer);
    ReleaseChannel(ch);
    ch.sampleId = -1;
  }
  PlatformSoundRelease(sample->buffer);
  for (TSample** link = &SampleList; *link; link = &(*link)->next) {
    if (*link == sample) {
      *link = sample->next;
      break;
    }
  }
  delete sample;
  return true;
}

void ShutdownSound() {
  for (int32_t i = 0; i < ChannelCount; i++) {
    ReleaseChannel(Channels[i]);
    Channels[i].sampleId = -1;
  }
  while (SampleList) {
    TSample* s = SampleList;
    SampleList = s->next;
    PlatformSoundRelease(s->buffer);
    delete s;
  }
}

void FinalizeSound() {
  ShutdownSound();
  for (TChannel& ch : Channels) ch = TChannel{};
  ChannelCount = 0;
  ListenerPresent = false;
  PlatformSoundClose();
  LastSampleId = 0;
  SoundInitialized = false;
}

// The module's own release at program exit, after the game's close handling.
namespace {
struct SoundFinalizer {
  ~SoundFinalizer() { FinalizeSound(); }
};
SoundFinalizer Finalizer;
}  // namespace
