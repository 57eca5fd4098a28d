// The frame a render test drew, read back and written as a PNG for a person to look at.
#pragma once
#include "support/test_env.h"

// Reads the current framebuffer and writes it as dir/name.png (the data tool's PNG writer) when
// HALVROST_RENDER_DUMP names a directory; returns the pixels (RGB, rows from the top) either way.
std::vector<uint8_t> DumpFramePng(const std::string& name, int w, int h);
