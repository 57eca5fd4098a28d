// The image generators' pieces: terrain, sky and small textures, each a picture in memory.
#pragma once

#include <string>
#include <vector>

#include "gen_pixmap.h"

// One generated image: its path below the data directory, the picture and the file bytes.
struct TGenImage {
  std::string Path;
  TPixmap Picture;
  std::vector<uint8_t> Bytes;
};

// Every image of the data set, in a fixed order.
std::vector<TGenImage> MakeImageSet();

// Terrain. Heights are in world units (0 .. 31.875), x and z in world units (0 .. 256).
constexpr int kHeightSide = 128;  // height image pixels = vertices per side, 2 units apart
constexpr int kColourSide = 512;  // colour image, 2 texels per unit
float TerrainHeight(float x, float z);
TPixmap MakeHeightImage();
TPixmap MakeMapColour();
// The sun the ground is lit by and the sky shows (a unit vector, world axes).
extern const float kSunDir[3];

// Sky: one colour for every direction (x, y, z need not be unit length).
TRgb SkyColour(float x, float y, float z);
// Face 0 .. 4 as the sky box draws them: +x, -z, +z, -x, top.
TPixmap MakeSkyFace(int face, int size);
// The corner of the sky box that texture coordinate (s, t) of a face lands on.
void SkyFacePoint(int face, float s, float t, float out[3]);
TPixmap MakeEnvMap(int size);

// Small textures.
TPixmap MakeDetail(int size);
TPixmap MakeShadow(int size);
TPixmap MakeCrosshair();
TPixmap MakeHudStrip();
TPixmap MakeSmoke(int size);
TPixmap MakeRicochet(int size);
TPixmap MakeBlood(int size);
TPixmap MakeFire(int size);
TPixmap MakeGibs();
TPixmap MakeMenuBlur(int size);
