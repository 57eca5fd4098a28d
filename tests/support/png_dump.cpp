// Reading the framebuffer back top row first and handing it to the data tool's PNG writer.
#include "support/png_dump.h"

#include "gen_pixmap.h"
#include "platform/p_gl.h"

std::vector<uint8_t> DumpFramePng(const std::string& name, int w, int h) {
  const size_t row = size_t(w) * 3;
  std::vector<uint8_t> up(row * h), rgb(up.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, up.data());
  for (int y = 0; y < h; ++y) std::copy_n(&up[row * (h - 1 - y)], row, &rgb[row * y]);
  if (const char* dir = std::getenv("HALVROST_RENDER_DUMP"))
    WritePng(std::string(dir) + "/" + name + ".png", w, h, 3, rgb.data());
  return rgb;
}
