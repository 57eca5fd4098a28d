// WAV header reading for the sound samples; pure, so it can be tested and fuzzed alone.
#include "audio/l_wave.h"

#include <cstring>

static uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

static uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

bool ParseWave(const uint8_t* bytes, size_t size, TWaveData& out) {
  const size_t kHeader = 44;
  if (!bytes || size < kHeader) return false;
  if (std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) return false;
  PlatformWaveFormat f;
  const uint8_t* r = bytes + 20;
  f.formatTag = ReadU16(r);
  f.channels = ReadU16(r + 2);
  f.samplesPerSec = ReadU32(r + 4);
  f.bitsPerSample = ReadU16(r + 14);
  f.extraSize = ReadU16(r + 16);
  if (f.bitsPerSample < 8) return false;
  // A record that cannot describe real data would only make a broken buffer.
  if (f.bitsPerSample % 8 != 0 || f.channels == 0 || f.samplesPerSec == 0) return false;
  uint32_t align = static_cast<uint32_t>(f.bitsPerSample / 8) * f.channels;
  if (align > 0xFFFF) return false;
  f.blockAlign = static_cast<uint16_t>(align);
  f.avgBytesPerSec = f.blockAlign * f.samplesPerSec;
  uint32_t length = ReadU32(bytes + 40);
  if (length > size - kHeader) return false;
  out.format = f;
  out.length = length;
  out.data = bytes + kHeader;
  return true;
}
