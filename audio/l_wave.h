// WAV header reading: the canonical 44-byte layout, checked against the bytes actually present.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/p_sound.h"

struct TWaveData {
  PlatformWaveFormat format;  // block align and bytes per second recomputed
  uint32_t length;            // bytes of sample data
  const uint8_t* data;        // points into the parsed bytes, at offset 44
};

// "RIFF" at 0, "WAVE" at 8, the format record at 20, the data length at 40 and the
// data at 44; chunk ids and sizes in between are not looked at. Refuses fewer than
// 8 bits, bits that are not whole bytes, no channels, a rate of 0, a block align
// that does not fit 16 bits, and a length running past the end of the bytes.
bool ParseWave(const uint8_t* bytes, size_t size, TWaveData& out);
