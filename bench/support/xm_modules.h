// Modules built for the XM benchmarks (and written as files by write_bench_xm for timing render-xm).
#pragma once
#include "support/test_env.h"
#include "support/xm_builder.h"

// 24 channels, long looped samples (forward and ping-pong), envelopes and a spread of effects.
XmModuleDef BusyModule();
// 32 channels of short looped samples (8 to 128 samples) at speeds up to several samples a
// frame: a boundary every few frames, the worst case for the mixer's per-stretch work.
XmModuleDef ShortLoopsModule();
