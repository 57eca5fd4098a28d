// XM pattern playback: the per-channel state and the tick procedure with its effects.
#pragma once
#include <cstdint>

struct TXmSong;
struct TXmSample;
struct TXmInstrument;
struct TMixVoice;

// Change flags handed to UpdateVoice.
enum : uint8_t {
  kXmFrequency = 0x01,
  kXmVolume = 0x02,
  kXmPanning = 0x04,
  kXmTrigger = 0x08,
  kXmRewind = 0x20,
};

struct TXmEnvelopeState {
  int32_t point;   // index of the point being approached
  int32_t tick;
  int32_t value;   // 16.16 fixed point
  int32_t step;    // per tick, 16.16
  int32_t output;  // 0 to 64
  bool finished;
};

struct TXmChannel {
  TMixVoice* voice;
  uint8_t flags;
  int32_t note;        // 0-based, without the relative note
  int32_t instrument;  // 0-based
  uint8_t realNote;    // note + the sample's relative note, 8-bit wrap-around
  TXmSample* sample;   // the sample in use
  int32_t period, notePeriod, periodDelta;
  int32_t volume, volumeDelta, panning;
  TXmEnvelopeState volEnv, panEnv;
  bool keyOff;
  int32_t fadeoutVolume;  // 0 to 65536
  // Effect memories.
  int32_t portaUp, portaDown, tonePortaSpeed, volumeSlide, panningSlide;
  int32_t finePortaUp, finePortaDown, fineVolumeSlide, extraFineUp, extraFineDown, sampleOffset;
  int32_t vibratoSpeed, vibratoDepth, vibratoPos;
  int32_t tremoloSpeed, tremoloDepth, tremoloPos;
  uint8_t waveControl;  // vibrato waveform low 4 bits, tremolo high 4 bits
  int32_t retrigType, retrigInterval;
  int32_t tremorOn, tremorOff, tremorCount;
  int32_t loopStartRow, loopCount;
  uint8_t previousEffect;
  int32_t autoVibPos, autoVibSweep;
  // Values saved at the start of a row for the note delay.
  int32_t savedVolume, savedPeriod, savedPanning;
};

// One tick: the first tick of a row reads the row, the others continue its effects.
void SongTick(TXmSong* song);
void ProcessRow(TXmSong* song);
void ProcessTick(TXmSong* song);

enum TXmEnvelopeKind { kXmVolumeEnvelope, kXmPanningEnvelope };
void StepEnvelope(TXmChannel* ch, TXmEnvelopeKind kind, const TXmInstrument* inst);
// Places the volume envelope at the given tick (effect L).
void SetEnvelopePosition(TXmChannel* ch, const TXmInstrument* inst, int32_t tick);
void ResetChannelFromSample(TXmChannel* ch, const TXmSample* sample);
void ApplyVolumeColumn(TXmChannel* ch, uint8_t value);
