// Zenit records: filling a new one for the map's list and drawing its three meshes.
#include "actors/l_zenit.h"

#include "platform/p_gl.h"

#include "game/l_game.h"
#include "render/l_gl.h"

static constexpr float RadToDeg = 57.2957795130823f;

void InitZenit(TZenit& zenit) {
  for (int i = 0; i < 3; ++i) {
    zenit.Aim[i] = 0;
    zenit.TargetAim[i] = 0;
  }
  zenit.Position = {0, 0, 0};
  MatrixIdentity(zenit.BaseMatrix);
  zenit.FireDelay = 0;
  zenit.Life = ZenitFullLife;
  zenit.HasTarget = false;
  zenit.TargetSpider = nullptr;
  zenit.Next = nullptr;
  zenit.Prev = nullptr;
}

static void DrawZenitMesh(const TMesh_v2& mesh) {
  if (mesh.TriangleCount <= 0) return;
  glNormalPointer(GL_FLOAT, 0, mesh.Normals.data());
  glVertexPointer(3, GL_FLOAT, 0, mesh.Vertices.data());
  glDrawElements(GL_TRIANGLES, mesh.TriangleCount * 3, GL_UNSIGNED_SHORT, mesh.Triangles.data());
}

void DrawZenit(TZenit& zenit) {
  if (!ZenitModel.Loaded || ZenitModel.MeshCount != 3 || ZenitModel.Meshes.size() != 3) return;
  if (!SphereInFrustum(Camera, zenit.Position, 3)) return;
  SetBlendMode(1);
  // A retiring turret fades out.
  glColor4f(0.4f, 0.4f, 0.4f, float(zenit.Life) / float(ZenitFullLife));
  glPushMatrix();
  glPushMatrix();
  glMultMatrixf(zenit.BaseMatrix.m);
  DrawZenitMesh(ZenitModel.Meshes[0]);
  glPopMatrix();
  glTranslatef(zenit.Position.x, zenit.Position.y, zenit.Position.z);
  glRotatef(180 - zenit.Aim[1] * RadToDeg, 0, 1, 0);
  DrawZenitMesh(ZenitModel.Meshes[1]);
  glTranslatef(0, 1.7f, 0);
  glRotatef(-zenit.Aim[0] * RadToDeg, 0, 0, 1);
  DrawZenitMesh(ZenitModel.Meshes[2]);
  glPopMatrix();
}
