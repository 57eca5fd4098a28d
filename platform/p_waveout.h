// Waveform output: one ring of 16-bit stereo frames played as an endless loop.
#pragma once
#include <cstdint>

// Opens the output device for 16-bit stereo PCM at the given rate; false when there is none.
bool WaveOutOpen(uint32_t rate);
// Plays the ring [data, data + bytes) over and over from its start. The ring must stay
// valid until WaveOutReset or WaveOutClose; the caller may rewrite parts the device is
// not reading (everything but the stretch at the play position).
bool WaveOutPlayLoop(const void* data, uint32_t bytes);
// Bytes of the ring consumed so far, modulo the ring size.
uint32_t WaveOutPosition();
// Stops playing and forgets the ring; once it returns the device no longer reads it.
void WaveOutReset();
void WaveOutClose();
bool WaveOutIsOpen();

// Test aid: while set, opening fails as it does where there is no output device.
void WaveOutTestRefuseOpen(bool refuse);
// Test aid: every stretch the device consumes from the ring is handed to the
// monitor from the audio thread (nullptr switches it off).
void WaveOutSetMonitor(void (*monitor)(const uint8_t* bytes, uint32_t count, void* ctx), void* ctx);
