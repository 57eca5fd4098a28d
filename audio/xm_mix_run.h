// XM mixer inner loops: runs of frames of one voice, in SSE2 or AVX2, and the block conversion.
#pragma once
#include <cstdint>

// How the position moves through a run. A line is a plain 32.32 position with a signed
// step. A looping voice that is not ramping walks its loop without stopping at the
// boundaries: z is the offset from the loop start, wrapped by the loop length (forward
// loop) or, unfolded, by twice the loop length (ping-pong), which is exactly what the
// boundary rule does each time the position crosses. Crossings only matter to ramps,
// whose gains are re-rounded at every boundary, so ramps keep to lines.
enum TXmPath { kXmLine, kXmWrap, kXmFold };

struct TXmWalk {
  int64_t z;         // kXmLine: the position; otherwise the offset from the loop start
  int64_t step;      // per frame (negative on a backward line)
  int64_t start;     // loop start, 32.32
  int64_t len;       // loop length, 32.32
  int64_t period;    // len (kXmWrap) or 2 len (kXmFold)
  int64_t readable;  // samples the data holds: the length and the 8 of slack
};

// Adds n frames of one voice into interleaved stereo floats, with exactly the designed
// arithmetic. Without a ramp the gains stay; with one they grow by their steps after every
// frame and are handed back as they end. The walk is left at the next frame.
void MixRun(TXmPath path, bool ramp, const int16_t* data, TXmWalk& w, float* out, int32_t n, float& lg, float& rg,
            float ls, float rs);
