// The straightforward XM mixer and block conversion, kept as the reference the fast ones are compared with.
#pragma once
#include "support/test_env.h"

// Adds frames of voices 0 to 63 exactly as the mixer is designed, one frame at a time.
void ReferenceMixVoices(float* destination, int32_t frames);
// Rounds and clips the float frames to 16-bit words one sample at a time, as designed.
void ReferenceConvertBlock(const float* mix, uint32_t* out, int32_t frames);
