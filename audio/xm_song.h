// XM player: module records, song-level operations and the output ring.
#pragma once
#include <atomic>
#include <cstdint>

#include "audio/xm_play.h"

struct TXmSample {
  int16_t* data;  // length + 8 samples (the slack is zero), none for length 0
  uint32_t length, loopStart, loopLength;
  uint8_t volume;
  int8_t finetune;
  int32_t panning;
  uint8_t bits;
  uint8_t loopMode;  // 1 none, 2 forward, 4 ping-pong
  int8_t relativeNote;
};

struct TXmEnvelopePoint {
  uint16_t x, y;
};

struct TXmInstrument {
  int32_t sampleCount;
  TXmSample* samples[16];
  uint8_t noteMap[96];
  TXmEnvelopePoint volPoints[12], panPoints[12];
  uint8_t volCount, panCount;
  uint8_t volSustain, volLoopStart, volLoopEnd;
  uint8_t panSustain, panLoopStart, panLoopEnd;
  uint8_t volType, panType;  // bit 0 on, bit 1 sustain, bit 2 loop
  uint8_t vibType, vibSweep, vibDepth, vibRate;
  uint16_t fadeout;  // doubled at load
};

struct TXmPattern {
  int32_t rows;
  uint8_t* cells;  // rows x channel count cells of 5 bytes: note, instrument, volume, effect, parameter
};

constexpr int kXmMaxChannels = 32;

struct TXmSong {
  TXmPattern* patterns;
  TXmInstrument* instruments;
  int32_t samplesLeft, samplesPerTick;
  uint16_t songLength, restartPosition, channelCount;
  int32_t patternsUsed, patternSlots;
  uint16_t instrumentCount, flags, defaultTempo, defaultBpm;
  uint8_t orders[256];
  uint8_t initialGlobalVolume;
  // Play state.
  int32_t globalVolume, tickCounter, speed, bpm, row, order, patternDelay, nextRow, nextOrder;
  int32_t globalVolumeSlide;
  uint32_t songTime;  // milliseconds
  void (*tick)(TXmSong* song);
  TXmChannel channels[kXmMaxChannels];
};

// The empty sample and instrument every missing slot refers to; never freed.
extern TXmSample XmEmptySample;
extern TXmInstrument XmEmptyInstrument;

constexpr int32_t kXmMixRate = 44100;
constexpr int32_t kXmBufferMs = 1000;

// The output layer: the ring the device loops over and the mixing state around it.
struct TXmOutput {
  float invMixRate = 0;
  int32_t blockLength = 0, ringFrames = 0, blockCount = 0;
  int32_t rampLength = 128;
  float invRampLength = 1.0f / 128;
  int32_t bufferBlocks = 0;  // blocks the two buffers hold: the whole ring, or one offline
  uint32_t* outputBuffer = nullptr;  // bufferBlocks x blockLength words: left in the low 16 bits
  uint8_t* mixMemory = nullptr;
  float* mixBuffer = nullptr;  // as many frames x 2 floats, 16-byte aligned inside mixMemory
  // Per block: order (bits 0-7), row (bits 8-15), song time (bits 32-63).
  std::atomic<uint64_t>* timeInfo = nullptr;
  int32_t fillIndex = 0;
  std::atomic<int32_t> infoIndex{0};
  TXmSong* playing = nullptr;
  bool deviceOpen = false;
  struct TPlatformThread* thread = nullptr;
  std::atomic<bool> stopRequest{false}, mixing{false}, finished{true};
  uint64_t framesMixed = 0;  // since the start of playback
  // Called after every tick that started a row (offline rendering only).
  void (*rowHook)(void* ctx, const TXmSong* song, uint64_t frame) = nullptr;
  void* rowHookCtx = nullptr;
};

extern TXmOutput XmOutput;

TXmSong* SongLoad(const char* fileName);
bool SongFree(TXmSong* song);
bool SongPlay(TXmSong* song);
bool SongStop(TXmSong* song);
void SongSetBpm(TXmSong* song, int32_t bpm);
int32_t SongGetOrder(const TXmSong* song);
int32_t SongGetRow(const TXmSong* song);
uint32_t SongGetTime(const TXmSong* song);

void FillBlock();
void ConvertBlock(const float* mix, uint32_t* out, int32_t frames);

// Offline rendering through the same path, with no device and no thread. Stops any
// playback first (the voices and the ring are shared). The hook, if given, is called
// after every tick that started a row, with the frames mixed before that tick.
using TXmRowHook = void (*)(void* ctx, const TXmSong* song, uint64_t frame);
bool SongRenderBegin(TXmSong* song, TXmRowHook hook = nullptr, void* ctx = nullptr);
// Mixes the next block and copies its frames (interleaved left, right); returns the frame count.
int32_t SongRenderBlock(int16_t* frames);
void SongRenderEnd(TXmSong* song);
