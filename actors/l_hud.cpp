// The player's own view over the world: shadow, gun, crosshair, damage vignette and HUD.
#include "platform/p_gl.h"

#include <cmath>

#include "actors/l_player.h"
#include "app/l_utils.h"
#include "game/l_game.h"
#include "models/l_model_v2.h"
#include "render/l_gl.h"
#include "world/l_map.h"

static constexpr float Pi = 3.14159265358979f;
static constexpr float RadToDeg = 180.0f / Pi;

// Trunc for a world coordinate, safe for values no int can hold.
static int32_t TruncCoord(float v) {
  if (!(v > -1e9f && v < 1e9f)) return -1;
  return static_cast<int32_t>(std::trunc(v));
}

// Grey level of the ground under the player; full light where the image has no pixel.
static float GroundTint(const TPlayer& p) {
  int32_t sum = 0;
  int32_t col = TruncCoord(p.Position.x), row = TruncCoord(p.Position.z);
  if (col < 0 || row < 0 || !MapPixelSum(GameMap, 2 * col, 2 * row, sum)) return 1.0f;
  return static_cast<float>(sum) / 765.0f;
}

static void DrawShadow(TPlayer& p) {
  glDisable(GL_DEPTH_TEST);
  BindTexture(p.ShadowTexture);
  SetBlendMode(3);
  glPushMatrix();
  glTranslatef(p.Position.x, p.Position.y, p.Position.z);
  glRotatef(-p.Yaw * RadToDeg, 0, 1, 0);
  glTranslatef(-p.Position.x, -p.Position.y, -p.Position.z);
  p.ShadowPhase += VectorLength(p.Velocity);
  float s = std::fabs(std::sin(p.ShadowPhase / 6.0f * Pi)) * 0.3f;
  float x = p.Position.x, y = p.Position.y, z = p.Position.z;
  glColor3f(1, 1, 1);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex3f(x - 0.7f - s, y, z - 1);
  glTexCoord2f(1, 0);
  glVertex3f(x + 0.7f + s, y, z - 1);
  glTexCoord2f(1, 1);
  glVertex3f(x + 0.7f + s, y, z + 1);
  glTexCoord2f(0, 1);
  glVertex3f(x - 0.7f - s, y, z + 1);
  glEnd();
  glPopMatrix();
  glEnable(GL_DEPTH_TEST);
  SetBlendMode(0);
}

static void DrawGun(const TPlayer& p) {
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glPushMatrix();
  glLoadIdentity();  // the gun sits in eye space
  TVector light;
  MatrixTransformPoint(Camera.View, {100, 100, 100}, light);
  SetLightPosition(GL_LIGHT0, light);
  float sway = 0, recoil = 0;
  if (p.Keys[KeyFire].Down) {
    if (p.Spin == 15.0f) {
      float turn = static_cast<float>(static_cast<int64_t>(std::trunc(p.BarrelAngle)) % 90);
      recoil = std::sin(turn / 90.0f * Pi);  // a kick every 90 degrees of barrel turn
    }
  } else {
    sway = std::sin(p.BobPhase);
  }
  glTranslatef(sway / 10.0f, std::fabs(sway / 3.0f) - 2.0f, recoil / 10.0f);
  glRotatef(p.BarrelAngle, 0, 0, 1);
  BeginSphereMap(GameMap.EnvTexture);
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glRotatef(p.Yaw * RadToDeg, 0, 1, 0);  // the reflection follows the turning player
  glMatrixMode(GL_MODELVIEW);
  float g = GroundTint(p);
  glColor3f(g, g, g);
  ModelV2Draw(GunModel);
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  EndSphereMap();
  glPopMatrix();
  glDisable(GL_LIGHTING);
}

static void DrawCrosshair(const TPlayer& p) {
  SetBlendMode(1);
  SetOrtho(0, 0, 640, 480);
  glDisable(GL_DEPTH_TEST);
  BindTexture(p.CrosshairTexture);
  glColor3f(1, 1, 1);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(304, 224);
  glTexCoord2f(1, 0);
  glVertex2f(336, 224);
  glTexCoord2f(1, 1);
  glVertex2f(336, 256);
  glTexCoord2f(0, 1);
  glVertex2f(304, 256);
  glEnd();
  UnbindTexture();
}

// Opaque on the screen edge, clear on the inner edge; red and deep right after a hit.
static void DrawVignette(float flash, float w) {
  auto edge = [flash](float x, float y) {
    glColor4f(flash, 0, 0, 1);
    glVertex2f(x, y);
  };
  auto inner = [flash](float x, float y) {
    glColor4f(flash, 0, 0, 0);
    glVertex2f(x, y);
  };
  glBegin(GL_QUADS);
  edge(0, 0), edge(0, 480), inner(w, 480), inner(w, 0);
  edge(640, 0), edge(640, 480), inner(640 - w, 480), inner(640 - w, 0);
  edge(0, 0), edge(640, 0), inner(640, w), inner(0, w);
  edge(0, 480), edge(640, 480), inner(640, 480 - w), inner(0, 480 - w);
  glEnd();
}

void RenderPlayerView() {
  TPlayer& p = Player;
  if (p.Health == 0) return;
  float w = 256.0f * p.Flash + 64.0f;
  glClear(GL_DEPTH_BUFFER_BIT);
  DrawShadow(p);
  DrawGun(p);
  DrawCrosshair(p);
  DrawVignette(p.Flash, w);
  glDisable(GL_DEPTH_TEST);
  DrawHud();
}

void DrawHudIcon(int32_t x, int32_t y, int32_t icon) {
  BindTexture(Player.HudTexture);
  float u = static_cast<float>(icon) * 0.25f;
  float fx = static_cast<float>(x), fy = static_cast<float>(y);
  glBegin(GL_QUADS);
  glTexCoord2f(u, 1);
  glVertex2f(fx, fy);
  glTexCoord2f(u + 0.25f, 1);
  glVertex2f(fx + 32, fy);
  glTexCoord2f(u + 0.25f, 0);
  glVertex2f(fx + 32, fy + 32);
  glTexCoord2f(u, 0);
  glVertex2f(fx, fy + 32);
  glEnd();
  UnbindTexture();
}

void DrawHud() {
  const TPlayer& p = Player;
  glColor3f(0, 1, 0);
  DrawHudIcon(32, 416, 0);
  PrintText(IntToString(p.Health), 72, 440, FontBig);
  glColor3f(1, 1, 0);
  DrawHudIcon(448, 416, 1);
  PrintText(IntToString(p.Points), 480, 440, FontBig);
  glColor3f(1, 1, 1);
  DrawHudIcon(32, 32, 2);
  PrintText(IntToString(p.Kills), 72, 56, FontBig);
  SetBlendMode(0);
  glColor3f(0.8f, 0.5f, 0);
  if (p.BuildCounter > 0 && p.BuildCounter < PlayerBuildSteps + 1) {
    glBegin(GL_LINE_LOOP);
    glVertex2f(192, 395);
    glVertex2f(448, 395);
    glVertex2f(448, 405);
    glVertex2f(192, 405);
    glEnd();
    float e = static_cast<float>(191 + p.BuildCounter * 256 / 150);
    glBegin(GL_QUADS);
    glVertex2f(194, 396);
    glVertex2f(e, 396);
    glVertex2f(e, 403);
    glVertex2f(194, 403);
    glEnd();
  }
}
