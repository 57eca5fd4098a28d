// Drawing the world: the sky box around the eye, the detail-textured terrain, the actors.
#include "platform/p_gl.h"

#include "actors/l_spider.h"
#include "actors/l_zenit.h"
#include "game/l_game.h"
#include "render/l_gl.h"
#include "world/l_map.h"

struct TSkyCorner {
  float s, t, x, y, z;
};

// Per face: texture coordinate (0, 0) is the top-left of the picture; seen from inside,
// every side shows its picture upright and unmirrored. There is no bottom face.
static const TSkyCorner SkyFaces[5][4] = {
    {{0, 1, 1, -1, -1}, {0, 0, 1, 1, -1}, {1, 0, 1, 1, 1}, {1, 1, 1, -1, 1}},          // +x
    {{0, 1, -1, -1, -1}, {0, 0, -1, 1, -1}, {1, 0, 1, 1, -1}, {1, 1, 1, -1, -1}},      // -z
    {{0, 1, 1, -1, 1}, {0, 0, 1, 1, 1}, {1, 0, -1, 1, 1}, {1, 1, -1, -1, 1}},          // +z
    {{0, 1, -1, -1, 1}, {0, 0, -1, 1, 1}, {1, 0, -1, 1, -1}, {1, 1, -1, -1, -1}},      // -x
    {{1, 1, -1, 1, 1}, {0, 1, 1, 1, 1}, {0, 0, 1, 1, -1}, {1, 0, -1, 1, -1}},          // +y
};

void RenderSky(const TMap& map) {
  glDisable(GL_DEPTH_TEST);
  glColor4f(1, 1, 1, 1);
  glPushMatrix();
  glTranslatef(Camera.Eye.x, Camera.Eye.y, Camera.Eye.z);
  for (int f = 0; f < 5; ++f) {
    BindTexture(map.SkyTextures[f]);
    glBegin(GL_QUADS);
    for (const TSkyCorner& c : SkyFaces[f]) {
      glTexCoord2f(c.s, c.t);
      glVertex3f(c.x, c.y, c.z);
    }
    glEnd();
  }
  glPopMatrix();
  glEnable(GL_DEPTH_TEST);
}

// Without the multitexture entry points the terrain is drawn with its colour texture only.
static bool HaveMultitexture() {
  return ext::glActiveTextureARB && ext::glClientActiveTextureARB && ext::glMultiTexCoord2fvARB;
}

static void DrawTerrain(const TMap& map) {
  const bool multi = HaveMultitexture();
  const bool detail = DetailEnabled && multi;
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  if (multi) ext::glActiveTextureARB(GL_TEXTURE0_ARB);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, map.Texture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  if (detail) {
    ext::glActiveTextureARB(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, map.DetailTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  }

  const bool drawable = map.TriCount > 0 && map.Triangles.size() >= size_t(map.TriCount) &&
                        !map.Vertices.empty();
  if (drawable) {
    if (detail) {
      ext::glClientActiveTextureARB(GL_TEXTURE1_ARB);
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(2, GL_FLOAT, 0, map.DetailCoords.data());
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    if (multi) ext::glClientActiveTextureARB(GL_TEXTURE0_ARB);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, map.TexCoords.data());
    glVertexPointer(3, GL_FLOAT, 0, map.Vertices.data());
    glDrawElements(GL_TRIANGLES, map.TriCount * 3, GL_UNSIGNED_SHORT, map.Triangles.data());
    if (detail) {
      ext::glClientActiveTextureARB(GL_TEXTURE1_ARB);
      glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    if (multi) ext::glClientActiveTextureARB(GL_TEXTURE0_ARB);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  }

  if (detail) {
    ext::glActiveTextureARB(GL_TEXTURE1_ARB);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
  }
  if (multi) ext::glActiveTextureARB(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_TEXTURE_2D);
  UnbindTexture();
}

void MapRender(TMap& map) {
  glColor3f(1, 1, 1);
  RenderSky(map);
  DrawTerrain(map);

  // Spider placements mirror the model, so their front faces are the hidden ones.
  glCullFace(GL_FRONT);
  BeginLitColouredModels();
  glPushMatrix();
  for (TSpider* s = map.Spiders; s; s = s->Next) DrawSpider(*s);
  glPopMatrix();
  EndLitColouredModels();

  glDisable(GL_CULL_FACE);

  BeginSphereMap(map.EnvTexture);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  glPushMatrix();
  for (TZenit* z = map.Zenits; z; z = z->Next) DrawZenit(*z);
  glPopMatrix();
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  EndSphereMap();
  glDisable(GL_LIGHTING);

  SetBlendMode(1);
}
