// Fuzz target: an XM module from arbitrary bytes, loaded, played offline for 200 blocks (almost 4 s), freed.
#include <cstddef>
#include <cstdint>

#include "audio/xm_file.h"
#include "audio/xm_song.h"

static const uint8_t* Input = nullptr;
static uint32_t InputSize = 0;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input = data;
  InputSize = static_cast<uint32_t>(size > 0xFFFFFFFFu ? 0xFFFFFFFFu : size);
  SetFileCallbacks([](const char*) -> void* { return MemFileCreate(Input, InputSize); }, MemFileClose, MemFileRead,
                   MemFileSeek, MemFileTell);
  if (TXmSong* song = SongLoad("fuzz")) {
    SongRenderBegin(song);
    int16_t frames[2 * 1024];
    for (int i = 0; i < 200; ++i) SongRenderBlock(frames);
    SongRenderEnd(song);
    SongFree(song);
  }
  return 0;
}
