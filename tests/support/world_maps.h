// Height images built in memory, and the camera and pixel reads of the tests that draw the world.
#pragma once
#include "support/test_env.h"
#include <array>
#include <functional>

#include "game/l_game.h"
#include "platform/p_gl.h"
#include "render/l_image.h"

// blue(k, j) gives the height byte of vertex (k, j): y = blue / 8.
inline TImage MakeHeightImage(int w, int h, const std::function<uint8_t(int k, int j)>& blue) {
  TImage img{w, h, 24, std::vector<uint8_t>(size_t(w) * h * 3, 0)};
  for (int j = 0; j < h; ++j)
    for (int k = 0; k < w; ++k) img.Pixels[(size_t(j) * w + k) * 3] = blue(k, j);
  return img;
}
inline TImage FlatHeightImage(int w, int h, uint8_t blue) {
  return MakeHeightImage(w, h, [blue](int, int) { return blue; });
}

// The player's eye at `at` looking along pitch and yaw: the camera follows, the frame is
// cleared and the camera's projection and view are loaded.
inline void LookFrom(const TVector& at, float pitch, float yaw) {
  Player.Position = at, Player.Pitch = pitch, Player.Yaw = yaw;
  UpdateCamera(Camera);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  CameraProjection(Camera);
  CameraLoadView(Camera);
}

// Red, green and blue of one framebuffer pixel, y counted from the bottom.
inline std::array<int, 3> ReadPixel(int x, int y) {
  uint8_t p[4] = {0, 0, 0, 0};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}
