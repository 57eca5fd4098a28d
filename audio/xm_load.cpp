// XM module loader: header, order list, patterns, instruments, envelopes and sample data.
#include "audio/xm_load.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "audio/xm_file.h"
#include "audio/xm_song.h"

static char LoadErrorText[160];

const char* XmLastLoadError() { return LoadErrorText; }

void XmSetLoadError(const char* reason) {
  std::snprintf(LoadErrorText, sizeof LoadErrorText, "%s", reason ? reason : "");
}

// Reads past the end deliver nothing; every destination starts zeroed so that
// values a short file never delivered read as zero.
static uint8_t ReadU8(void* s) {
  uint8_t b = 0;
  XmFile.read(&b, 1, s);
  return b;
}

static uint16_t ReadU16(void* s) {
  uint8_t b[2] = {0, 0};
  XmFile.read(b, 2, s);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

static uint32_t Le32(const uint8_t* b) {
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
         (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

static uint32_t ReadU32(void* s) {
  uint8_t b[4] = {0, 0, 0, 0};
  XmFile.read(b, 4, s);
  return Le32(b);
}

// Absolute seek; a target beyond 32 bits (header size + offset overflow) means the end.
static void SeekTo(void* s, uint64_t position) {
  XmFile.seek(s, position > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(position), 0);
}

static uint32_t StreamSize(void* s) {
  uint32_t here = XmFile.tell(s);
  XmFile.seek(s, 0, 2);
  uint32_t size = XmFile.tell(s);
  XmFile.seek(s, here, 0);
  return size;
}

// Unpacks count cells into dst (or only consumes them when dst is null). Stops at the
// end of the stream: everything after it would decode as empty cells anyway.
static void UnpackCells(void* s, uint8_t* dst, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t b = 0;
    if (XmFile.read(&b, 1, s) == 0) return;
    uint8_t f[5] = {0, 0, 0, 0, 0};
    if (b & 0x80) {
      for (int k = 0; k < 5; ++k)
        if (b & (1 << k)) f[k] = ReadU8(s);
    } else {
      f[0] = b;
      XmFile.read(f + 1, 4, s);
    }
    if (f[0] == 97) f[0] = 255;
    if (f[1] > 128) f[1] = 0;
    if (dst) std::memcpy(dst + static_cast<size_t>(i) * 5, f, 5);
  }
}

static bool LoadPatterns(TXmSong* song, void* s, uint16_t headerPatterns, uint32_t fileSize) {
  int32_t used = 0;
  for (int i = 0; i < song->songLength; ++i)
    if (song->orders[i] + 1 > used) used = song->orders[i] + 1;
  song->patternsUsed = used;
  // Only patterns 0 to 255 can be named by the order list; later ones are read past.
  const int32_t stored = headerPatterns < 256 ? headerPatterns : 256;
  song->patternSlots = used > stored ? used : stored;
  song->patterns = new TXmPattern[song->patternSlots > 0 ? song->patternSlots : 1]();
  const uint32_t channels = song->channelCount;
  for (int32_t p = 0; p < headerPatterns; ++p) {
    if (p >= stored && XmFile.tell(s) >= fileSize) break;
    ReadU32(s);  // header length: the header is always 9 bytes
    ReadU8(s);   // packing type
    uint16_t rows = ReadU16(s);
    uint16_t packed = ReadU16(s);
    bool keep = p < stored;
    bool valid = rows >= 1 && rows <= 256;
    if (keep) {
      // A pattern of 0 or more than 256 rows plays as 64 empty rows.
      int32_t r = valid ? rows : 64;
      song->patterns[p].rows = r;
      song->patterns[p].cells = new uint8_t[static_cast<size_t>(r) * channels * 5]();
    }
    if (packed == 0) continue;
    UnpackCells(s, keep && valid ? song->patterns[p].cells : nullptr, static_cast<uint32_t>(rows) * channels);
  }
  for (int32_t p = 0; p < song->patternSlots; ++p) {
    if (song->patterns[p].cells) continue;
    song->patterns[p].rows = 64;
    song->patterns[p].cells = new uint8_t[64 * channels * 5]();
  }
  return true;
}

static void ReadEnvelope(void* s, TXmEnvelopePoint* points) {
  uint8_t b[48] = {};
  XmFile.read(b, 48, s);
  for (int i = 0; i < 12; ++i) {
    points[i].x = static_cast<uint16_t>(b[4 * i] | (b[4 * i + 1] << 8));
    points[i].y = static_cast<uint16_t>(b[4 * i + 2] | (b[4 * i + 3] << 8));
  }
}

// Keeps an envelope's counts and indices inside its 12 points and its values in 0..64.
static void CheckEnvelope(uint8_t& count, uint8_t& type, uint8_t loopStart, TXmEnvelopePoint* points) {
  if (count < 2) type = 0;
  if (count > 12) count = 12;
  if (loopStart >= count) type &= static_cast<uint8_t>(~4);
  for (int i = 0; i < 12; ++i)
    if (points[i].y > 64) points[i].y = 64;
}

static TXmSample* ReadSampleHeader(void* s) {
  uint8_t h[40] = {};
  XmFile.read(h, 40, s);
  TXmSample* smp = new TXmSample{};
  smp->length = Le32(h);
  smp->loopStart = Le32(h + 4);
  smp->loopLength = Le32(h + 8);
  smp->volume = h[12];
  smp->finetune = static_cast<int8_t>(h[13]);
  uint8_t type = h[14];
  smp->panning = h[15];
  smp->relativeNote = static_cast<int8_t>(h[16]);
  smp->loopMode = 1;
  smp->bits = 8;
  if (type & 1) smp->loopMode = 2;
  if (type & 2) smp->loopMode = 4;
  if (type & 16) smp->bits = 16;
  if (smp->loopMode == 1) {
    smp->loopStart = 0;
    smp->loopLength = smp->length;
  }
  if (smp->bits == 16) {
    smp->length /= 2;
    smp->loopStart /= 2;
    smp->loopLength /= 2;
  }
  if (smp->loopLength == 0) {
    smp->loopStart = 0;
    smp->loopLength = smp->length;
    smp->loopMode = 1;
  }
  return smp;
}

// Positions stay well inside the mixer's signed 32-bit sample index.
static const uint32_t kMaxSampleLength = 1u << 30;

static void ReadSampleData(void* s, TXmSample* smp, uint32_t fileSize) {
  // A length beyond what the file still holds is cut to it (no huge empty buffers).
  uint32_t here = XmFile.tell(s);
  uint64_t avail = fileSize > here ? fileSize - here : 0;
  uint64_t bytes = static_cast<uint64_t>(smp->bits) * smp->length / 8;
  if (bytes > avail) smp->length = static_cast<uint32_t>(smp->bits == 16 ? avail / 2 : avail);
  if (smp->length > kMaxSampleLength) smp->length = kMaxSampleLength;
  bytes = static_cast<uint64_t>(smp->bits) * smp->length / 8;
  // The loop stays inside the sample, so the loop guard and the mixer stay inside the data.
  if (smp->loopMode == 1 || smp->loopStart >= smp->length) {
    smp->loopMode = 1;
    smp->loopStart = 0;
    smp->loopLength = smp->length;
  } else if (smp->loopLength > smp->length - smp->loopStart) {
    smp->loopLength = smp->length - smp->loopStart;
  }
  const uint8_t bits = smp->bits;
  smp->bits = 16;
  if (smp->length == 0) return;
  // The length is cut to the bytes the file holds, so the read fills all of it; only the
  // slack after it needs clearing.
  smp->data = new int16_t[static_cast<size_t>(smp->length) + 8];
  std::memset(smp->data + smp->length, 0, 8 * sizeof(int16_t));
  if (bits == 8) {
    // Read into the upper half and widen from the front: each byte lies at or after its sample.
    uint8_t* raw = reinterpret_cast<uint8_t*>(smp->data) + smp->length;
    std::memset(raw, 0, smp->length);
    XmFile.read(raw, static_cast<uint32_t>(bytes), s);
    for (uint32_t i = 0; i < smp->length; ++i) smp->data[i] = static_cast<int16_t>(static_cast<uint16_t>(raw[i] << 8));
  } else {
    uint8_t* raw = reinterpret_cast<uint8_t*>(smp->data);
    std::memset(raw, 0, static_cast<size_t>(bytes));
    XmFile.read(raw, static_cast<uint32_t>(bytes), s);
    for (uint32_t i = 0; i < smp->length; ++i)
      smp->data[i] = static_cast<int16_t>(static_cast<uint16_t>(raw[2 * i] | (raw[2 * i + 1] << 8)));
  }
  uint16_t sum = 0;
  for (uint32_t i = 0; i < smp->length; ++i) {
    sum = static_cast<uint16_t>(sum + static_cast<uint16_t>(smp->data[i]));
    smp->data[i] = static_cast<int16_t>(sum);
  }
  const uint32_t end = smp->loopStart + smp->loopLength;
  if (smp->loopMode == 4) smp->data[end] = smp->data[end - 1];
  else if (smp->loopMode == 2) smp->data[end] = smp->data[smp->loopStart];
}

static bool LoadInstrument(TXmInstrument& inst, int number, void* s, uint32_t fileSize) {
  uint32_t p = XmFile.tell(s);
  uint32_t size = ReadU32(s);
  XmFile.seek(s, 23, 1);
  uint16_t count = ReadU16(s);
  if (count > 16) {
    char text[96];
    std::snprintf(text, sizeof text, "instrument %d has %u samples (at most 16)", number, count);
    XmSetLoadError(text);
    return false;
  }
  inst.sampleCount = count;
  if (count == 0) {
    for (TXmSample*& smp : inst.samples) smp = &XmEmptySample;
    SeekTo(s, static_cast<uint64_t>(p) + size);
    return true;
  }
  ReadU32(s);  // sample header size: always 40
  XmFile.read(inst.noteMap, 96, s);
  ReadEnvelope(s, inst.volPoints);
  ReadEnvelope(s, inst.panPoints);
  uint8_t b[16] = {};
  XmFile.read(b, 16, s);
  inst.volCount = b[0];
  inst.panCount = b[1];
  inst.volSustain = b[2];
  inst.volLoopStart = b[3];
  inst.volLoopEnd = b[4];
  inst.panSustain = b[5];
  inst.panLoopStart = b[6];
  inst.panLoopEnd = b[7];
  inst.volType = b[8];
  inst.panType = b[9];
  inst.vibType = b[10];
  inst.vibSweep = b[11];
  inst.vibDepth = b[12];
  inst.vibRate = b[13];
  inst.fadeout = static_cast<uint16_t>((b[14] | (b[15] << 8)) * 2);
  CheckEnvelope(inst.volCount, inst.volType, inst.volLoopStart, inst.volPoints);
  CheckEnvelope(inst.panCount, inst.panType, inst.panLoopStart, inst.panPoints);
  SeekTo(s, static_cast<uint64_t>(p) + size);
  for (int k = 0; k < count; ++k) inst.samples[k] = ReadSampleHeader(s);
  for (int k = count; k < 16; ++k) inst.samples[k] = &XmEmptySample;
  for (int k = 0; k < count; ++k) ReadSampleData(s, inst.samples[k], fileSize);
  return true;
}

bool LoadXm(TXmSong* song, void* stream) {
  XmSetLoadError(nullptr);
  if (!song || !stream || !FileCallbacksSet()) {
    XmSetLoadError("no stream");
    return false;
  }
  const uint32_t fileSize = StreamSize(stream);
  XmFile.seek(stream, 0, 0);
  char signature[17] = {};
  XmFile.read(signature, 17, stream);
  if (std::memcmp(signature, "Extended Module: ", 17) != 0) {
    XmSetLoadError("not an XM module (no \"Extended Module: \" signature)");
    return false;
  }
  song->tick = SongTick;
  song->initialGlobalVolume = 64;

  XmFile.seek(stream, 60, 0);
  uint32_t headerSize = ReadU32(stream);
  song->songLength = ReadU16(stream);
  song->restartPosition = ReadU16(stream);
  song->channelCount = ReadU16(stream);
  uint16_t headerPatterns = ReadU16(stream);
  uint8_t h[264] = {};
  XmFile.read(h, 264, stream);
  song->instrumentCount = static_cast<uint16_t>(h[0] | (h[1] << 8));
  song->flags = static_cast<uint16_t>(h[2] | (h[3] << 8));
  song->defaultTempo = static_cast<uint16_t>(h[4] | (h[5] << 8));
  song->defaultBpm = static_cast<uint16_t>(h[6] | (h[7] << 8));
  std::memcpy(song->orders, h + 8, 256);

  // Voices c and c + 32 form a pair, so 32 channels are all the mixer can serve.
  if (song->channelCount == 0) {
    XmSetLoadError("the module has no channels");
    return false;
  }
  if (song->channelCount > kXmMaxChannels) {
    char text[96];
    std::snprintf(text, sizeof text, "the module has %u channels (at most %d)", song->channelCount, kXmMaxChannels);
    XmSetLoadError(text);
    return false;
  }
  if (song->songLength > 256) song->songLength = 256;
  if (song->restartPosition >= song->songLength) song->restartPosition = 0;
  SeekTo(stream, 60ull + headerSize);

  LoadPatterns(song, stream, headerPatterns, fileSize);

  // Cells name instruments 1 to 128 only; instruments beyond can never sound.
  if (song->instrumentCount > 128) song->instrumentCount = 128;
  song->instruments = new TXmInstrument[song->instrumentCount > 0 ? song->instrumentCount : 1]();
  for (int i = 0; i < song->instrumentCount; ++i)
    if (!LoadInstrument(song->instruments[i], i + 1, stream, fileSize)) return false;
  return true;
}
