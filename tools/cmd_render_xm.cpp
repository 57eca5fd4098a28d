// render-xm: plays an XM module with the game's own loader and player into a WAV file.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audio/xm_file.h"
#include "audio/xm_load.h"
#include "audio/xm_render.h"
#include "audio/xm_song.h"
#include "commands.h"
#include "platform/p_file.h"

static int RenderUsage() {
  std::fprintf(stderr, "usage: halvrost-data render-xm IN.xm OUT.wav [--seconds N] [--timeline]\n");
  return 2;
}

static void PutLe(std::FILE* f, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((v >> (8 * i)) & 0xFF), f);
}

static void WriteWavHeader(std::FILE* f, uint32_t dataBytes) {
  std::fwrite("RIFF", 1, 4, f);
  PutLe(f, 36 + dataBytes, 4);
  std::fwrite("WAVEfmt ", 1, 8, f);
  PutLe(f, 16, 4);
  PutLe(f, 1, 2);  // PCM
  PutLe(f, 2, 2);
  PutLe(f, kXmMixRate, 4);
  PutLe(f, kXmMixRate * 4, 4);
  PutLe(f, 4, 2);
  PutLe(f, 16, 2);
  std::fwrite("data", 1, 4, f);
  PutLe(f, dataBytes, 4);
}

struct TWavSink {
  std::FILE* file;
  bool failed;
  std::vector<uint8_t> bytes;
};

// A block of frames as little-endian bytes, written with one call.
static void WriteFrames(const int16_t* frames, uint32_t count, void* ctx) {
  TWavSink* sink = static_cast<TWavSink*>(ctx);
  const size_t size = static_cast<size_t>(count) * 4;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  const void* b = frames;  // already the file's byte order
#else
  sink->bytes.resize(size);
  uint8_t* b = sink->bytes.data();
  for (uint32_t i = 0; i < count * 2; ++i) {
    const uint16_t v = static_cast<uint16_t>(frames[i]);
    b[2 * i] = static_cast<uint8_t>(v);
    b[2 * i + 1] = static_cast<uint8_t>(v >> 8);
  }
#endif
  if (std::fwrite(b, 1, size, sink->file) != size) sink->failed = true;
}

int CmdRenderXm(int argc, char** argv) {
  const char* in = nullptr;
  const char* out = nullptr;
  double seconds = 0;
  bool timeline = false;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--timeline") == 0) {
      timeline = true;
    } else if (std::strcmp(argv[i], "--seconds") == 0) {
      if (i + 1 >= argc) return RenderUsage();
      char* end = nullptr;
      seconds = std::strtod(argv[++i], &end);
      if (!end || *end != 0 || !(seconds > 0) || seconds > 86400) return RenderUsage();
    } else if (!in) {
      in = argv[i];
    } else if (!out) {
      out = argv[i];
    } else {
      return RenderUsage();
    }
  }
  if (!in || !out) return RenderUsage();

  if (!GameFileExists(in)) {
    std::fprintf(stderr, "render-xm: %s: cannot read the file\n", in);
    return 1;
  }
  UseMemFileCallbacks();
  TXmSong* song = SongLoad(in);
  if (!song) {
    std::fprintf(stderr, "render-xm: %s: %s\n", in, XmLastLoadError());
    return 1;
  }
  std::FILE* f = GameFileOpen(out, "wb");
  if (!f) {
    std::fprintf(stderr, "render-xm: %s: cannot write the file\n", out);
    SongFree(song);
    return 1;
  }
  // A larger buffer: a song is tens of megabytes, and each write call costs a system call.
  const size_t bufferSize = size_t{1} << 16;
  std::unique_ptr<char[]> buffer(new char[bufferSize]);
  std::setvbuf(f, buffer.get(), _IOFBF, bufferSize);
  WriteWavHeader(f, 0);
  TWavSink sink{f, false, {}};
  TXmRender render;
  render.sink = WriteFrames;
  render.sinkCtx = &sink;
  RenderSong(song, seconds, render);
  SongFree(song);
  uint64_t bytes = render.frames * 4;
  std::fseek(f, 0, SEEK_SET);
  WriteWavHeader(f, bytes > 0xFFFFFFDBu ? 0xFFFFFFDBu : static_cast<uint32_t>(bytes));
  bool failed = sink.failed || std::ferror(f);
  if (std::fclose(f) != 0) failed = true;
  if (failed) {
    std::fprintf(stderr, "render-xm: %s: write failed\n", out);
    return 1;
  }
  if (timeline) {
    for (const TXmRowStart& r : render.rows)
      std::printf("%.3f %d %d\n", static_cast<double>(r.frame) * 1000.0 / kXmMixRate, r.order, r.row);
  }
  return 0;
}
