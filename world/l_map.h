// The world: terrain from a height image, sky, ground queries, the shot, actor lists.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "math/l_math.h"
#include "render/l_image.h"

struct TSpider;
struct TZenit;

struct TMap {
  int32_t RicochetSample = -1;
  int32_t Width = 0;   // vertices per row
  int32_t Height = 0;  // rows
  int32_t TriCount = 0;  // (Width - 1) * (Height - 1) * 2
  uint32_t Texture = 0;
  // Kept colour image (24-bit, blue first, top row first) with its real size; empty
  // when the colour texture decoded nothing. Read it through MapPixelSum.
  TImage Pixels;
  uint32_t DetailTexture = 0;
  uint32_t SkyTextures[5] = {0, 0, 0, 0, 0};
  std::vector<TVector> Vertices;  // Width * Height, row after row
  std::vector<TTriangle> Triangles;  // TriCount; the last 2 (Width + Height - 3) stay 0
  std::vector<TTexCoord> TexCoords;
  std::vector<TTexCoord> DetailCoords;
  std::vector<TPlane> Planes;  // one per entry of Triangles
  uint32_t EnvTexture = 0;
  int32_t SpiderCount = 0;
  int32_t ZenitCount = 0;
  TSpider* Spiders = nullptr;  // list heads, newest first
  TZenit* Zenits = nullptr;
};

// Height images are refused outside these bounds (indices are 16-bit; a map needs a cell).
constexpr int32_t MapMaxPixels = 65536;
constexpr int32_t MapMinSide = 3;

// Set by the player's update around its own MapClampToGround call only.
extern bool PlayerAreaFlag;
// Detail texture on texture unit 1; nothing changes it.
extern bool DetailEnabled;

void MapInit(TMap& map);
bool MapLoad(TMap& map, const std::string& name);
// The loader's core: builds vertices, coordinates, cells and planes from a decoded
// 24-bit height image. Refuses images outside the size bounds (arrays stay empty).
bool MapBuildTerrain(TMap& map, const TImage& heightImage);
void MapFree(TMap& map, bool releaseShared);
TSpider* MapAddSpider(TMap& map);
void MapRemoveSpider(TMap& map, TSpider* spider);
TZenit* MapAddZenit(TMap& map);
// Returns the record that followed the removed one, or null.
TZenit* MapRemoveZenit(TMap& map, TZenit* zenit);
void MapUpdate(TMap& map);

// Sum of the three bytes of the kept colour image at (column, row); false outside it.
bool MapPixelSum(const TMap& map, int32_t column, int32_t row, int32_t& sum);

// Rendering.
void RenderSky(const TMap& map);
void MapRender(TMap& map);

// Ground queries. Safe anywhere: outside the triangulated area, and for NaN or huge
// coordinates, they answer the nearest valid cell; with no map, height 0 and (0, 1, 0).
// The result is the triangle index used, or -1 when there is no map.
int32_t MapGroundHeight(const TMap& map, TVector& point);
int32_t MapClampToGround(const TMap& map, TVector& point, TVector& normal);
// aim.x elevation, aim.y heading (radians). True when the shot killed a spider.
bool MapShoot(TMap& map, const TVector& origin, const TVector& aim);
