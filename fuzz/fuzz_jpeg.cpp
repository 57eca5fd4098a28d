// Fuzz target: JPEG decoding of any bytes returns a whole 24-bit picture or nothing, never aborts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <csetjmp>
#include <cstdio>
#include <vector>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "render/l_jpeg.h"

// Pictures the decoder accepts may be 16384 x 16384; a few hundred bytes of progressive
// stream can claim that much, and decoding it honestly takes seconds. Such inputs prove
// nothing new about the decoder, so the target skips pictures over four million pixels.
static bool SmallEnough(const uint8_t* data, size_t size) {
  struct Err {
    jpeg_error_mgr base;
    jmp_buf jump;
  } err;
  jpeg_decompress_struct cinfo;
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = [](j_common_ptr c) { longjmp(reinterpret_cast<Err*>(c->err)->jump, 1); };
  err.base.output_message = [](j_common_ptr) {};
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return true;  // the decoder refuses it too: let it
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  bool small = true;
  if (jpeg_read_header(&cinfo, TRUE) == JPEG_HEADER_OK)
    small = static_cast<uint64_t>(cinfo.image_width) * cinfo.image_height <= 4u << 20;
  jpeg_destroy_decompress(&cinfo);
  return small;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size && !SmallEnough(data, size)) return 0;
  std::vector<uint8_t> bytes(data, data + size);
  TImage img;
  if (!DecodeJpegMemory(bytes.data(), bytes.size(), img)) return 0;
  if (img.Width <= 0 || img.Height <= 0 || img.Bits != 24) abort();
  if (img.Pixels.size() != size_t(img.Width) * img.Height * 3) abort();
  return 0;
}
