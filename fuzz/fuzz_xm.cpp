// Fuzz target: an XM module from arbitrary bytes, loaded, played offline for 200 blocks (almost 4 s), freed.
#include <cstddef>
#include <cstdint>

#include "audio/xm_file.h"
#include "audio/xm_song.h"

static const uint8_t* Input = nullptr;
static size_t InputSize = 0;

static void* OpenInput(const char*) {
  return MemFileCreate(Input, static_cast<uint32_t>(InputSize > 0xFFFFFFFFu ? 0xFFFFFFFFu : InputSize));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input = data;
  InputSize = size;
  SetFileCallbacks(OpenInput, MemFileClose, MemFileRead, MemFileSeek, MemFileTell);
  TXmSong* song = SongLoad("fuzz");
  if (song) {
    SongRenderBegin(song);
    int16_t frames[2 * 1024];
    for (int i = 0; i < 200; ++i) SongRenderBlock(frames);
    SongRenderEnd(song);
    SongFree(song);
  }
  Input = nullptr;
  return 0;
}
