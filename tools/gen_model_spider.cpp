// The spider: abdomen, head and eight rigid legs walking an alternating tetrapod gait.
#include <cmath>

#include "gen_model_mesh.h"

// Model axes as the spiders' placement uses them: +z is the walking direction, +y is up
// and the origin lies on the ground under the body. Sizes are in loaded world units.
static constexpr float Pi = 3.14159265358979f;
static constexpr int Frames = 12;
static constexpr float HipHeight = 0.78f;
static constexpr float StepSwing = 0.36f;  // radians either way about the rest direction
static constexpr float StepLift = 0.32f;   // radians the swinging leg is raised
static constexpr float Bob = 0.035f;

// Leg rows front to back: where the hip sits along z and how far the leg points from +z.
static const float HipZ[4] = {0.52f, 0.36f, 0.19f, 0.02f};
static const float RestAngle[4] = {34, 70, 106, 146};  // degrees from forward

static TGenMesh Abdomen() {
  TGenMesh m;
  AddEllipsoid(m, {0, 0, 0}, {0.62f, 0.5f, 0.84f}, 18, 12);
  // A thin waist joins it to the head.
  AddCylinder(m, {0, -0.12f, 0.7f}, {0, -0.16f, 1.0f}, 0.16f, 0.13f, 8);
  m.Color[0] = 46, m.Color[1] = 28, m.Color[2] = 33;
  return m;
}

static TGenMesh Head() {
  TGenMesh m;
  AddEllipsoid(m, {0, 0, 0}, {0.42f, 0.28f, 0.5f}, 16, 10);
  // Eye bumps on the brow and two fangs hanging in front.
  for (int side = -1; side <= 1; side += 2) {
    AddEllipsoid(m, {side * 0.1f, 0.2f, 0.36f}, {0.07f, 0.06f, 0.07f}, 8, 5);
    AddEllipsoid(m, {side * 0.22f, 0.15f, 0.3f}, {0.05f, 0.045f, 0.05f}, 8, 5);
    AddCylinder(m, {side * 0.12f, -0.12f, 0.42f}, {side * 0.1f, -0.42f, 0.6f}, 0.075f, 0.012f, 8);
  }
  m.Color[0] = 62, m.Color[1] = 34, m.Color[2] = 27;
  return m;
}

// One leg along local +x from the hip at the origin: up to the knee, down to the foot on
// the ground. Rotations about y aim it, a rotation about z lifts it.
static TGenMesh Leg(uint8_t r, uint8_t g, uint8_t b, float reach) {
  TGenMesh m;
  float s = reach / 1.85f;
  AddTube(m,
          {{0, 0, 0}, {0.25f * s, 0.2f, 0}, {0.85f * s, 0.56f, 0}, {1.45f * s, 0.12f, 0},
           {1.85f * s, -HipHeight, 0}},
          {0.09f, 0.085f, 0.07f, 0.05f, 0.015f}, 6);
  // A knuckle at the knee hides the tube's bend.
  AddEllipsoid(m, {0.85f * s, 0.56f, 0}, {0.09f, 0.09f, 0.09f}, 8, 5);
  m.Color[0] = r, m.Color[1] = g, m.Color[2] = b;
  return m;
}

std::vector<uint8_t> MakeSpiderModel() {
  std::vector<TGenMesh> meshes;
  std::vector<std::vector<TGenKey>> keys;
  const TVector abdomen = {0, 0.95f, -0.86f}, head = {0, HipHeight, 0.3f};
  meshes.push_back(Abdomen());
  meshes.push_back(Head());
  keys.resize(2);
  for (int f = 0; f < Frames; ++f) {
    float phase = 2 * Pi * f / Frames;
    // The body dips twice a cycle, once as each group of four takes the weight.
    float dip = Bob * std::cos(2 * phase);
    TGenKey body;
    body.Position = {abdomen.x, abdomen.y + dip, abdomen.z};
    body.Rotation = QuatAxisAngle({0, 0, 1}, 0.03f * std::sin(phase));
    keys[0].push_back(body);
    TGenKey h;
    h.Position = {head.x, head.y + dip, head.z};
    h.Rotation = QuatAxisAngle({1, 0, 0}, 0.04f * std::sin(2 * phase + 1));
    keys[1].push_back(h);
  }
  // Legs in file order: row 0 left, row 0 right, row 1 left, ... Their colours vary a
  // little from a fixed table so that gibs and legs do not look stamped out.
  static const uint8_t shade[8][3] = {{40, 29, 24}, {36, 27, 25}, {44, 31, 26}, {38, 28, 22},
                                      {35, 26, 24}, {42, 30, 27}, {39, 27, 23}, {45, 32, 28}};
  for (int row = 0; row < 4; ++row)
    for (int side = -1; side <= 1; side += 2) {
      int i = static_cast<int>(meshes.size()) - 2;
      float reach = row == 0 || row == 3 ? 1.9f : 1.75f;
      meshes.push_back(Leg(shade[i][0], shade[i][1], shade[i][2], reach));
      // Direction of the foot in the ground plane, and the yaw that turns +x onto it.
      float a = RestAngle[row] * Pi / 180;
      float dx = side * std::sin(a), dz = std::cos(a);
      float rest = std::atan2(-dz, dx);
      // Tetrapod gait: left 0, right 1, left 2, right 3 swing together, the others
      // half a cycle later.
      bool groupA = (side < 0) == (row % 2 == 0);
      std::vector<TGenKey> legKeys;
      for (int f = 0; f < Frames; ++f) {
        float phase = 2 * Pi * f / Frames + (groupA ? 0 : Pi);
        float forward = StepSwing * std::sin(phase);  // the foot moves forward while cos > 0
        float lift = StepLift * std::fmax(0.0f, std::cos(phase));
        // Turning about +y moves a foot at +x towards -z, so the forward swing turns
        // right legs the negative way.
        float yaw = rest - (dx > 0 ? 1.0f : -1.0f) * forward;
        TGenKey k;
        float dip = Bob * std::cos(2 * 2 * Pi * f / Frames);
        k.Position = {side * 0.3f, HipHeight + dip, head.z + HipZ[row] - 0.3f};
        k.Rotation = QuatMultiply(QuatAxisAngle({0, 1, 0}, yaw), QuatAxisAngle({0, 0, 1}, lift));
        legKeys.push_back(k);
      }
      keys.push_back(legKeys);
    }
  return WriteZrm1(meshes, keys);
}
