// Generator for the data set's models: the spider, the player's rotary gun and the turret.
#include <cmath>

#include "gen_model_mesh.h"
#include "generators.h"

static constexpr float Pi = 3.14159265358979f;

// The gun is placed in eye space two units below the eye and turned whole about its z
// axis, so everything is built round that axis and reaches forward along -z, starting
// where it first comes into a 90-degree view from that height.
std::vector<uint8_t> MakeGunModel() {
  TGenMesh barrels, housing, handle;
  const float ring = 0.36f, bore = 0.1f, back = -2.4f, front = -6.6f;
  for (int k = 0; k < 6; ++k) {
    float a = Pi / 6 + k * Pi / 3;
    float x = ring * std::cos(a), y = ring * std::sin(a);
    AddCylinder(barrels, {x, y, back}, {x, y, front}, bore, bore, 12);
    // A short reinforced muzzle on each barrel.
    AddCylinder(barrels, {x, y, front + 0.25f}, {x, y, front - 0.02f}, bore * 1.3f, bore * 1.3f, 12);
  }
  AddCylinder(barrels, {0, 0, back}, {0, 0, front + 0.2f}, 0.1f, 0.1f, 10);
  // Clamps that hold the six barrels together.
  for (float z : {-3.9f, -5.5f}) AddCylinder(barrels, {0, 0, z}, {0, 0, z - 0.12f}, ring + bore + 0.05f,
                                             ring + bore + 0.05f, 24, Pi / 24);

  // Motor housing: a lathe from the back towards the barrels.
  TGenFrame axis = FrameAlong({0, 0, -0.9f}, {0, 0, -3.0f});
  AddLathe(housing, axis,
           {{0.45f, 0}, {0.62f, 0.15f}, {0.7f, 0.45f}, {0.7f, 1.45f}, {0.6f, 1.75f}, {0.5f, 2.1f}}, 28);
  // Ammunition feed along one side.
  AddBox(housing, {0.55f, -0.28f, -2.55f}, {0.92f, 0.2f, -1.2f});

  // Carry handle arching over the housing, on two posts.
  AddTube(handle, {{0, 0.62f, -1.15f}, {0, 0.98f, -1.35f}, {0, 1.08f, -1.8f}, {0, 0.98f, -2.25f}, {0, 0.62f, -2.45f}},
          {0.07f, 0.07f, 0.075f, 0.07f, 0.07f}, 10);
  return WriteZrm2({barrels, housing, handle});
}

// The turret, in three parts the turret code stacks: the base under the ground
// placement; the body turned about +y at the foot; the gun pitched about +z at a pivot
// 1.7 up, its barrel along -x ending 1.7 out.
std::vector<uint8_t> MakeZenitModel() {
  TGenMesh base, body, gun;
  for (int k = 0; k < 3; ++k) {
    float a = 2 * Pi * k / 3 + Pi / 2;
    float c = std::cos(a), s = std::sin(a);
    AddTube(base, {{0.12f * c, 0.78f, 0.12f * s}, {0.55f * c, 0.45f, 0.55f * s}, {0.95f * c, 0.1f, 0.95f * s}},
            {0.08f, 0.07f, 0.06f}, 8);
    AddCylinder(base, {0.95f * c, 0, 0.95f * s}, {0.95f * c, 0.06f, 0.95f * s}, 0.16f, 0.14f, 12);
  }
  AddCylinder(base, {0, 0.3f, 0}, {0, 0.88f, 0}, 0.2f, 0.16f, 16);
  AddCylinder(base, {0, 0.84f, 0}, {0, 0.95f, 0}, 0.34f, 0.34f, 24);

  AddCylinder(body, {0, 0.95f, 0}, {0, 1.06f, 0}, 0.44f, 0.4f, 24);
  AddBox(body, {-0.36f, 1.06f, -0.3f}, {0.34f, 1.42f, 0.3f});
  for (float side : {-1.0f, 1.0f}) {
    // Yoke cheeks either side of the gun's trunnion at 1.7.
    AddBox(body, {-0.2f, 1.36f, side > 0 ? 0.25f : -0.34f}, {0.2f, 1.95f, side > 0 ? 0.34f : -0.25f});
  }
  // Ammunition box behind, opposite the barrel.
  AddBox(body, {0.34f, 1.06f, -0.24f}, {0.66f, 1.38f, 0.24f});

  AddCylinder(gun, {0, 0, -0.25f}, {0, 0, 0.25f}, 0.11f, 0.11f, 14);
  AddBox(gun, {-0.55f, -0.15f, -0.18f}, {0.45f, 0.16f, 0.18f});
  AddBox(gun, {-0.3f, 0.16f, -0.04f}, {0.1f, 0.26f, 0.04f});  // sight rail
  AddCylinder(gun, {-0.55f, 0, 0}, {-1.12f, 0, 0}, 0.11f, 0.1f, 14);  // cooling jacket
  AddCylinder(gun, {-1.12f, 0, 0}, {-1.56f, 0, 0}, 0.065f, 0.065f, 12);
  AddCylinder(gun, {-1.56f, 0, 0}, {-1.7f, 0, 0}, 0.1f, 0.1f, 12);  // muzzle brake
  return WriteZrm2({base, body, gun});
}

void GenerateModels(TGenOutput& out) {
  WriteDataFile(out, "models/spider.zrm", MakeSpiderModel());
  WriteDataFile(out, "models/gun.zrm", MakeGunModel());
  WriteDataFile(out, "models/zenit.zrm", MakeZenitModel());
}
