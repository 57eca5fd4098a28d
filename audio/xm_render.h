// Offline XM rendering: a whole song to 16-bit stereo PCM with its row timeline.
#pragma once
#include <cstdint>
#include <vector>

struct TXmSong;

struct TXmRowStart {
  uint64_t frame;  // frames mixed before the row's first tick
  int32_t order, row;
};

struct TXmRender {
  // Receives the frames as they are rendered (interleaved left, right); when not set
  // they are collected in pcm.
  void (*sink)(const int16_t* frames, uint32_t count, void* ctx) = nullptr;
  void* sinkCtx = nullptr;
  std::vector<int16_t> pcm;
  std::vector<TXmRowStart> rows;
  uint64_t frames = 0;          // frames kept
  uint64_t framesRendered = 0;  // including the tail of the last block
  bool endedWithSong = false;  // the order list was played once (rather than cut at the limit)
};

constexpr double kXmRenderMaxSeconds = 600.0;

// Renders `seconds` of the song, or with seconds <= 0 until the song has played its
// order list once (at most kXmRenderMaxSeconds). Rows are those starting inside the render.
bool RenderSong(TXmSong* song, double seconds, TXmRender& out);
