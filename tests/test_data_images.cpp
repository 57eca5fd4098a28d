// The generated images: repeatable, readable by the game's own loaders, and fit for their use.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "actors/l_player.h"
#include "app/l_app.h"
#include "app/l_icon.h"
#include "game/l_camera.h"
#include "game/l_game.h"
#include "gen_images.h"
#include "generators.h"
#include "render/l_gl.h"
#include "render/l_jpeg.h"
#include "render/l_tga.h"
#include "support/test_env.h"
#include "world/l_map.h"

namespace {

struct Expected {
  const char* path;
  int width, height, bits;
};

const Expected kFiles[] = {
    {"maps/map1_height.jpg", 128, 128, 24}, {"maps/map1.jpg", 512, 512, 24},
    {"textures/detail.jpg", 256, 256, 24},  {"textures/sky_1.jpg", 512, 512, 24},
    {"textures/sky_2.jpg", 512, 512, 24},   {"textures/sky_3.jpg", 512, 512, 24},
    {"textures/sky_4.jpg", 512, 512, 24},   {"textures/sky_5.jpg", 512, 512, 24},
    {"textures/env.jpg", 256, 256, 24},     {"textures/shadow.jpg", 64, 64, 24},
    {"textures/crosshair.tga", 32, 32, 32}, {"textures/hud.tga", 128, 32, 32},
    {"textures/smoke.tga", 64, 64, 32},     {"textures/ricochet.tga", 64, 64, 32},
    {"textures/blood.tga", 64, 64, 32},     {"textures/fire.jpg", 128, 128, 24},
    {"textures/gibs.tga", 8, 8, 24},        {"textures/menu/blur.jpg", 256, 256, 24},
};

bool IsTga(const std::string& p) { return p.size() > 4 && p.substr(p.size() - 4) == ".tga"; }

bool Decode(const std::string& file, TImage& img) {
  return IsTga(file) ? ReadTGA(file, img) : DecodeJpeg(file, img);
}

// The generated tree, made once per test binary.
const ScratchDir& DataTree() {
  static ScratchDir* dir = [] {
    auto* d = new ScratchDir;
    TGenOutput out;
    out.Root = d->File("data");
    GenerateImages(out);
    EXPECT_TRUE(out.Ok);
    return d;
  }();
  return *dir;
}

std::string DataFile(const std::string& rel) { return DataTree().File("data/" + rel); }

TImage Load(const std::string& rel) {
  TImage img;
  EXPECT_TRUE(Decode(DataFile(rel), img)) << rel;
  return img;
}

// Pixel (x, y) of a decoded image, red first, counting y from the picture's top.
struct Px {
  int r, g, b, a;
};
Px At(const TImage& img, int x, int y, bool bottomUp) {
  const int row = bottomUp ? img.Height - 1 - y : y;
  const int bpp = img.Bits / 8;
  const uint8_t* p = &img.Pixels[(size_t(row) * img.Width + x) * bpp];
  return {p[2], p[1], p[0], bpp == 4 ? p[3] : 255};
}

bool OnBorder(const TImage& img, int x, int y) {
  return x == 0 || y == 0 || x == img.Width - 1 || y == img.Height - 1;
}

// Runs the game's loaders with the generated tree as the current directory.
class InDataTree {
 public:
  InDataTree() : old_(std::filesystem::current_path()) { std::filesystem::current_path(DataTree().Path()); }
  ~InDataTree() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

}  // namespace

TEST(DataImages, GenerationIsRepeatableByteForByte) {
  ScratchDir again;
  TGenOutput out;
  out.Root = again.File("data");
  GenerateImages(out);
  ASSERT_TRUE(out.Ok);
  EXPECT_EQ(out.Files, int(std::size(kFiles)));
  for (const Expected& e : kFiles) {
    const std::vector<uint8_t> a = ReadBytes(DataFile(e.path));
    ASSERT_FALSE(a.empty()) << e.path;
    EXPECT_EQ(a, ReadBytes(again.File(std::string("data/") + e.path))) << e.path;
  }
}

TEST(DataImages, EveryFileDecodesWithItsSizeAndDepth) {
  for (const Expected& e : kFiles) {
    TImage img = Load(e.path);
    EXPECT_EQ(img.Width, e.width) << e.path;
    EXPECT_EQ(img.Height, e.height) << e.path;
    EXPECT_EQ(img.Bits, e.bits) << e.path;
    EXPECT_EQ(img.Width & (img.Width - 1), 0) << e.path << ": sides are powers of two";
    EXPECT_EQ(img.Height & (img.Height - 1), 0) << e.path;
  }
}

class DataImagesGL : public GLTest {};

TEST_F(DataImagesGL, EveryTextureLoadsThroughTheTextureManager) {
  InDataTree here;
  for (const Expected& e : kFiles) {
    std::string name = std::string("data\\") + e.path;
    for (char& c : name)
      if (c == '/') c = '\\';
    const uint32_t t = LoadTexture(name, false);
    EXPECT_NE(t, 0u) << name;
    FreeTexture(t);
  }
}

TEST_F(DataImagesGL, MapLoadsWithOpenGroundAndWalkableWaysToTheSpawnCorners) {
  InDataTree here;
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

TEST(DataImages, HeightImageKeepsItsHeightsThroughCompression) {
  TImage img = Load("maps/map1_height.jpg");
  ASSERT_EQ(img.Width, kHeightSide);
  int worst = 0;
  for (int j = 0; j < img.Height; ++j)
    for (int k = 0; k < img.Width; ++k) {
      const int want = int(std::lround(TerrainHeight(2.0f * k, 2.0f * j) * 8));
      const uint8_t* p = &img.Pixels[(size_t(j) * img.Width + k) * 3];
      worst = std::max(worst, std::abs(p[0] - want));  // the game reads the blue byte
      EXPECT_EQ(p[0], p[2]) << "grey: blue and red agree";
    }
  EXPECT_LE(worst, 2);
}

namespace {

// The sky box as it is drawn: corners at (s, t) = (0, 0), (1, 0), (0, 1) per face.
struct Face {
  float c00[3], c10[3], c01[3];
};
const Face kSkyFaces[5] = {
    {{1, 1, -1}, {1, 1, 1}, {1, -1, -1}},     // sky_1, +x
    {{-1, 1, -1}, {1, 1, -1}, {-1, -1, -1}},  // sky_2, -z
    {{1, 1, 1}, {-1, 1, 1}, {1, -1, 1}},      // sky_3, +z
    {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, 1}},   // sky_4, -x
    {{1, 1, -1}, {-1, 1, -1}, {1, 1, 1}},     // sky_5, top
};

// (s, t) of a point on a face's square, or false when it is not on it.
bool FaceCoords(const Face& f, const float p[3], float& s, float& t) {
  float u[3], v[3], d[3];
  for (int i = 0; i < 3; ++i) u[i] = f.c10[i] - f.c00[i], v[i] = f.c01[i] - f.c00[i], d[i] = p[i] - f.c00[i];
  s = (d[0] * u[0] + d[1] * u[1] + d[2] * u[2]) / 4;
  t = (d[0] * v[0] + d[1] * v[1] + d[2] * v[2]) / 4;
  for (int i = 0; i < 3; ++i)
    if (std::fabs(f.c00[i] + s * u[i] + t * v[i] - p[i]) > 1e-4f) return false;
  return s > -1e-4f && s < 1 + 1e-4f && t > -1e-4f && t < 1 + 1e-4f;
}

}  // namespace

TEST(DataImages, SkyFacesMeetWithoutSeams) {
  TImage faces[5];
  for (int f = 0; f < 5; ++f) faces[f] = Load("textures/sky_" + std::to_string(f + 1) + ".jpg");
  const int n = faces[0].Width;
  int pairs = 0;
  for (int f = 0; f < 5; ++f) {
    for (int g = f + 1; g < 5; ++g) {
      // Walk the edges of face f and look each point up on face g.
      double total = 0;
      int worst = 0, shared = 0;
      for (int e = 0; e < 4; ++e) {
        for (int i = 1; i < n - 1; ++i) {
          const float a = float(i) / (n - 1);
          const float s = e == 0 ? a : e == 1 ? a : e == 2 ? 0.0f : 1.0f;
          const float t = e == 0 ? 0.0f : e == 1 ? 1.0f : a;
          float p[3], s2, t2;
          for (int k = 0; k < 3; ++k)
            p[k] = kSkyFaces[f].c00[k] + s * (kSkyFaces[f].c10[k] - kSkyFaces[f].c00[k]) +
                   t * (kSkyFaces[f].c01[k] - kSkyFaces[f].c00[k]);
          if (!FaceCoords(kSkyFaces[g], p, s2, t2)) continue;
          const Px x = At(faces[f], int(std::lround(s * (n - 1))), int(std::lround(t * (n - 1))), false);
          const Px y = At(faces[g], int(std::lround(s2 * (n - 1))), int(std::lround(t2 * (n - 1))), false);
          const int d = std::max({std::abs(x.r - y.r), std::abs(x.g - y.g), std::abs(x.b - y.b)});
          total += d, worst = std::max(worst, d), ++shared;
        }
      }
      if (shared == 0) continue;  // opposite faces
      ++pairs;
      EXPECT_EQ(shared, n - 2) << "faces " << f + 1 << " and " << g + 1;
      EXPECT_LT(total / shared, 3.0) << "faces " << f + 1 << " and " << g + 1;
      EXPECT_LE(worst, 14) << "faces " << f + 1 << " and " << g + 1;
    }
  }
  EXPECT_EQ(pairs, 8);  // four side seams and four round the top
}

TEST(DataImages, SkyIsBlueAboveAndHazyAtTheHorizon) {
  TImage top = Load("textures/sky_5.jpg");
  TImage side = Load("textures/sky_2.jpg");
  int blueTop = 0;
  for (int i = 0; i < 64; ++i) {
    const Px p = At(top, 192 + i, 256, false);
    blueTop += p.b > p.r + 20;
  }
  EXPECT_GT(blueTop, 32) << "open blue sky overhead, clouds allowed";
  const Px horizon = At(side, 256, 250, false), low = At(side, 256, 500, false);
  EXPECT_GT(horizon.r + horizon.g + horizon.b, low.r + low.g + low.b) << "pale horizon, darker below";
}

TEST(DataImages, AlphaSpritesFadeOutAtTheirBorders) {
  for (const char* rel : {"textures/smoke.tga", "textures/ricochet.tga", "textures/blood.tga",
                          "textures/crosshair.tga"}) {
    TImage img = Load(rel);
    ASSERT_EQ(img.Bits, 32) << rel;
    int solid = 0;
    for (int y = 0; y < img.Height; ++y)
      for (int x = 0; x < img.Width; ++x) {
        const Px p = At(img, x, y, true);
        if (OnBorder(img, x, y)) {
          EXPECT_EQ(p.a, 0) << rel << " at " << x << ", " << y;
        }
        solid += p.a > 200;
      }
    EXPECT_GT(solid, 8) << rel;
  }
  TImage blood = Load("textures/blood.tga");
  for (int y = 0; y < blood.Height; ++y)
    for (int x = 0; x < blood.Width; ++x) {
      const Px p = At(blood, x, y, true);
      if (p.a > 64) {
        EXPECT_GT(p.r, 3 * std::max(p.g, p.b)) << "blood is red";
      }
    }
}

TEST(DataImages, CrosshairLooksTheSameUpsideDown) {
  // The crosshair quad shows the picture bottom row at the top.
  TImage img = Load("textures/crosshair.tga");
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) EXPECT_EQ(At(img, x, y, true).a, At(img, x, 31 - y, true).a);
  EXPECT_GT(At(img, 16, 16, true).a, 200);
}

TEST(DataImages, HudIconsStayInsideTheirQuarters) {
  TImage img = Load("textures/hud.tga");
  for (int icon = 0; icon < 4; ++icon) {
    int solid = 0;
    for (int y = 0; y < 32; ++y) {
      // Clear edge columns: filtering never pulls in the neighbour icon.
      EXPECT_EQ(At(img, icon * 32, y, true).a, 0) << icon;
      EXPECT_EQ(At(img, icon * 32 + 31, y, true).a, 0) << icon;
      for (int x = 0; x < 32; ++x) {
        const Px p = At(img, icon * 32 + x, y, true);
        if (p.a > 200 && p.r > 150) ++solid;
        EXPECT_TRUE(p.r == p.g && p.g == p.b) << "grey, tinted by the HUD colour";
      }
    }
    EXPECT_GT(solid, 60) << "icon " << icon;
  }
}

TEST(DataImages, GibsSplatIsRedOnTransparentBlack) {
  TImage img = Load("textures/gibs.tga");
  ASSERT_EQ(img.Bits, 24);
  int painted = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const Px p = At(img, x, y, true);
      if (p.r + p.g + p.b == 0) continue;  // left out when painted
      ++painted;
      EXPECT_GE(p.r, 80) << "a painted texel reads as blood, not as a black hole";
      EXPECT_GT(p.r, 4 * std::max(p.g, p.b));
    }
  EXPECT_GE(painted, 16);
  EXPECT_LE(painted, 56);
  for (int c : {0, 7})
    for (int r : {0, 7}) {
      const Px p = At(img, c, r, true);
      EXPECT_EQ(p.r + p.g + p.b, 0) << "corners stay clear";
    }
}

TEST(DataImages, AdditiveAndMultipliedTexturesHaveNeutralBorders) {
  // Fire and the menu band are added: black is no change. The shadow multiplies: white is.
  for (const char* rel : {"textures/fire.jpg", "textures/menu/blur.jpg"}) {
    TImage img = Load(rel);
    for (int y = 0; y < img.Height; ++y)
      for (int x = 0; x < img.Width; ++x)
        if (OnBorder(img, x, y)) {
          const Px p = At(img, x, y, false);
          EXPECT_LE(std::max({p.r, p.g, p.b}), 6) << rel;
        }
    const Px mid = At(img, img.Width / 2, img.Height / 2, false);
    EXPECT_GT(mid.r, 120) << rel;
  }
  TImage shadow = Load("textures/shadow.jpg");
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      if (OnBorder(shadow, x, y)) {
        EXPECT_GE(At(shadow, x, y, false).g, 248);
      }
  EXPECT_LT(At(shadow, 32, 32, false).g, 140);
}

TEST(DataImages, DetailTileIsBrightAndRepeatsSeamlessly) {
  TImage img = Load("textures/detail.jpg");
  double mean = 0, inner = 0, across = 0;
  for (int y = 0; y < img.Height; ++y) {
    for (int x = 0; x < img.Width; ++x) mean += At(img, x, y, false).g;
    inner += std::abs(At(img, 100, y, false).g - At(img, 101, y, false).g);
    across += std::abs(At(img, img.Width - 1, y, false).g - At(img, 0, y, false).g);
  }
  mean /= double(img.Width) * img.Height;
  EXPECT_GT(mean, 215) << "modulating keeps the ground bright";
  EXPECT_LT(across, inner * 1.5 + img.Height) << "the wrap is no rougher than the inside";
}

TEST(DataImages, EnvironmentMapReflectsSkyAboveAndGroundBelow) {
  // Sphere-map t grows with the reflection's height; t = 0 is the first row.
  TImage img = Load("textures/env.jpg");
  const Px up = At(img, 128, 200, false), down = At(img, 128, 56, false);
  EXPECT_GT(up.b, down.b + 30);
  EXPECT_GT(up.r + up.g + up.b, down.r + down.g + down.b);
}

TEST(DataImages, GroundUnderThePlayerIsLitEnoughToTintTheGun) {
  TImage img = Load("maps/map1.jpg");
  double sum = 0;
  int n = 0;
  for (int r = 40; r < 300; r += 4)
    for (int c = 40; c < 300; c += 4) {
      const Px p = At(img, c, r, false);
      sum += (p.r + p.g + p.b) / 765.0;
      ++n;
      EXPECT_GT(p.g, p.b) << "grass and earth, not sky";
    }
  EXPECT_GT(sum / n, 0.33);
  EXPECT_LT(sum / n, 0.8);
}

TEST(DataImages, ContactSheetIsAPng) {
  ScratchDir dir;
  ASSERT_TRUE(WriteContactSheet(dir.File("sheet.png")));
  const std::vector<uint8_t> png = ReadBytes(dir.File("sheet.png"));
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
            (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
  EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
  if (const char* keep = std::getenv("HALVROST_RENDER_DUMP"))
    WriteContactSheet(std::string(keep) + "/contact_sheet.png");
}

TEST(DataImages, WindowIconIsASpiderOnClearGround) {
  const std::vector<uint8_t> px = MakeIconPixels();
  ASSERT_EQ(px.size(), 32u * 32 * 4);
  EXPECT_EQ(px[3], 0);                    // corners clear
  EXPECT_EQ(px[(31 * 32 + 31) * 4 + 3], 0);
  EXPECT_EQ(px[(19 * 32 + 16) * 4 + 3], 255);  // the body
  int opaque = 0;
  for (size_t i = 3; i < px.size(); i += 4) opaque += px[i] > 128;
  EXPECT_GT(opaque, 150);
  EXPECT_LT(opaque, 700);
}

namespace {

// Writes the frame as a PNG when HALVROST_RENDER_DUMP names a directory.
void DumpFrame(const std::string& name) {
  const char* dir = std::getenv("HALVROST_RENDER_DUMP");
  if (!dir) return;
  TPixmap pic(ScreenWidth, ScreenHeight, 3);
  std::vector<uint8_t> rgb(size_t(ScreenWidth) * ScreenHeight * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, ScreenWidth, ScreenHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  for (int y = 0; y < ScreenHeight; ++y)
    std::copy_n(&rgb[size_t(ScreenHeight - 1 - y) * ScreenWidth * 3], size_t(ScreenWidth) * 3,
                &pic.Px[size_t(y) * ScreenWidth * 3]);
  WriteBytes(std::string(dir) + "/" + name + ".png", EncodePng(pic));
}

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
    here_ = std::make_unique<InDataTree>();
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
  std::unique_ptr<InDataTree> here_;
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
