// Animated rigid-mesh models (ZRM1): loading, per-frame baking and drawing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "math/l_math.h"

// A growable array whose buffer is shared when the owning record is copied: a gib's
// copy of a mesh keeps the model's arrays alive, and the model may free or reload
// its own without touching the copy. Resizing always makes a fresh buffer.
template <typename T>
class TSharedArray {
 public:
  void Resize(size_t n) { data_ = n ? std::make_shared<std::vector<T>>(n) : nullptr; }
  void Clear() { data_.reset(); }
  size_t Size() const { return data_ ? data_->size() : 0; }
  bool Empty() const { return Size() == 0; }
  T* Data() { return data_ ? data_->data() : nullptr; }
  const T* Data() const { return data_ ? data_->data() : nullptr; }
  T& operator[](size_t i) { return (*data_)[i]; }
  const T& operator[](size_t i) const { return (*data_)[i]; }
  long UseCount() const { return data_.use_count(); }

 private:
  std::shared_ptr<std::vector<T>> data_;
};

struct TMeshKey {
  TVector Position;
  TQuaternion Rotation;
};

struct TMesh {
  int32_t BaseVertex = 0;
  int32_t BaseTriangle = 0;
  int32_t VertexCount = 0;
  int32_t TriangleCount = 0;
  uint8_t Color[3] = {0, 0, 0};
  TSharedArray<TVector> Vertices;   // mesh space, scaled by 0.1 at load
  TSharedArray<TVector> Normals;    // mesh space, computed at load
  TSharedArray<TTriangle> Triangles;  // mesh-local indices
  TSharedArray<TMeshKey> Keys;      // one per frame
  TSharedArray<TMatrix> Matrices;   // one per frame, built from Keys
};

struct TColor3f {
  float r, g, b;
};

struct TModel {
  bool Loaded = false;
  int32_t Duration = 0;  // FrameTotal * 100 div 3: one cycle in clock units
  int32_t Clock = 0;     // own clock, for the model shown alone (menu)
  int32_t Frame = 0;     // frame ModelDraw draws; the caller sets it
  int32_t MeshCount = 0;
  int32_t FrameTotal = 0;
  int32_t VertexTotal = 0;
  int32_t TriangleTotal = 0;
  float Radius = 0;  // farthest vertex of any frame from the origin
  std::vector<TMesh> Meshes;
  std::vector<TVector> FrameVertices;  // vertex v of frame f at f * VertexTotal + v
  std::vector<TVector> FrameNormals;
  std::vector<TTriangle> Triangles;  // model-wide indices
  std::vector<TColor3f> Colors;      // per model-wide vertex, 0..1
};

// Indices are 16-bit, so a model (or a ZRM2 mesh) holds at most this many vertices.
constexpr int32_t MaxModelVertices = 65536;

void ModelInit(TModel& model);
// False (and Loaded false) for a missing, damaged, truncated or hostile file.
bool ModelLoad(TModel& model, const std::string& fileName);
bool ModelLoadMemory(TModel& model, const uint8_t* data, size_t size);
void ModelFree(TModel& model);
// Draws frame Frame from the colour, normal and vertex arrays the caller enabled.
void ModelDraw(const TModel& model);
void MeshPrepare(TMesh& mesh);
void MeshFree(TMesh& mesh);

// Unweighted per-corner sum of face normals, then normalised; unused vertices stay 0.
// Every index must already be below count.
void ComputeVertexNormals(const TVector* vertices, int32_t count, const TTriangle* triangles,
                          int32_t triangleCount, TVector* normals);

// Animation clock: one step advances 30 units; a frame spans 100/3 units.
// A model without frames (duration 0) keeps the clock at 0.
int32_t ModelAdvanceClock(int32_t clock, int32_t duration);
int32_t ModelClockFrame(int32_t clock);
