// XM player song level: load and free, start and stop, the output ring, its thread and offline rendering.
#include "audio/xm_song.h"

#include <cmath>
#include <cstring>

#include "audio/xm_file.h"
#include "audio/xm_load.h"
#include "audio/xm_mix.h"
#include "platform/p_thread.h"
#include "platform/p_waveout.h"

TXmSample XmEmptySample = {};
TXmInstrument XmEmptyInstrument = {};
TXmOutput XmOutput;

static void FreeSongData(TXmSong* song) {
  if (song->instruments) {
    for (int i = 0; i < song->instrumentCount; ++i) {
      for (TXmSample*& s : song->instruments[i].samples) {
        if (s && s != &XmEmptySample) {
          delete[] s->data;
          delete s;
        }
        s = nullptr;
      }
    }
    delete[] song->instruments;
    song->instruments = nullptr;
  }
  if (song->patterns) {
    for (int i = 0; i < song->patternSlots; ++i) delete[] song->patterns[i].cells;
    delete[] song->patterns;
    song->patterns = nullptr;
  }
}

TXmSong* SongLoad(const char* fileName) {
  if (!FileCallbacksSet()) {
    XmSetLoadError("no file access registered");
    return nullptr;
  }
  TXmSong* song = new TXmSong();
  void* stream = XmFile.open(fileName);
  if (!stream) {
    XmSetLoadError("cannot open the file");
    delete song;
    return nullptr;
  }
  bool ok = LoadXm(song, stream);
  XmFile.close(stream);
  if (!ok) {
    SongFree(song);
    return nullptr;
  }
  return song;
}

bool SongFree(TXmSong* song) {
  if (!song) return false;
  while (XmOutput.mixing.load()) ThreadSleep(1);
  SongStop(song);
  FreeSongData(song);
  delete song;
  return true;
}

void SongSetBpm(TXmSong* song, int32_t bpm) {
  if (!song) return;
  // A zero tempo would make ticks endless; it plays at the format's default instead.
  if (bpm <= 0) bpm = 125;
  song->bpm = bpm;
  double perTick = kXmMixRate * (1000.0 / (bpm * 2.0 * 0.2)) * 0.001;
  song->samplesPerTick = static_cast<int32_t>(std::nearbyint(perTick));
  if (song->samplesPerTick < 1) song->samplesPerTick = 1;
}

// Everything SongPlay does before the device: settings, voices, play state, buffers. An
// offline render keeps the ring's time info but mixes every block into one block of buffer.
static void PrepareOutput(TXmSong* song, bool offline) {
  TXmOutput& o = XmOutput;
  o.invMixRate = 1.0f / kXmMixRate;
  o.blockLength = ((kXmMixRate * 20) / 1000 + 3) & ~3;
  o.ringFrames = (kXmBufferMs / 20) * o.blockLength * 2;
  o.blockCount = o.ringFrames / o.blockLength;
  o.rampLength = (kXmMixRate * 128) / 44100;
  o.invRampLength = 1.0f / static_cast<float>(o.rampLength);

  ResetVoices();

  song->globalVolume = song->initialGlobalVolume;
  song->speed = song->defaultTempo;
  song->row = 0;
  song->order = 0;
  song->nextOrder = -1;
  song->nextRow = -1;
  song->samplesLeft = 0;
  song->tickCounter = 0;
  song->patternDelay = 0;
  song->songTime = 0;
  SongSetBpm(song, song->defaultBpm);
  for (int i = 0; i < kXmMaxChannels; ++i) {
    song->channels[i] = TXmChannel{};
    song->channels[i].voice = &MixVoice[i];
  }

  o.playing = song;
  o.timeInfo = new std::atomic<uint64_t>[o.blockCount];
  for (int i = 0; i < o.blockCount; ++i) o.timeInfo[i].store(0);
  o.bufferBlocks = offline ? 1 : o.blockCount;
  const int32_t bufferFrames = o.bufferBlocks * o.blockLength;
  o.outputBuffer = new uint32_t[bufferFrames]();
  o.mixMemory = new uint8_t[static_cast<size_t>(bufferFrames) * 8 + 256];
  uintptr_t base = reinterpret_cast<uintptr_t>(o.mixMemory);
  o.mixBuffer = reinterpret_cast<float*>((base + 15) & ~static_cast<uintptr_t>(15));
  o.fillIndex = 0;
  o.infoIndex.store(0);
  o.framesMixed = 0;
}

static void OutputThread(void*) {
  TXmOutput& o = XmOutput;
  ThreadRaisePriority();
  o.finished.store(false);
  while (!o.stopRequest.load()) {
    uint32_t frames = WaveOutPosition() / 4;
    int32_t heard = static_cast<int32_t>((frames % static_cast<uint32_t>(o.ringFrames)) /
                                         static_cast<uint32_t>(o.blockLength));
    while (o.fillIndex != heard && !o.stopRequest.load()) {
      o.mixing.store(true);
      FillBlock();
      o.infoIndex.store((o.infoIndex.load() + 1) % o.blockCount);
      o.mixing.store(false);
    }
    ThreadSleep(5);
  }
  o.finished.store(true);
}

bool SongPlay(TXmSong* song) {
  if (!song) return false;
  SongStop(song);
  if (!FileCallbacksSet()) return false;
  PrepareOutput(song, false);
  if (!WaveOutOpen(kXmMixRate)) {
    SongStop(song);
    return false;
  }
  XmOutput.deviceOpen = true;
  do FillBlock();
  while (XmOutput.fillIndex != 0);
  WaveOutPlayLoop(XmOutput.outputBuffer, static_cast<uint32_t>(XmOutput.ringFrames) * 4);
  XmOutput.stopRequest.store(false);
  XmOutput.thread = ThreadCreate(OutputThread, nullptr, "xm-output");
  if (!XmOutput.thread) {
    SongStop(song);
    return false;
  }
  return true;
}

bool SongStop(TXmSong* song) {
  if (!song) return false;
  TXmOutput& o = XmOutput;
  o.stopRequest.store(true);
  while (o.mixing.load()) ThreadSleep(1);
  if (o.thread) {
    ThreadJoin(o.thread);
    o.thread = nullptr;
  }
  delete[] o.mixMemory;
  o.mixMemory = nullptr;
  o.mixBuffer = nullptr;
  if (o.deviceOpen) WaveOutReset();
  delete[] o.outputBuffer;
  o.outputBuffer = nullptr;
  o.playing = nullptr;
  delete[] o.timeInfo;
  o.timeInfo = nullptr;
  if (o.deviceOpen) {
    WaveOutClose();
    o.deviceOpen = false;
  }
  o.fillIndex = 0;
  o.infoIndex.store(0);
  o.rowHook = nullptr;
  o.rowHookCtx = nullptr;
  return true;
}

static uint64_t CurrentTimeInfo(const TXmSong* song) {
  if (!song || !XmOutput.timeInfo) return 0;
  int32_t i = XmOutput.infoIndex.load();
  if (i < 0 || i >= XmOutput.blockCount) return 0;
  return XmOutput.timeInfo[i].load();
}

int32_t SongGetOrder(const TXmSong* song) { return static_cast<int32_t>(CurrentTimeInfo(song) & 0xFF); }
int32_t SongGetRow(const TXmSong* song) { return static_cast<int32_t>((CurrentTimeInfo(song) >> 8) & 0xFF); }
uint32_t SongGetTime(const TXmSong* song) { return static_cast<uint32_t>(CurrentTimeInfo(song) >> 32); }

void FillBlock() {
  TXmOutput& o = XmOutput;
  TXmSong* song = o.playing;
  if (!song || !o.mixBuffer || !o.outputBuffer) return;
  const int32_t length = o.blockLength;
  const int32_t first = (o.fillIndex % o.bufferBlocks) * length;
  float* mix = o.mixBuffer + static_cast<size_t>(first) * 2;
  std::memset(mix, 0, static_cast<size_t>(length) * 8);
  int32_t left = song->samplesLeft;
  int32_t done = 0;
  while (done < length) {
    if (left <= 0) {
      bool rowStart = song->tickCounter == 0;
      (song->tick ? song->tick : SongTick)(song);
      if (rowStart && o.rowHook) o.rowHook(o.rowHookCtx, song, o.framesMixed);
      left = song->samplesPerTick;
    }
    int32_t n = left < length - done ? left : length - done;
    MixVoices(mix + static_cast<size_t>(done) * 2, n);
    done += n;
    left -= n;
    o.framesMixed += static_cast<uint64_t>(n);
    song->songTime += static_cast<uint32_t>(std::lrintf(static_cast<float>(n) * o.invMixRate * 1000.0f));
  }
  song->samplesLeft = left;
  uint64_t info = (static_cast<uint64_t>(song->songTime) << 32) |
                  (static_cast<uint64_t>(song->row & 0xFF) << 8) | static_cast<uint64_t>(song->order & 0xFF);
  o.timeInfo[o.fillIndex].store(info);
  ConvertBlock(mix, o.outputBuffer + first, length);
  o.fillIndex = (o.fillIndex + 1) % o.blockCount;
}

bool SongRenderBegin(TXmSong* song, TXmRowHook hook, void* ctx) {
  if (!song) return false;
  SongStop(song);
  PrepareOutput(song, true);
  XmOutput.rowHook = hook;
  XmOutput.rowHookCtx = ctx;
  return true;
}

int32_t SongRenderBlock(int16_t* frames) {
  TXmOutput& o = XmOutput;
  if (!o.playing || o.deviceOpen) return 0;
  int32_t index = o.fillIndex;
  FillBlock();
  if (frames) {
    const uint32_t* src = o.outputBuffer + static_cast<size_t>(index % o.bufferBlocks) * o.blockLength;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // Left in the low half of each word is already left first in memory.
    std::memcpy(frames, src, static_cast<size_t>(o.blockLength) * 4);
#else
    for (int32_t i = 0; i < o.blockLength; ++i) {
      frames[2 * i] = static_cast<int16_t>(src[i] & 0xFFFF);
      frames[2 * i + 1] = static_cast<int16_t>(src[i] >> 16);
    }
#endif
  }
  return o.blockLength;
}

void SongRenderEnd(TXmSong* song) { SongStop(song); }
