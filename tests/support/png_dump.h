// Writing the framebuffer as a PNG file, for looking at what a render test drew.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// rgb holds w * h pixels, three bytes each, rows from the top; stored without compression.
bool WritePng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb);
// Reads the current framebuffer and writes it as dir/name.png when HALVROST_RENDER_DUMP
// names a directory; returns the pixels (rows from the top) either way.
std::vector<uint8_t> DumpFramePng(const std::string& name, int w, int h);
