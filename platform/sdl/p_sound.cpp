// Sound-effect device over OpenAL Soft, shaped like the 3D buffers and listener the game expects.
#include "platform/p_sound.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <AL/efx.h>
#include <dlfcn.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <vector>

// Sample data shared by a static buffer and all its duplicates.
struct PSoundData {
  ALuint name;
  int refs;
  PSoundData* prev;
  PSoundData* next;
};

struct PSoundBuffer {
  PSoundData* data;
  ALuint source;  // 0 for a static buffer: only duplicates play
  int refs;
  bool voice;         // a duplicate, listed in VoiceList
  float position[3];  // pending, left-handed
  bool positionDirty;
  PSoundBuffer* prev;
  PSoundBuffer* next;
};

struct PSound3DBuffer {
  PSoundBuffer* buffer;
};

// Pending listener settings, applied at the commit.
struct PendingListener {
  float position[3];
  float front[3];
  float top[3];
  float distanceFactor;
  float rolloff;
  bool positionDirty, orientationDirty, distanceDirty, rolloffDirty;
};

// Only trivially destructible state here: the sound module may close the device
// from its own exit-time finalizer, after other files' statics are gone.
static ALCdevice* Device = nullptr;
static ALCcontext* Context = nullptr;
static bool UseLoopback = false;
static uint32_t LoopbackRate = 44100;
static bool FailListener = false;
static PSoundData* DataList = nullptr;
static PSoundBuffer* VoiceList = nullptr;  // duplicates, which own an OpenAL source
static PendingListener Listener;
static float Rolloff = 1.0f;  // committed; every new voice starts with it
static bool HasMetresPerUnit = false;
static LPALCRENDERSAMPLESSOFT RenderSamples = nullptr;
static LPALDEFERUPDATESSOFT DeferUpdates = nullptr;
static LPALPROCESSUPDATESSOFT ProcessUpdates = nullptr;

// A do-nothing handler for ALSA's error printer (its signature is C variadic).
extern "C" {
typedef void (*AlsaErrorHandler)(const char*, int, const char*, int, const char*, ...);
static void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
}

// No sound card is a normal case: neither OpenAL Soft nor ALSA may print about it.
static void QuietLibraries() {
  setenv("ALSOFT_LOGLEVEL", "0", 0);
  static bool alsaQuiet = false;
  if (alsaQuiet) return;
  alsaQuiet = true;
  // The handle stays open on purpose: the handler must outlive every ALSA call.
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
  if (!alsa) return;
  using SetHandler = int (*)(AlsaErrorHandler);
  auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
  if (set) set(QuietAlsa);
}

void PlatformSoundUseLoopback(bool loopback, uint32_t sampleRate) {
  UseLoopback = loopback;
  LoopbackRate = sampleRate ? sampleRate : 44100;
}

void PlatformSoundTestFailListener(bool fail) { FailListener = fail; }

static void ResetListener() {
  Listener = PendingListener{};
  // The device's own defaults: front +z, top +y, rolloff 1.
  Listener.front[2] = 1.0f;
  Listener.top[1] = 1.0f;
  Listener.distanceFactor = 1.0f;
  Listener.rolloff = 1.0f;
  Rolloff = 1.0f;
}

bool PlatformSoundOpen() {
  if (Device) return false;
  QuietLibraries();
  std::vector<ALCint> attrs;
  if (UseLoopback) {
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) return false;
    auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    auto supported =
        reinterpret_cast<LPALCISRENDERFORMATSUPPORTEDSOFT>(alcGetProcAddress(nullptr, "alcIsRenderFormatSupportedSOFT"));
    RenderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (!open || !supported || !RenderSamples) return false;
    Device = open(nullptr);
    if (!Device) return false;
    ALCint rate = static_cast<ALCint>(LoopbackRate);
    if (!supported(Device, rate, ALC_STEREO_SOFT, ALC_FLOAT_SOFT)) {
      alcCloseDevice(Device);
      Device = nullptr;
      return false;
    }
    attrs = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT, ALC_FREQUENCY, rate};
    // Plain stereo panning, so the rendered output is predictable.
    if (alcIsExtensionPresent(Device, "ALC_SOFT_HRTF")) attrs.insert(attrs.end(), {ALC_HRTF_SOFT, ALC_FALSE});
  } else {
    Device = alcOpenDevice(nullptr);
    if (!Device) return false;
  }
  attrs.push_back(0);
  Context = alcCreateContext(Device, attrs.data());
  if (!Context || !alcMakeContextCurrent(Context)) {
    if (Context) alcDestroyContext(Context);
    alcCloseDevice(Device);
    Context = nullptr;
    Device = nullptr;
    return false;
  }
  alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  HasMetresPerUnit = alcIsExtensionPresent(Device, "ALC_EXT_EFX") == ALC_TRUE;
  if (alIsExtensionPresent("AL_SOFT_deferred_updates")) {
    DeferUpdates = reinterpret_cast<LPALDEFERUPDATESSOFT>(alGetProcAddress("alDeferUpdatesSOFT"));
    ProcessUpdates = reinterpret_cast<LPALPROCESSUPDATESSOFT>(alGetProcAddress("alProcessUpdatesSOFT"));
  }
  ResetListener();
  alGetError();
  return true;
}

void PlatformSoundClose() {
  if (!Device) return;
  // Objects the caller still holds stay valid as records but lose their OpenAL names.
  for (PSoundBuffer* v = VoiceList; v; v = v->next) {
    if (v->source) {
      alSourceStop(v->source);
      alDeleteSources(1, &v->source);
    }
    v->source = 0;
  }
  for (PSoundData* d = DataList; d; d = d->next) {
    if (d->name) alDeleteBuffers(1, &d->name);
    d->name = 0;
  }
  alcMakeContextCurrent(nullptr);
  if (Context) alcDestroyContext(Context);
  alcCloseDevice(Device);
  Context = nullptr;
  Device = nullptr;
  RenderSamples = nullptr;
  DeferUpdates = nullptr;
  ProcessUpdates = nullptr;
}

bool PlatformSoundRender(float* stereo, uint32_t frames) {
  if (!UseLoopback || !Context || !RenderSamples || !stereo) return false;
  RenderSamples(Device, stereo, static_cast<ALCsizei>(frames));
  return true;
}

PSoundBuffer* PlatformSoundCreateBuffer(const PlatformWaveFormat& f, const uint8_t* data, uint32_t bytes) {
  if (!Context || !data) return nullptr;
  // What a 3D static buffer accepts: mono PCM, 8 or 16 bits, a sane rate, a
  // consistent record and a size within the device's limits.
  if (f.formatTag != 1 || f.channels != 1) return nullptr;
  if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return nullptr;
  if (f.samplesPerSec < 100 || f.samplesPerSec > 200000) return nullptr;
  uint32_t frameBytes = f.bitsPerSample / 8u;
  if (f.blockAlign != frameBytes || f.avgBytesPerSec != frameBytes * f.samplesPerSec) return nullptr;
  if (bytes < 4 || bytes > 0x0FFFFFFFu) return nullptr;
  uint32_t used = bytes / frameBytes * frameBytes;  // whole frames only

  std::vector<uint8_t> swapped;
  const uint8_t* upload = data;
  if (f.bitsPerSample == 16 && std::endian::native == std::endian::big) {
    swapped.assign(data, data + used);
    for (uint32_t i = 0; i + 1 < used; i += 2) std::swap(swapped[i], swapped[i + 1]);
    upload = swapped.data();
  }
  alGetError();
  ALuint name = 0;
  alGenBuffers(1, &name);
  if (alGetError() != AL_NO_ERROR) return nullptr;
  alBufferData(name, f.bitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16, upload, static_cast<ALsizei>(used),
               static_cast<ALsizei>(f.samplesPerSec));
  if (alGetError() != AL_NO_ERROR) {
    alDeleteBuffers(1, &name);
    return nullptr;
  }
  auto* d = new PSoundData{name, 1, nullptr, DataList};
  if (DataList) DataList->prev = d;
  DataList = d;
  return new PSoundBuffer{d, 0, 1, false, {0, 0, 0}, false, nullptr, nullptr};
}

static void ApplyVoiceDefaults(ALuint source) {
  alSourcef(source, AL_REFERENCE_DISTANCE, 1.0f);
  alSourcef(source, AL_MAX_DISTANCE, 1.0e9f);
  alSourcef(source, AL_ROLLOFF_FACTOR, Rolloff);
  alSourcei(source, AL_SOURCE_RELATIVE, AL_FALSE);
}

PSoundBuffer* PlatformSoundDuplicate(PSoundBuffer* original) {
  if (!Context || !original || !original->data || !original->data->name) return nullptr;
  alGetError();
  ALuint source = 0;
  alGenSources(1, &source);
  if (alGetError() != AL_NO_ERROR) return nullptr;
  alSourcei(source, AL_BUFFER, static_cast<ALint>(original->data->name));
  if (alGetError() != AL_NO_ERROR) {
    alDeleteSources(1, &source);
    return nullptr;
  }
  ApplyVoiceDefaults(source);
  original->data->refs++;
  auto* v = new PSoundBuffer{original->data, source, 1, true, {0, 0, 0}, false, nullptr, VoiceList};
  if (VoiceList) VoiceList->prev = v;
  VoiceList = v;
  return v;
}

static void ReleaseData(PSoundData* d) {
  if (--d->refs > 0) return;
  if (d->name && Context) alDeleteBuffers(1, &d->name);
  if (d->prev) d->prev->next = d->next;
  else DataList = d->next;
  if (d->next) d->next->prev = d->prev;
  delete d;
}

void PlatformSoundRelease(PSoundBuffer* b) {
  if (!b || --b->refs > 0) return;
  if (b->source) {
    alSourceStop(b->source);
    alDeleteSources(1, &b->source);
  }
  if (b->voice) {
    if (b->prev) b->prev->next = b->next;
    else VoiceList = b->next;
    if (b->next) b->next->prev = b->prev;
  }
  if (b->data) ReleaseData(b->data);
  delete b;
}

static ALint SourceState(ALuint source) {
  ALint state = AL_INITIAL;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  return state;
}

bool PlatformSoundPlay(PSoundBuffer* b, bool loop) {
  if (!b || !b->source) return false;
  alGetError();
  alSourcei(b->source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  if (SourceState(b->source) != AL_PLAYING) alSourcePlay(b->source);
  return alGetError() == AL_NO_ERROR;
}

bool PlatformSoundStop(PSoundBuffer* b) {
  if (!b || !b->source) return false;
  alGetError();
  // Pausing keeps the position, which is what a stop means here.
  if (SourceState(b->source) == AL_PLAYING) alSourcePause(b->source);
  return alGetError() == AL_NO_ERROR;
}

bool PlatformSoundSetPlayPosition(PSoundBuffer* b, uint32_t byteOffset) {
  if (!b || !b->source) return false;
  alGetError();
  if (SourceState(b->source) != AL_PLAYING) alSourceRewind(b->source);
  if (byteOffset > 0 || SourceState(b->source) == AL_PLAYING)
    alSourcei(b->source, AL_BYTE_OFFSET, static_cast<ALint>(byteOffset & 0x7FFFFFFFu));
  return alGetError() == AL_NO_ERROR;
}

bool PlatformSoundGetPlayPosition(PSoundBuffer* b, uint32_t& byteOffset) {
  if (!b || !b->source) return false;
  alGetError();
  ALint offset = 0;
  alGetSourcei(b->source, AL_BYTE_OFFSET, &offset);
  byteOffset = static_cast<uint32_t>(offset < 0 ? 0 : offset);
  return alGetError() == AL_NO_ERROR;
}

bool PlatformSoundStatus(PSoundBuffer* b, uint32_t& status) {
  status = 0;
  if (!b || !b->source) return false;
  alGetError();
  ALint state = SourceState(b->source);
  ALint looping = AL_FALSE;
  alGetSourcei(b->source, AL_LOOPING, &looping);
  if (alGetError() != AL_NO_ERROR) return false;
  if (state == AL_PLAYING) status = kSoundStatusPlaying | (looping ? kSoundStatusLooping : 0u);
  return true;
}

PSound3DBuffer* PlatformSoundQuery3D(PSoundBuffer* b) {
  if (!b || !b->source) return nullptr;
  b->refs++;
  return new PSound3DBuffer{b};
}

void PlatformSound3DRelease(PSound3DBuffer* b3) {
  if (!b3) return;
  PlatformSoundRelease(b3->buffer);
  delete b3;
}

bool PlatformSound3DSetPosition(PSound3DBuffer* b3, float x, float y, float z) {
  if (!b3 || !b3->buffer || !b3->buffer->source) return false;
  PSoundBuffer* b = b3->buffer;
  b->position[0] = x;
  b->position[1] = y;
  b->position[2] = z;
  b->positionDirty = true;
  return true;
}

bool PlatformSoundQueryListener() { return Context && !FailListener; }

bool PlatformSoundListenerSetPosition(float x, float y, float z) {
  if (!Context) return false;
  Listener.position[0] = x;
  Listener.position[1] = y;
  Listener.position[2] = z;
  Listener.positionDirty = true;
  return true;
}

bool PlatformSoundListenerSetOrientation(float fx, float fy, float fz, float tx, float ty, float tz) {
  if (!Context) return false;
  Listener.front[0] = fx;
  Listener.front[1] = fy;
  Listener.front[2] = fz;
  Listener.top[0] = tx;
  Listener.top[1] = ty;
  Listener.top[2] = tz;
  Listener.orientationDirty = true;
  return true;
}

bool PlatformSoundListenerSetDistanceFactor(float metresPerUnit) {
  if (!Context || !(metresPerUnit > 0.0f)) return false;
  Listener.distanceFactor = metresPerUnit;
  Listener.distanceDirty = true;
  return true;
}

bool PlatformSoundListenerSetRolloff(float rolloff) {
  if (!Context || !(rolloff >= 0.0f) || rolloff > 10.0f) return false;
  Listener.rolloff = rolloff;
  Listener.rolloffDirty = true;
  return true;
}

// Positions and vectors arrive left-handed; OpenAL is right-handed, so z flips.
// A mirror keeps every angle, so a sound on the listener's right stays on the right.
bool PlatformSoundCommit() {
  if (!Context) return false;
  if (DeferUpdates) DeferUpdates();
  if (Listener.positionDirty)
    alListener3f(AL_POSITION, Listener.position[0], Listener.position[1], -Listener.position[2]);
  if (Listener.orientationDirty) {
    ALfloat v[6] = {Listener.front[0], Listener.front[1], -Listener.front[2],
                    Listener.top[0],   Listener.top[1],   -Listener.top[2]};
    alListenerfv(AL_ORIENTATION, v);
  }
  if (Listener.distanceDirty && HasMetresPerUnit) alListenerf(AL_METERS_PER_UNIT, Listener.distanceFactor);
  if (Listener.rolloffDirty) Rolloff = Listener.rolloff;
  for (PSoundBuffer* v = VoiceList; v; v = v->next) {
    if (!v->source) continue;
    if (Listener.rolloffDirty) alSourcef(v->source, AL_ROLLOFF_FACTOR, Rolloff);
    if (v->positionDirty) alSource3f(v->source, AL_POSITION, v->position[0], v->position[1], -v->position[2]);
    v->positionDirty = false;
  }
  Listener.positionDirty = Listener.orientationDirty = Listener.distanceDirty = Listener.rolloffDirty = false;
  if (ProcessUpdates) ProcessUpdates();
  return alGetError() == AL_NO_ERROR;
}
