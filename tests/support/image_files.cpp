// TGA and JPEG file writers for tests.
#include "support/image_files.h"

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

std::vector<uint8_t> MakeTga(const TgaSpec& s) {
  std::vector<uint8_t> f(18, 0);
  f[0] = s.idLength;
  f[1] = s.mapType;
  f[2] = s.imageType;
  f[5] = s.mapLength & 0xFF;
  f[6] = s.mapLength >> 8;
  f[7] = s.mapEntrySize;
  f[12] = s.width & 0xFF;
  f[13] = s.width >> 8;
  f[14] = s.height & 0xFF;
  f[15] = s.height >> 8;
  f[16] = s.depth;
  f[17] = s.descriptor;
  for (int i = 0; i < s.idLength; ++i) f.push_back(static_cast<uint8_t>(0xA0 + i));
  f.insert(f.end(), s.palette.begin(), s.palette.end());
  f.insert(f.end(), s.pixels.begin(), s.pixels.end());
  return f;
}

std::vector<uint8_t> MakeJpeg(int width, int height, const std::vector<uint8_t>& rgb, int components,
                              int quality) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long memSize = 0;
  jpeg_mem_dest(&cinfo, &mem, &memSize);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * components);
  while (cinfo.next_scanline < cinfo.image_height) {
    size_t y = cinfo.next_scanline;
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < components; ++c) row[x * components + c] = rgb[(y * width + x) * 3 + c];
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> out(mem, mem + memSize);
  jpeg_destroy_compress(&cinfo);
  std::free(mem);
  return out;
}
