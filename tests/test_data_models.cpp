// The generated models: loadable by the game, shaped and drawn as the game uses them.

#include "platform/p_gl.h"

#include "generators.h"
#include "render/l_gl.h"
#include "support/game_env.h"
#include "support/png_dump.h"

namespace {

constexpr float Pi = kPi;

// Writes the three models below root/models and loads them from the folder named `models` (in the
// game's spelling where the game loads them).
void GenerateAndLoad(const std::string& root, const std::string& models, TModel& spider, TModel_v2& gun,
                     TModel_v2& zenit) {
  TGenOutput out;
  out.Root = root;
  GenerateModels(out);
  EXPECT_TRUE(out.Ok && out.Written.size() == 3u);
  ASSERT_TRUE(ModelLoad(spider, models + "spider.zrm"));
  ASSERT_TRUE(ModelV2Load(gun, models + "gun.zrm"));
  ASSERT_TRUE(ModelV2Load(zenit, models + "zenit.zrm"));
}

class GeneratedModels : public ::testing::Test {
 protected:
  void SetUp() override { GenerateAndLoad(dir_.Path(), dir_.Path() + "/models/", spider_, gun_, zenit_); }
  // Vertex v of mesh m in frame f, as baked.
  const TVector& At(int f, int m, int v) const {
    return spider_.FrameVertices[size_t(f) * spider_.VertexTotal + spider_.Meshes[m].BaseVertex + v];
  }
  TVector Centroid(int f, int m) const {
    TVector c = {0, 0, 0};
    const int n = spider_.Meshes[m].VertexCount;
    for (int v = 0; v < n; ++v) VectorAdd(c, At(f, m, v), c);
    return VectorScale(c, 1.0f / n, c), c;
  }
  ScratchDir dir_;
  TModel spider_;
  TModel_v2 gun_, zenit_;
};

TEST_F(GeneratedModels, SpiderIsTenPartsOnTheGroundWithABiteRangeOfTwoToThree) {
  EXPECT_EQ(spider_.MeshCount, 10);
  EXPECT_TRUE(spider_.FrameTotal >= 10 && spider_.Radius >= 2.0f && spider_.Radius <= 3.0f) << spider_.Radius;
  float lowest = 1e9f;
  for (int v = 0; v < spider_.VertexTotal; ++v) lowest = std::fmin(lowest, At(0, 0, v).y);
  EXPECT_NEAR(lowest, 0.0f, 0.05f);  // standing feet touch the ground under the origin
  // The head leads along +z, the walking direction the spiders' placement gives.
  EXPECT_GT(Centroid(0, 1).z, Centroid(0, 0).z + 0.5f);
}

TEST_F(GeneratedModels, SpiderCycleLoopsWithoutAJump) {
  const int n = spider_.FrameTotal;
  auto step = [&](int f0, int f1) {
    float worst = 0;
    for (int v = 0; v < spider_.VertexTotal; ++v)
      worst = std::fmax(worst, std::sqrt(VectorDistSq(At(f0, 0, v), At(f1, 0, v))));
    return worst;
  };
  float inner = 0;
  for (int f = 0; f + 1 < n; ++f) inner = std::fmax(inner, step(f, f + 1));
  EXPECT_GT(inner, 0.05f);  // it does move
  EXPECT_LE(step(n - 1, 0), inner * 1.01f);
}

TEST_F(GeneratedModels, SpiderLegsWalkAnAlternatingTetrapodGait) {
  const int n = spider_.FrameTotal;
  // Forward motion of each leg over the cycle, legs 2..9 in row order, left then right.
  std::vector<std::vector<float>> z(8, std::vector<float>(n));
  for (int leg = 0; leg < 8; ++leg) {
    float mean = 0;
    for (int f = 0; f < n; ++f) mean += z[leg][f] = Centroid(f, leg + 2).z;
    for (float& v : z[leg]) v -= mean / n;
  }
  auto corr = [&](int a, int b) {
    float ab = 0, aa = 0, bb = 0;
    for (int f = 0; f < n; ++f) ab += z[a][f] * z[b][f], aa += z[a][f] * z[a][f], bb += z[b][f] * z[b][f];
    return ab / std::sqrt(aa * bb);
  };
  for (int row = 0; row < 4; ++row) {
    EXPECT_LT(corr(2 * row, 2 * row + 1), -0.9f) << row;  // left and right
    if (row == 3) continue;
    EXPECT_LT(corr(2 * row, 2 * row + 2), -0.9f) << row;  // one side, next row
    EXPECT_GT(corr(2 * row, 2 * row + 3), 0.9f) << row;   // diagonal
  }
  // A foot on the ground pushes backwards (towards -z), so the body goes forwards.
  for (int leg = 0; leg < 8; ++leg) {
    int foot = 0;
    for (int v = 1; v < spider_.Meshes[leg + 2].VertexCount; ++v)
      if (At(0, leg + 2, v).y < At(0, leg + 2, foot).y) foot = v;
    for (int f = 0; f < n; ++f) {
      const TVector &now = At(f, leg + 2, foot), &next = At((f + 1) % n, leg + 2, foot);
      EXPECT_TRUE(now.y >= 0.02f || next.y >= 0.02f || next.z < now.z) << leg << " " << f;
    }
  }
}

TEST_F(GeneratedModels, GunHasSixBarrelsRoundTheViewAxisReachingForward) {
  ASSERT_EQ(gun_.MeshCount, 3);
  int triangles = 0;
  float nearest = -1e9f, farthest = 1e9f;
  for (const TMesh_v2& m : gun_.Meshes) {
    triangles += m.TriangleCount;
    for (const TVector& v : m.Vertices) nearest = std::fmax(nearest, v.z), farthest = std::fmin(farthest, v.z);
  }
  // Under 4000 triangles, all of it in front of the eye, the barrels reaching well forward.
  EXPECT_TRUE(triangles < 4000 && nearest < 0 && farthest < -5);
  // Muzzle ends of the barrels, off the axis: six clusters of angles round it, centred on it.
  std::vector<float> angles;
  TVector sum = {0, 0, 0};
  for (const TVector& v : gun_.Meshes[0].Vertices)
    if (v.z <= farthest + 0.01f && std::hypot(v.x, v.y) >= 0.2f)
      angles.push_back(std::atan2(v.y, v.x)), VectorAdd(sum, v, sum);
  ASSERT_GT(angles.size(), 6u);
  EXPECT_LT(std::hypot(sum.x, sum.y) / angles.size(), 0.01f);
  std::sort(angles.begin(), angles.end());
  int gaps = angles.front() + 2 * Pi - angles.back() > 0.25f;
  for (size_t i = 1; i < angles.size(); ++i) gaps += angles[i] - angles[i - 1] > 0.25f;
  EXPECT_EQ(gaps, 6);
}

TEST_F(GeneratedModels, ZenitGunPointsAlongMinusXFromAPivotAtItsOrigin) {
  ASSERT_EQ(zenit_.MeshCount, 3);
  float baseLow = 1e9f, bodyHigh = -1e9f, muzzle = 1e9f, reach = 0, cy = 0, cz = 0;
  for (const TVector& v : zenit_.Meshes[0].Vertices) baseLow = std::fmin(baseLow, v.y);
  for (const TVector& v : zenit_.Meshes[1].Vertices) bodyHigh = std::fmax(bodyHigh, v.y);
  for (const TVector& v : zenit_.Meshes[2].Vertices)
    muzzle = std::fmin(muzzle, v.x), reach = std::fmax(reach, VectorLength(v));
  EXPECT_NEAR(baseLow, 0.0f, 1e-4f);  // stands on the ground
  // The body's yoke holds the gun at the pivot 1.7 up, where the turret code puts it.
  EXPECT_TRUE(bodyHigh > 1.7f && bodyHigh < 2.2f) << bodyHigh;
  EXPECT_NEAR(muzzle, -1.7f, 1e-4f);
  EXPECT_NEAR(reach, 1.7f, 0.05f);  // nothing reaches further than the muzzle
  // The muzzle face is centred on the barrel's line through the pivot.
  int n = 0;
  for (const TVector& v : zenit_.Meshes[2].Vertices)
    if (v.x < -1.699f) cy += v.y, cz += v.z, ++n;
  EXPECT_TRUE(n > 0 && std::fabs(cy / n) < 1e-4f && std::fabs(cz / n) < 1e-4f);
}

// The real game frame with the generated models: spiders at several frames of their walk, a turret
// and the player's gun at full spin over a flat test map.
class GeneratedModelsInGame : public GameTest {};

TEST_F(GeneratedModelsInGame, SpidersTurretAndGunShowWhereTheGameDrawsThem) {
  GenerateAndLoad(dir_.Path() + "/data", "data\\models\\", SpiderModel, GunModel, ZenitModel);
  NewGame();
  MenuActive = false, Player.Pitch = -0.3f;
  Step();
  for (int i = 0; i < 4; ++i) {  // the player looks along +z, so +x is on the left of the view
    TSpider* s = MapAddSpider(GameMap);
    s->Position = {Player.Position.x + 7.5f - 5 * i, 0, Player.Position.z + 11};
    s->AnimTime = (i * 300 + 2) / 3 - 30 + SpiderModel.Duration;  // the update adds 30
    UpdateSpider(*s);
    EXPECT_EQ(s->AnimFrame, i * 3);
  }
  TZenit* t = MapAddZenit(GameMap);
  t->Position = {Player.Position.x + 3, 0, Player.Position.z + 5};
  PlaceZenit(*t);
  t->Aim[0] = 0.4f, t->Aim[1] = Pi / 4;
  Player.Keys[KeyFire].Down = 1, Player.Spin = 15, Player.BarrelAngle = 30;
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  SetBlendMode(0);
  CameraProjection(Camera);
  CameraLoadView(Camera);
  MapRender(GameMap);
  RenderPlayerView();
  glFinish();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const std::vector<uint8_t> rgb = DumpFramePng("data_models_view", ScreenWidth, ScreenHeight);
  // The map and its light are grey; the spiders' colours are not, the gun's tinted grey is.
  int tinted = 0, gun = 0;
  for (int y = 150; y < 230; y += 4)
    for (int x = 0; x < 640; x += 4) {
      const uint8_t* p = &rgb[(size_t(y) * 640 + x) * 3];
      tinted += std::abs(p[0] - p[1]) >= 3 || std::abs(p[1] - p[2]) >= 3;
    }
  EXPECT_GT(tinted, 200);
  // The gun fills the bottom centre and leaves the corners to the ground.
  for (int x = 300; x < 340; ++x) gun += rgb[(size_t(470) * 640 + x) * 3] != rgb[(size_t(470) * 640 + 100) * 3];
  EXPECT_GT(gun, 30);
}

}  // namespace
