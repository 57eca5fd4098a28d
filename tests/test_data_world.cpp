// The generated world in the game: the texture manager, the map loader and the renderer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/l_app.h"
#include "app/l_icon.h"
#include "platform/p_window.h"
#include "render/l_gl.h"
#include "support/generated_data.h"
#include "support/png_dump.h"
#include "support/world_maps.h"

namespace {

constexpr float Pi = 3.14159265f;

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
    FreeTexture(t), ++loaded;
  }
  EXPECT_EQ(loaded, 18);
}

// The offscreen window takes the icon as the game's window does.
TEST_F(DataImagesGL, WindowTakesTheIcon) {
  PlatformSetWindowIcon(MakeIconPixels().data(), 32, 32);
  EXPECT_TRUE(PlatformWindowExists());
}

TEST_F(DataImagesGL, MapLoadsWithOpenGroundAndWalkableWaysToTheSpawnCorners) {
  InGeneratedTree here;
  TMap map;
  ASSERT_TRUE(MapLoad(map, "map1"));
  // The colour pixels are kept for decals and the gun's tint.
  EXPECT_EQ(std::tuple(map.Width, map.Height, map.Pixels.Width, map.Pixels.Height), std::tuple(128, 128, 512, 512));
  float low = 1e9f, high = -1e9f, steepest = 0;
  for (const TVector& v : map.Vertices) low = std::fmin(low, v.y), high = std::fmax(high, v.y);
  EXPECT_TRUE(low >= 0 && high <= 31.875f && high - low > 15) << low << " .. " << high << ": hills, not a plain";
  // The player's area: gentle on average, nowhere a wall.
  double sum = 0;
  int count = 0;
  for (int t = 0; t < map.TriCount; ++t) {
    const TVector& a = map.Vertices[map.Triangles[t].a];
    if (map.Triangles[t].a == map.Triangles[t].b || a.x < 20 || a.x > 148 || a.z < 20 || a.z > 148) continue;
    const float angle = std::acos(std::fmin(1.0f, map.Planes[t].normal.y)) * 180 / Pi;
    sum += angle, ++count, steepest = std::fmax(steepest, angle);
  }
  ASSERT_GT(count, 1000);
  EXPECT_LT(sum / count, 8.0) << "mean slope in degrees";
  EXPECT_LT(steepest, 40.0f);
  // From each spawn corner a straight walk to the middle of the area climbs nowhere
  // steeper than 35 degrees, measured over one-unit steps on the real ground.
  for (const TVector& s : {TVector{220, 0, 50}, TVector{220, 0, 220}, TVector{50, 0, 220}}) {
    const TVector to = {85, 0, 85};
    const float len = std::hypot(to.x - s.x, to.z - s.z);
    float worst = 0;
    TVector prev = s;
    MapGroundHeight(map, prev);
    for (float d = 1; d <= len; d += 1) {
      TVector p = {s.x + (to.x - s.x) * d / len, 0, s.z + (to.z - s.z) * d / len};
      MapGroundHeight(map, p);
      worst = std::fmax(worst, std::fabs(p.y - prev.y)), prev = p;
    }
    EXPECT_LT(std::atan(worst) * 180 / Pi, 35.0f) << s.x << ", " << s.z;
  }
  MapFree(map, true);
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
    Camera.Target = &Player, Player = TPlayer{};
  }
  void TearDown() override {
    MapFree(GameMap, true);
    for (uint32_t& t : GameMap.SkyTextures) FreeTexture(t);
    GameMap = TMap{}, Camera = TCamera{};
    UnbindTexture();
    SetBlendMode(0);
    here_.reset();
  }
  // Standing on the ground at (x, z).
  void Look(float x, float z, float pitch, float yaw) {
    TVector at = {x, 0, z}, n;
    MapClampToGround(GameMap, at, n);
    LookFrom(at, pitch, yaw);
  }
  static void Dump(const std::string& name) { DumpFramePng(name, ScreenWidth, ScreenHeight); }
  std::unique_ptr<InGeneratedTree> here_;
};

TEST_F(GeneratedWorld, TerrainUnderSkyFromThePlayersArea) {
  for (auto [name, x, z, pitch, yaw] :
       {std::tuple("view_spawns", 40.0f, 40.0f, 0.05f, Pi / 4), {"view_valley", 110.0f, 110.0f, 0.0f, Pi / 4},
        {"view_sun", 120.0f, 120.0f, 0.15f, -3 * Pi / 4}, {"view_down", 85.0f, 85.0f, -0.6f, 0.3f},
        {"view_edge", 140.0f, 60.0f, 0.1f, -Pi / 2}}) {
    Look(x, z, pitch, yaw);
    MapRender(GameMap);
    Dump(name);
    const auto ground = ReadPixel(320, 20);
    EXPECT_GT(ground[1], ground[2]) << name << ": ground at the bottom of the view";
  }
  // The menu's background: the box round the origin, looking down -z.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  SetPerspective(90, 0.5f, 512);
  glLoadIdentity();
  Camera.Eye = {0, 0, 0};
  RenderSky(GameMap);
  Dump("view_menu");
  Look(85, 85, 0.7f, 0.3f);
  MapRender(GameMap);
  Dump("view_sky");
  const auto sky = ReadPixel(320, 400);
  EXPECT_GT(sky[2], sky[0]) << "sky at the top of a raised view";
}

TEST_F(GeneratedWorld, SkyBoxCornersShowNoSeamOnScreen) {
  // Looking straight at each vertical edge of the box: the seam runs down the middle
  // column, and no step there may be larger than the picture's own steps beside it.
  for (int c = 0; c < 4; ++c) {
    Look(85, 85, 0.35f, Pi / 4 + c * Pi / 2);
    glClear(GL_COLOR_BUFFER_BIT);
    RenderSky(GameMap);
    if (c == 0) Dump("sky_corner");
    int seam = 0, beside = 0;
    for (int y = 260; y < 470; y += 5) {
      auto step = [y](int x) {
        const auto a = ReadPixel(x, y), b = ReadPixel(x + 1, y);
        return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
      };
      seam = std::max({seam, step(318), step(319), step(320)});
      beside = std::max({beside, step(300), step(340), step(280), step(360)});
    }
    EXPECT_LE(seam, beside + 6) << "corner " << c;
  }
}

}  // namespace
