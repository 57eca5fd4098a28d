// The generated world in the game: the texture manager, the map loader and the renderer.
#include <gtest/gtest.h>

#include "platform/p_gl.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "actors/l_player.h"
#include "app/l_app.h"
#include "app/l_icon.h"
#include "game/l_camera.h"
#include "game/l_game.h"
#include "platform/p_window.h"
#include "render/l_gl.h"
#include "support/generated_data.h"
#include "support/png_dump.h"
#include "support/test_env.h"
#include "world/l_map.h"

class DataImagesGL : public GLTest {};

TEST_F(DataImagesGL, EveryTextureLoadsThroughTheTextureManager) {
  InGeneratedTree here;
  int loaded = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator("data")) {
    if (!entry.is_regular_file()) continue;
    // The game's own spelling: backslashes below "data".
    std::string name = entry.path().generic_string();
    std::replace(name.begin(), name.end(), '/', '\\');
    const uint32_t t = LoadTexture(name, false);
    EXPECT_NE(t, 0u) << name;
    FreeTexture(t);
    ++loaded;
  }
  EXPECT_EQ(loaded, 18);
}

// The offscreen window takes the icon as the game's window does.
TEST_F(DataImagesGL, WindowTakesTheIcon) {
  const std::vector<uint8_t> icon = MakeIconPixels();
  PlatformSetWindowIcon(icon.data(), 32, 32);
  EXPECT_TRUE(PlatformWindowExists());
}

TEST_F(DataImagesGL, MapLoadsWithOpenGroundAndWalkableWaysToTheSpawnCorners) {
  InGeneratedTree here;
  TMap map;
  ASSERT_TRUE(MapLoad(map, "map1"));
  EXPECT_EQ(map.Width, 128);
  EXPECT_EQ(map.Height, 128);
  EXPECT_EQ(map.Pixels.Width, 512);  // kept for decals and the gun's tint
  EXPECT_EQ(map.Pixels.Height, 512);
  float low = 1e9f, high = -1e9f;
  for (const TVector& v : map.Vertices) low = std::fmin(low, v.y), high = std::fmax(high, v.y);
  EXPECT_GE(low, 0.0f);
  EXPECT_LE(high, 31.875f);
  EXPECT_GT(high - low, 15.0f) << "hills, not a plain";

  // The player's area: gentle on average, nowhere a wall.
  double sum = 0;
  int count = 0;
  float steepest = 0;
  for (int t = 0; t < map.TriCount; ++t) {
    const TTriangle& tri = map.Triangles[t];
    if (tri.a == tri.b) continue;
    const TVector& a = map.Vertices[tri.a];
    if (a.x < 20 || a.x > 148 || a.z < 20 || a.z > 148) continue;
    const float angle = std::acos(std::fmin(1.0f, map.Planes[t].normal.y)) * 180 / 3.14159265f;
    sum += angle, ++count, steepest = std::fmax(steepest, angle);
  }
  ASSERT_GT(count, 1000);
  EXPECT_LT(sum / count, 8.0) << "mean slope in degrees";
  EXPECT_LT(steepest, 40.0f);

  // From each spawn corner a straight walk to the middle of the area climbs nowhere
  // steeper than 35 degrees, measured over one-unit steps on the real ground.
  const TVector spawns[3] = {{220, 0, 50}, {220, 0, 220}, {50, 0, 220}};
  for (const TVector& s : spawns) {
    const TVector to = {85, 0, 85};
    const float len = std::hypot(to.x - s.x, to.z - s.z);
    float worst = 0;
    TVector prev = s;
    MapGroundHeight(map, prev);
    for (float d = 1; d <= len; d += 1) {
      TVector p = {s.x + (to.x - s.x) * d / len, 0, s.z + (to.z - s.z) * d / len};
      MapGroundHeight(map, p);
      worst = std::fmax(worst, std::fabs(p.y - prev.y));
      prev = p;
    }
    EXPECT_LT(std::atan(worst) * 180 / 3.14159265f, 35.0f) << s.x << ", " << s.z;
  }
  MapFree(map, true);
}

namespace {

// Writes the frame as a PNG when HALVROST_RENDER_DUMP names a directory.
void DumpFrame(const std::string& name) { DumpFramePng(name, ScreenWidth, ScreenHeight); }

Px ReadPixel(int x, int y) {
  uint8_t p[4] = {0, 0, 0, 0};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2], p[3]};
}

class GeneratedWorld : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    if (IsSkipped()) return;
    here_ = std::make_unique<InGeneratedTree>();
    MapInit(GameMap);
    ASSERT_TRUE(MapLoad(GameMap, "map1"));
    InitCamera(Camera);
    Camera.Target = &Player;
    Player = TPlayer{};
  }
  void TearDown() override {
    MapFree(GameMap, true);
    for (uint32_t& t : GameMap.SkyTextures) FreeTexture(t), t = 0;
    GameMap = TMap{};
    Camera = TCamera{};
    UnbindTexture();
    SetBlendMode(0);
    here_.reset();
  }
  void Look(float x, float z, float pitch, float yaw) {
    Player.Position = {x, 0, z};
    TVector n;
    MapClampToGround(GameMap, Player.Position, n);
    Player.Pitch = pitch;
    Player.Yaw = yaw;
    UpdateCamera(Camera);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    CameraProjection(Camera);
    CameraLoadView(Camera);
  }
  std::unique_ptr<InGeneratedTree> here_;
};

}  // namespace

TEST_F(GeneratedWorld, TerrainUnderSkyFromThePlayersArea) {
  const float Pi = 3.14159265f;
  struct View {
    const char* name;
    float x, z, pitch, yaw;
  } views[] = {{"view_spawns", 40, 40, 0.05f, Pi / 4},   {"view_valley", 110, 110, 0.0f, Pi / 4},
               {"view_sun", 120, 120, 0.15f, -3 * Pi / 4}, {"view_down", 85, 85, -0.6f, 0.3f},
               {"view_edge", 140, 60, 0.1f, -Pi / 2}};
  for (const View& v : views) {
    Look(v.x, v.z, v.pitch, v.yaw);
    MapRender(GameMap);
    DumpFrame(v.name);
    const Px ground = ReadPixel(320, 20);
    EXPECT_GT(ground.g, ground.b) << v.name << ": ground at the bottom of the view";
  }
  // The menu's background: the box round the origin, looking down -z.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  SetPerspective(90, 0.5f, 512);
  glLoadIdentity();
  Camera.Eye = {0, 0, 0};
  RenderSky(GameMap);
  DumpFrame("view_menu");
  Look(85, 85, 0.7f, 0.3f);
  MapRender(GameMap);
  DumpFrame("view_sky");
  const Px sky = ReadPixel(320, 400);
  EXPECT_GT(sky.b, sky.r) << "sky at the top of a raised view";
}

TEST_F(GeneratedWorld, SkyBoxCornersShowNoSeamOnScreen) {
  // Looking straight at each vertical edge of the box: the seam runs down the middle
  // column, and no step there may be larger than the picture's own steps beside it.
  const float Pi = 3.14159265f;
  for (int c = 0; c < 4; ++c) {
    Look(85, 85, 0.35f, Pi / 4 + c * Pi / 2);
    glClear(GL_COLOR_BUFFER_BIT);
    RenderSky(GameMap);
    if (c == 0) DumpFrame("sky_corner");
    int seam = 0, beside = 0;
    for (int y = 260; y < 470; y += 5) {
      auto step = [y](int x) {
        const Px a = ReadPixel(x, y), b = ReadPixel(x + 1, y);
        return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
      };
      seam = std::max({seam, step(318), step(319), step(320)});
      beside = std::max({beside, step(300), step(340), step(280), step(360)});
    }
    EXPECT_LE(seam, beside + 6) << "corner " << c;
  }
}
