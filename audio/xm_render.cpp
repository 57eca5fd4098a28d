// Offline XM rendering: block by block through the player's own FillBlock path.
#include "audio/xm_render.h"

#include <cmath>

#include "audio/xm_song.h"

struct TRenderWatch {
  std::vector<TXmRowStart>* rows;
  bool untilEnd;        // stop at the end of the first pass
  bool lastRowStarted;  // the row now playing ends the first pass through the order list
  bool ended;
  uint64_t endFrame;
};

static void WatchRow(void* ctx, const TXmSong* song, uint64_t frame) {
  TRenderWatch* w = static_cast<TRenderWatch*>(ctx);
  if (w->ended) return;
  if (w->lastRowStarted && w->untilEnd) {
    w->ended = true;
    w->endFrame = frame;
    return;
  }
  w->rows->push_back(TXmRowStart{frame, song->order, song->row});
  // After the row's first tick the next position is decided: going to an order at or
  // before this one (end of the list, restart, a jump or break back) closes the pass.
  if (song->nextOrder >= 0 && song->nextOrder <= song->order) w->lastRowStarted = true;
}

bool RenderSong(TXmSong* song, double seconds, TXmRender& out) {
  out.pcm.clear();
  out.rows.clear();
  out.frames = 0;
  out.framesRendered = 0;
  out.endedWithSong = false;
  if (!song) return false;
  const bool untilEnd = !(seconds > 0);
  const double limitSeconds = untilEnd ? kXmRenderMaxSeconds : seconds;
  const uint64_t limit = static_cast<uint64_t>(std::llround(limitSeconds * kXmMixRate));
  TRenderWatch watch{&out.rows, untilEnd, false, false, 0};
  if (!SongRenderBegin(song, WatchRow, &watch)) return false;
  std::vector<int16_t> block(static_cast<size_t>(XmOutput.blockLength) * 2);
  uint64_t total = 0;  // frames rendered and kept
  uint64_t wanted = limit;
  while (total < wanted) {
    int32_t n = SongRenderBlock(block.data());
    if (n <= 0) break;
    const uint64_t blockStart = out.framesRendered;
    out.framesRendered += static_cast<uint64_t>(n);
    if (untilEnd && watch.ended && watch.endFrame < wanted) {
      wanted = watch.endFrame;
      out.endedWithSong = true;
    }
    uint64_t keep = wanted > blockStart ? wanted - blockStart : 0;
    if (keep > static_cast<uint64_t>(n)) keep = static_cast<uint64_t>(n);
    if (keep > 0) {
      if (out.sink) out.sink(block.data(), static_cast<uint32_t>(keep), out.sinkCtx);
      else out.pcm.insert(out.pcm.end(), block.begin(), block.begin() + static_cast<ptrdiff_t>(keep) * 2);
    }
    total += keep;
  }
  SongRenderEnd(song);
  out.frames = total;
  while (!out.rows.empty() && out.rows.back().frame >= total) out.rows.pop_back();
  return true;
}
