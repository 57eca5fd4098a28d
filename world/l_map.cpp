// The map record: shared resources, terrain building from the height image, actor lists.
#include "world/l_map.h"

#include "platform/p_gl.h"

#include <new>
#include <utility>

#include "actors/l_spider.h"
#include "actors/l_zenit.h"
#include "audio/l_sound.h"
#include "game/l_game.h"
#include "render/l_gl.h"
#include "render/l_jpeg.h"

bool PlayerAreaFlag = false;
bool DetailEnabled = true;

void MapInit(TMap& map) {
  map.SpiderCount = 0;
  map.ZenitCount = 0;
  map.Spiders = nullptr;
  map.Zenits = nullptr;
  map.EnvTexture = LoadTexture("data\\textures\\env.jpg", false);
  map.DetailTexture = LoadTexture("data\\textures\\detail.jpg", false);
  map.RicochetSample = LoadSample("data\\sounds\\ric.wav");
  map.Pixels = TImage{};
  for (int n = 1; n <= 5; ++n) {
    map.SkyTextures[n - 1] =
        LoadTexture("data\\textures\\sky_" + std::to_string(n) + ".jpg", false);
    BindTexture(map.SkyTextures[n - 1]);
    // Clamped so the seams between the faces show no border.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
}

static void ClearTerrain(TMap& map) {
  map.Width = 0;
  map.Height = 0;
  map.TriCount = 0;
  map.Vertices.clear();
  map.Triangles.clear();
  map.TexCoords.clear();
  map.DetailCoords.clear();
  map.Planes.clear();
}

static bool BuildTerrain(TMap& map, const TImage& img) {
  const int32_t w = img.Width, h = img.Height;
  if (w < MapMinSide || h < MapMinSide || w > MapMaxPixels || h > MapMaxPixels) return false;
  if (int64_t(w) * h > MapMaxPixels) return false;
  if (img.Bits != 24 && img.Bits != 32) return false;
  const size_t stride = size_t(img.Bits / 8);
  if (img.Pixels.size() < size_t(w) * h * stride) return false;

  map.Width = w;
  map.Height = h;
  map.TriCount = (w - 1) * (h - 1) * 2;
  const size_t n = size_t(w) * h;
  map.Vertices.assign(n, TVector{0, 0, 0});
  map.TexCoords.assign(n, TTexCoord{0, 0});
  map.DetailCoords.assign(n, TTexCoord{0, 0});
  map.Triangles.assign(map.TriCount, TTriangle{0, 0, 0});
  size_t next = 0;
  int32_t i = 0;
  for (int32_t j = 0; j < h; ++j) {
    for (int32_t k = 0; k < w; ++k, ++i) {
      const uint8_t b = img.Pixels[size_t(i) * stride];
      map.Vertices[i] = {2.0f * k, b / 16.0f * 2.0f, 2.0f * j};
      map.TexCoords[i] = {float(k) / float(w), float(j) / float(h)};
      map.DetailCoords[i] = {0.1f * k, 0.1f * j};
      if (k < w - 2 && j < h - 2) {
        // Diagonal from (k, j+1) to (k+1, j); both counter-clockwise seen from above.
        map.Triangles[next++] = {uint16_t(i + w), uint16_t(i + 1), uint16_t(i)};
        map.Triangles[next++] = {uint16_t(i + w + 1), uint16_t(i + 1), uint16_t(i + w)};
      }
    }
  }
  map.Planes.resize(map.TriCount);
  for (int32_t t = 0; t < map.TriCount; ++t) {
    const TTriangle& tri = map.Triangles[t];
    PlaneFromPoints(map.Vertices[tri.a], map.Vertices[tri.b], map.Vertices[tri.c], map.Planes[t]);
  }
  return true;
}

bool MapBuildTerrain(TMap& map, const TImage& heightImage) {
  ClearTerrain(map);
  bool ok = false;
  try {
    ok = BuildTerrain(map, heightImage);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) ClearTerrain(map);
  return ok;
}

// Everything here may run out of memory (a huge or hostile map image); that ends the load
// with false and leaves what was built so far.
static bool LoadTerrain(TMap& map, const std::string& name) {
  TImage height;
  if (!DecodeJpeg("data\\maps\\" + name + "_height.jpg", height)) return false;
  if (!MapBuildTerrain(map, height)) return false;
  height = TImage{};
  // Only a load that decoded the file leaves pixels behind; a cached texture gives none.
  KeptPixels = TImage{};
  map.Texture = LoadTexture("data\\maps\\" + name + ".jpg", true);
  map.Pixels = std::move(KeptPixels);
  KeptPixels = TImage{};
  return true;
}

bool MapLoad(TMap& map, const std::string& name) {
  MapFree(map, false);
  try {
    return LoadTerrain(map, name);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void MapFree(TMap& map, bool releaseShared) {
  map.Pixels = TImage{};
  ClearTerrain(map);
  for (TSpider* s = map.Spiders; s;) {
    TSpider* next = s->Next;
    delete s;
    s = next;
  }
  for (TZenit* z = map.Zenits; z;) {
    TZenit* next = z->Next;
    delete z;
    z = next;
  }
  map.Spiders = nullptr;
  map.Zenits = nullptr;
  map.SpiderCount = 0;
  map.ZenitCount = 0;
  FreeTexture(map.Texture);
  map.Texture = 0;
  if (releaseShared) {
    FreeTexture(map.EnvTexture);
    FreeTexture(map.DetailTexture);
    FreeSample(map.RicochetSample);
    map.EnvTexture = 0;
    map.DetailTexture = 0;
    map.RicochetSample = -1;
  }
}

bool MapPixelSum(const TMap& map, int32_t column, int32_t row, int32_t& sum) {
  const TImage& img = map.Pixels;
  if (column < 0 || row < 0 || column >= img.Width || row >= img.Height) return false;
  if (img.Bits != 24 && img.Bits != 32) return false;
  const size_t stride = size_t(img.Bits / 8);
  const size_t at = (size_t(row) * img.Width + column) * stride;
  if (at + 3 > img.Pixels.size()) return false;
  sum = img.Pixels[at] + img.Pixels[at + 1] + img.Pixels[at + 2];
  return true;
}

// Spiders and turrets live in intrusive doubly linked lists, newest first.
template <typename T>
static T* PushFront(T*& head, int32_t& count, T* node) {
  node->Next = head;
  node->Prev = nullptr;
  if (head) head->Prev = node;
  head = node;
  ++count;
  return node;
}

// Unlinks and frees a node; gives the one after it.
template <typename T>
static T* Unlink(T*& head, int32_t& count, T* node) {
  if (!node) return nullptr;
  T* next = node->Next;
  if (node->Prev)
    node->Prev->Next = next;
  else
    head = next;
  if (next) next->Prev = node->Prev;
  delete node;
  --count;
  return next;
}

TSpider* MapAddSpider(TMap& map) {
  TSpider* s = new TSpider;
  InitSpider(*s);
  return PushFront(map.Spiders, map.SpiderCount, s);
}

void MapRemoveSpider(TMap& map, TSpider* s) { Unlink(map.Spiders, map.SpiderCount, s); }

TZenit* MapAddZenit(TMap& map) {
  TZenit* z = new TZenit;
  InitZenit(*z);
  return PushFront(map.Zenits, map.ZenitCount, z);
}

TZenit* MapRemoveZenit(TMap& map, TZenit* z) { return Unlink(map.Zenits, map.ZenitCount, z); }

void MapUpdate(TMap& map) {
  for (TSpider* s = map.Spiders; s;) {
    UpdateSpider(*s);
    s = s->Next;
  }
  if (Player.Health <= 0) return;
  for (TZenit* z = map.Zenits; z;) {
    UpdateZenit(*z);
    if (z->Life <= 0)
      z = MapRemoveZenit(map, z);
    else
      z = z->Next;
  }
}
