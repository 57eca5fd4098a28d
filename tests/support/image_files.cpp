// TGA and JPEG file writers for tests.
#include "support/image_files.h"

#include <jpeglib.h>

std::vector<uint8_t> MakeTga(const TgaSpec& s) {
  auto lo = [](uint16_t v) { return uint8_t(v & 0xFF); };
  auto hi = [](uint16_t v) { return uint8_t(v >> 8); };
  std::vector<uint8_t> f = {s.idLength, s.mapType, s.imageType, 0, 0, lo(s.mapLength), hi(s.mapLength), s.mapEntrySize,
                            0, 0, 0, 0, lo(s.width), hi(s.width), lo(s.height), hi(s.height), s.depth, s.descriptor};
  for (int i = 0; i < s.idLength; ++i) f.push_back(static_cast<uint8_t>(0xA0 + i));
  f.insert(f.end(), s.palette.begin(), s.palette.end());
  f.insert(f.end(), s.pixels.begin(), s.pixels.end());
  return f;
}

std::vector<uint8_t> MakeJpeg(int width, int height, const std::vector<uint8_t>& rgb, int components, int quality) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long memSize = 0;
  jpeg_mem_dest(&cinfo, &mem, &memSize);
  cinfo.image_width = width, cinfo.image_height = height, cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * components);
  for (JSAMPROW r = row.data(); cinfo.next_scanline < cinfo.image_height; jpeg_write_scanlines(&cinfo, &r, 1))
    for (int i = 0; i < width * components; ++i)
      row[i] = rgb[(size_t(cinfo.next_scanline) * width + i / components) * 3 + i % components];
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> out(mem, mem + memSize);
  jpeg_destroy_compress(&cinfo);
  std::free(mem);
  return out;
}
