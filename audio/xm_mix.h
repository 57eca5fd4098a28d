// XM mixer: the 256 voices, the period model and the per-tick voice update.
#pragma once
#include <cstdint>

struct TXmSample;
struct TXmSong;
struct TXmChannel;

struct TMixVoice {
  int32_t index;
  int32_t volumeCopy, panningCopy;
  int32_t frequency;  // last computed, before the 100 Hz floor
  int32_t volume;     // 0 to 128
  int32_t panning;    // 0 to 255
  uint32_t startOffset;
  const TXmSample* sample;
  int32_t leftVolume, rightVolume;  // ramp targets, 0 to 255
  int32_t position;
  uint32_t fraction;
  uint32_t speedInt, speedFrac;  // 32.32 samples per output frame
  uint8_t direction;             // 1 forward, 2 backward
  int32_t lastLeft, lastRight;
  int32_t currentLeft, currentRight;  // 24.8
  float leftStep, rightStep;
  int32_t rampFrames;
  // The period and delta the frequency was last computed from.
  bool frequencyKnown, frequencyLinear;
  int32_t frequencyPeriod, frequencyDelta;
};

constexpr int kXmVoices = 256;
constexpr int kXmMixedVoices = 64;
extern TMixVoice MixVoice[kXmVoices];

// Clears every voice, numbers it and gives it a speed of 1.0.
void ResetVoices();
// Adds frames of voices 0 to 63 into the interleaved float stereo buffer.
void MixVoices(float* destination, int32_t frames);
void UpdateVoice(TXmChannel* ch, const TXmSample* sample, const TXmSong* song);
// The mixer uses the widest instructions the processor has (AVX2) unless told not to; the
// output is the same either way. Returns whether the wider ones are now in use.
bool XmMixerUseWidest(bool widest);

// Periods for a 0-based note that already includes the relative note.
int32_t NotePeriod(int32_t note, int32_t finetune);  // Amiga table
int32_t LinearPeriod(int32_t note, int32_t finetune);
// The frequency for period + delta; false when it cannot be computed (period + delta = 0).
bool PeriodFrequency(bool linear, int32_t period, int32_t delta, int32_t& frequency);
