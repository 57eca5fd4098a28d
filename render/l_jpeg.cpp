// JPEG decoding with libjpeg; errors come back as a failed result instead of ending the process.
#include "render/l_jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <new>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

#include "platform/p_file.h"

namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf jump;
};

void OnError(j_common_ptr cinfo) {
  ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr) {}  // decoders stay silent

// libjpeg pads a stream that ends early with grey and goes on. That turns a few hundred
// bytes claiming a huge picture into seconds of work and hundreds of megabytes, so running
// out of data is an error here; other warnings stay harmless.
void OnWarning(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) OnError(cinfo);
}

// No C++ object with a destructor lives in this frame, so the longjmp out of
// libjpeg skips nothing.
bool Decode(const uint8_t* data, size_t size, TImage& out, unsigned long maxPixels) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnError;
  err.base.output_message = OnMessage;
  err.base.emit_message = OnWarning;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  cinfo.scale_num = 1;
  cinfo.scale_denom = 1;
  if (static_cast<unsigned long>(cinfo.image_width) * cinfo.image_height > maxPixels) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 3 || cinfo.output_width == 0 || cinfo.output_height == 0) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  size_t rowBytes = size_t(cinfo.output_width) * 3;
  out.Width = static_cast<int32_t>(cinfo.output_width);
  out.Height = static_cast<int32_t>(cinfo.output_height);
  out.Bits = 24;
  // Rows are added as they decode, so a stream that fails early never fills the whole picture.
  // Reserved here, so nothing below allocates; a picture too large for memory fails the decode.
  try {
    out.Pixels.reserve(rowBytes * cinfo.output_height);
  } catch (const std::bad_alloc&) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    out.Pixels.resize(out.Pixels.size() + rowBytes);
    JSAMPROW row = out.Pixels.data() + size_t(cinfo.output_scanline) * rowBytes;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) {
      jpeg_destroy_decompress(&cinfo);
      return false;
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

bool DecodeJpegMemory(const uint8_t* data, size_t size, TImage& out, unsigned long maxPixels) {
  out = TImage{};
  if (!data || size == 0) return false;
  if (!Decode(data, size, out, std::min(maxPixels, kJpegMaxPixels))) {
    out = TImage{};
    return false;
  }
  // libjpeg gives red first; the game's pixels are blue first.
  uint8_t* p = out.Pixels.data();
  for (size_t i = 0, n = out.Pixels.size(); i + 2 < n; i += 3) {
    uint8_t t = p[i];
    p[i] = p[i + 2];
    p[i + 2] = t;
  }
  return true;
}

bool DecodeJpeg(const std::string& fileName, TImage& out) {
  out = TImage{};
  std::vector<uint8_t> bytes;
  try {
    if (!GameFileReadAll(fileName, bytes)) return false;
  } catch (const std::bad_alloc&) {
    return false;  // a file too large for memory
  }
  return DecodeJpegMemory(bytes.data(), bytes.size(), out);
}
