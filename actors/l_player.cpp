// The player: view, walking over the terrain, the rotary gun and its sounds, building, damage.
#include "actors/l_player.h"

#include <cmath>
#include <cstdint>

#include "actors/l_zenit.h"
#include "app/l_app.h"
#include "app/l_input.h"
#include "audio/l_sound.h"
#include "game/l_game.h"
#include "menu/l_score.h"
#include "render/l_gl.h"
#include "world/l_map.h"

static constexpr float Pi = 3.14159265358979f;
static constexpr float HalfPi = PlayerPitchLimit;

TVector AngleDirection(float pitch, float yaw) {
  float cp = std::cos(pitch);
  return {cp * std::cos(yaw), std::sin(pitch), cp * std::sin(yaw)};
}

TVector PlayerMuzzle(const TPlayer& player) {
  // Ahead along the view at eye height, half a unit below the line of sight.
  TVector ahead = AngleDirection(player.Pitch, player.Yaw);
  TVector below = AngleDirection(player.Pitch - HalfPi, player.Yaw);
  TVector m = player.Position;
  m.x += 1.5f * ahead.x + 0.5f * below.x;
  m.y += 1.5f * ahead.y + 2.0f + 0.5f * below.y;
  m.z += 1.5f * ahead.z + 0.5f * below.z;
  return m;
}

void LoadPlayer(TPlayer& player) {
  static const uint8_t codes[6] = {87, 83, 65, 68, 0, 70};  // W S A D, left button, F
  for (int i = 0; i < 6; ++i) player.Keys[i] = {codes[i], 0};
  player.Health = 0;
  player.SpinUpSound = LoadSample("data\\sounds\\gun\\start.wav");
  player.SpinDownSound = LoadSample("data\\sounds\\gun\\stop.wav");
  player.FireSound = LoadSample("data\\sounds\\gun\\fire.wav");
  player.StepSounds[0] = LoadSample("data\\sounds\\\\footsteps\\dirt1.wav");
  player.StepSounds[1] = LoadSample("data\\sounds\\\\footsteps\\dirt2.wav");
  player.ShadowTexture = LoadTexture("data\\textures\\shadow.jpg", false);
  player.CrosshairTexture = LoadTexture("data\\textures\\crosshair.tga", false);
  player.HudTexture = LoadTexture("data\\textures\\hud.tga", false);
}

void ResetPlayerInput(TPlayer& player) {
  for (TPlayerKey& k : player.Keys) k.Down = 0;
  player.SpinUpChannel = -1;
  player.SpinDownChannel = -1;
  player.FireChannel = -1;
}

void ResetPlayerInput() { ResetPlayerInput(Player); }

void NewPlayer(TPlayer& player) {
  ResetPlayerInput(player);
  player.Health = 100;
  player.Points = 0;
  player.Kills = 0;
  player.Pitch = 0;
  player.Yaw = HalfPi;  // facing +z
  player.Roll = 0;
  player.Thrust = {0, 0, 0};
  player.Velocity = {0, 0, 0};
  player.GroundNormal = {0, 1, 0};
  player.Position = {64, 32, 64};  // the first step puts the player on the ground
  player.BuildCounter = 0;
  player.Flash = 0;
  player.BarrelAngle = 0;
  player.Spin = 0;
}

// Every release marks the handle released, so a second shutdown does nothing.
static void ReleaseSample(int32_t& id) {
  if (id >= 0) FreeSample(id);
  id = -1;
}

static void ReleaseTexture(uint32_t& texture) {
  if (texture != 0) FreeTexture(texture);
  texture = 0;
}

void FreePlayer(TPlayer& player) {
  ReleaseSample(player.SpinUpSound);
  ReleaseSample(player.SpinDownSound);
  ReleaseSample(player.FireSound);
  ReleaseSample(player.StepSounds[0]);
  ReleaseSample(player.StepSounds[1]);
  ReleaseTexture(player.ShadowTexture);
  ReleaseTexture(player.CrosshairTexture);
  ReleaseTexture(player.HudTexture);
}

void DamagePlayer(int32_t amount) {
  TPlayer& p = Player;
  if (p.Health == 0) return;
  p.Health = Max(0, p.Health - amount);
  if (p.Health == 0) {
    p.Position.y -= 1.5f;  // stays sunk: the dead step skips the terrain follow
    AddScore(p.Kills);
  }
  p.Flash = 1;
}

static void TurnView(TPlayer& p) {
  p.Yaw += static_cast<float>(MouseDX) / 628.0f;
  if (MouseInvert)
    p.Pitch += static_cast<float>(MouseDY) / 628.0f;
  else
    p.Pitch -= static_cast<float>(MouseDY) / 628.0f;
  p.Pitch = Min(Max(p.Pitch, -HalfPi), HalfPi);
}

static void Walk(TPlayer& p) {
  p.Thrust = {0, 0, 0};
  auto push = [&p](float x, float z) {
    p.Thrust.x += x;
    p.Thrust.z += z;
  };
  if (p.Keys[KeyForward].Down) push(std::cos(p.Yaw), std::sin(p.Yaw));
  if (p.Keys[KeyBack].Down) push(-std::cos(p.Yaw), -std::sin(p.Yaw));
  if (p.Keys[KeyLeft].Down) push(std::cos(p.Yaw - HalfPi), std::sin(p.Yaw - HalfPi));
  if (p.Keys[KeyRight].Down) push(std::cos(p.Yaw + HalfPi), std::sin(p.Yaw + HalfPi));
  // Accelerate by 0.02 a step against a drag of a tenth of the speed.
  p.Thrust.x = 0.02f * p.Thrust.x - p.Velocity.x / 10.0f;
  p.Thrust.z = 0.02f * p.Thrust.z - p.Velocity.z / 10.0f;
  VectorAdd(p.Velocity, p.Thrust, p.Velocity);
  VectorAdd(p.Position, p.Velocity, p.Position);
}

static void BobAndSteps(TPlayer& p) {
  if (VectorLength(p.Velocity) <= 0.02f) {
    p.Roll = 0;
    p.BobPhase = 0;
    p.StepCounter = 0;
    return;
  }
  p.Roll = std::sin(p.BobPhase) * Pi / 360.0f;
  p.BobPhase += Pi / 15.0f;
  p.StepCounter += 1;
  if (p.StepCounter % 15 == 0) {
    int32_t sample = (p.StepCounter % 30 == 0) ? p.StepSounds[1] : p.StepSounds[0];
    PlaySample(sample, false, p.Position);
  }
}

static void RunGun(TPlayer& p, const TVector& muzzle) {
  if (!p.Keys[KeyFire].Down) {
    // The stop sound plays once per release, and only after the start or fire sound.
    if ((p.FireChannel >= 0 || p.SpinUpChannel >= 0) && p.SpinDownChannel == -1)
      p.SpinDownChannel = PlaySample(p.SpinDownSound, false, muzzle);
    StopChannel(p.FireChannel);
    StopChannel(p.SpinUpChannel);
    p.FireChannel = -1;
    p.SpinUpChannel = -1;
    p.Spin = Max(p.Spin - 0.3f, 0.0f);
  } else if (p.Spin != 15.0f) {
    StopChannel(p.SpinDownChannel);
    p.SpinDownChannel = -1;
    if (p.SpinUpChannel < 0) p.SpinUpChannel = PlaySample(p.SpinUpSound, false, p.Position);
    p.Spin = Min(15.0f, p.Spin + 0.3f);
  } else {
    int64_t turn = static_cast<int64_t>(std::trunc(p.BarrelAngle));
    if ((turn / 15) % 5 == 0) {
      if (p.FireChannel < 0) {
        p.FireChannel = PlaySample(p.FireSound, true, muzzle);
        StopChannel(p.SpinUpChannel);
        p.SpinUpChannel = -1;
      }
      if (MapShoot(GameMap, muzzle, {p.Pitch, p.Yaw, 0})) {
        p.Points = Min(p.Points + 1, 999);
        p.Kills += 1;
      }
    }
  }
}

static void Build(TPlayer& p) {
  if (!p.Keys[KeyBuild].Down || p.Points <= 100) {
    p.BuildCounter = 0;
    return;
  }
  if (p.BuildCounter >= PlayerBuildSteps + 1) return;
  p.BuildCounter += 1;
  if (p.BuildCounter != PlayerBuildSteps) return;
  TZenit* z = MapAddZenit(GameMap);
  if (!z) return;
  z->Position = p.Position;
  z->Aim[0] = z->TargetAim[0] = p.Pitch;
  z->Aim[1] = z->TargetAim[1] = p.Yaw;
  z->Aim[2] = z->TargetAim[2] = p.Roll;
  p.Points -= 100;
  PlaceZenit(*z);
}

void UpdatePlayer(TPlayer& p) {
  if (p.Health == 0) {
    StopChannel(p.FireChannel);
    p.FireChannel = -1;
    p.Pitch += (HalfPi - p.Pitch) / 64.0f;  // the dead view drifts up to the sky
    return;
  }
  TurnView(p);
  p.Flash += (0.0f - p.Flash) / 32.0f;
  for (TPlayerKey& k : p.Keys) k.Down = IsKeyDown(k.Code) ? 1 : 0;
  Walk(p);
  BobAndSteps(p);
  PlayerAreaFlag = true;
  MapClampToGround(GameMap, p.Position, p.GroundNormal);
  PlayerAreaFlag = false;
  TVector muzzle = PlayerMuzzle(p);
  // The stop sound's handle goes with its sound: once it has ended the channel may carry
  // another sound, which must neither follow the gun nor be cut by the next press.
  if (!ChannelPlays(p.SpinDownChannel, p.SpinDownSound)) p.SpinDownChannel = -1;
  RunGun(p, muzzle);
  p.BarrelAngle += p.Spin;  // the barrels coast while spinning down
  SetChannelPosition(p.SpinDownChannel, muzzle);
  SetChannelPosition(p.SpinUpChannel, muzzle);
  SetChannelPosition(p.FireChannel, muzzle);
  Build(p);
}
