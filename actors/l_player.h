// The player: walking, view angles, the rotary gun, building turrets, damage and death.
#pragma once
#include <cstdint>

#include "math/l_math.h"

struct TPlayerKey {
  uint8_t Code;
  uint8_t Down;  // 0 or 1
};

// Indices into TPlayer::Keys.
enum : int { KeyForward = 0, KeyBack, KeyLeft, KeyRight, KeyFire, KeyBuild };

struct TPlayer {
  float BobPhase = 0;
  float BarrelAngle = 0;  // degrees, never wrapped
  float Spin = 0;         // degrees per step, 0 to 15
  TVector GroundNormal = {0, 1, 0};
  int32_t SpinUpSound = -1;
  int32_t SpinDownSound = -1;
  int32_t FireSound = -1;
  int32_t StepSounds[2] = {-1, -1};
  int32_t SpinUpChannel = -1;
  int32_t SpinDownChannel = -1;
  int32_t FireChannel = -1;
  int32_t StepCounter = 0;
  int32_t BuildCounter = 0;
  float Flash = 0;
  float ShadowPhase = 0;
  uint32_t ShadowTexture = 0;
  uint32_t CrosshairTexture = 0;
  uint32_t HudTexture = 0;
  int32_t Health = 0;  // 0: dead, or no game started yet
  int32_t Points = 0;
  int32_t Kills = 0;
  TVector Position = {0, 0, 0};
  float Pitch = 0;
  float Yaw = 0;
  float Roll = 0;
  TVector Velocity = {0, 0, 0};
  TVector Thrust = {0, 0, 0};
  TPlayerKey Keys[6] = {};
};

// Half a turn, as the single-precision value the pitch is clamped to.
constexpr float PlayerPitchLimit = 1.5707964f;
// Steps the build key must be held; the counter then rests one above.
constexpr int32_t PlayerBuildSteps = 150;

// Unit vector of pitch p and yaw y: (cos p cos y, sin p, cos p sin y).
TVector AngleDirection(float pitch, float yaw);
// The gun's muzzle for the player's current position and view.
TVector PlayerMuzzle(const TPlayer& player);

void LoadPlayer(TPlayer& player);
void NewPlayer(TPlayer& player);
// Clears the key flags and forgets the gun's channels (they were stopped by the caller).
void ResetPlayerInput(TPlayer& player);
void ResetPlayerInput();  // on the game's Player
void FreePlayer(TPlayer& player);
// A bite on the game's Player; at 0 health the view sinks and the kills are scored.
void DamagePlayer(int32_t amount);
void UpdatePlayer(TPlayer& player);

// actors/l_hud.cpp: the player's own view over the world.
void RenderPlayerView();
void DrawHud();
void DrawHudIcon(int32_t x, int32_t y, int32_t icon);
