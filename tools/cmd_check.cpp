// "check": loads each file with the loader the game would use and says what it holds or why it is refused.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/l_wave.h"
#include "audio/xm_file.h"
#include "audio/xm_load.h"
#include "audio/xm_song.h"
#include "commands.h"
#include "menu/l_score.h"
#include "models/l_model.h"
#include "models/l_model_v2.h"
#include "render/l_jpeg.h"
#include "render/l_tga.h"
#include "world/l_map.h"

namespace {

struct Verdict {
  bool ok = false;
  std::string text;  // facts when ok, the reason otherwise
};

Verdict Bad(const std::string& why) { return {false, why}; }
Verdict Good(const std::string& facts) { return {true, facts}; }

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string Fmt(const char* f, double a = 0, double b = 0, double c = 0, double d = 0, double e = 0) {
  char buf[256];
  std::snprintf(buf, sizeof buf, f, a, b, c, d, e);
  return buf;
}

std::string ImageFacts(const TImage& img) {
  return Fmt("width=%.0f height=%.0f bits=%.0f", img.Width, img.Height, img.Bits);
}

Verdict CheckJpeg(const std::vector<uint8_t>& bytes, bool heightMap) {
  TImage img;
  if (!DecodeJpegMemory(bytes.data(), bytes.size(), img)) return Bad("not a JPEG libjpeg can decode at full size");
  if (!heightMap) return Good(ImageFacts(img));
  if (img.Width < MapMinSide || img.Height < MapMinSide)
    return Bad(Fmt("height image %.0f x %.0f is below the %.0f x %.0f a terrain needs", img.Width, img.Height,
                   MapMinSide, MapMinSide));
  if (int64_t(img.Width) * img.Height > MapMaxPixels)
    return Bad(Fmt("height image of %.0f pixels is over the %.0f a terrain takes", double(img.Width) * img.Height,
                   MapMaxPixels));
  int lo = 255, hi = 0;
  for (size_t i = 0; i < img.Pixels.size(); i += 3) {  // height comes from the blue byte
    lo = std::min<int>(lo, img.Pixels[i]);
    hi = std::max<int>(hi, img.Pixels[i]);
  }
  return Good(ImageFacts(img) + Fmt(" triangles=%.0f min_height=%.3f max_height=%.3f",
                                    2.0 * (img.Width - 1) * (img.Height - 1), lo / 8.0, hi / 8.0));
}

Verdict CheckTga(const std::vector<uint8_t>& bytes) {
  TImage img;
  if (!ReadTGAMemory(bytes.data(), bytes.size(), img))
    return Bad("not an uncompressed TGA the reader takes (type, depth, palette or size)");
  return Good(ImageFacts(img));
}

Verdict CheckModel(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 4) return Bad("shorter than the 4-byte magic");
  const std::string magic(bytes.begin(), bytes.begin() + 4);
  if (magic == "ZRM1") {
    TModel m;
    ModelInit(m);
    if (!ModelLoadMemory(m, bytes.data(), bytes.size()))
      return Bad("ZRM1 refused: truncated, or counts or indices out of range");
    Verdict v = Good(Fmt("format=ZRM1 meshes=%.0f frames=%.0f vertices=%.0f triangles=%.0f", m.MeshCount,
                         m.FrameTotal, m.VertexTotal, m.TriangleTotal) +
                     Fmt(" radius=%.3f", m.Radius));
    ModelFree(m);
    return v;
  }
  if (magic == "ZRM2") {
    TModel_v2 m;
    ModelV2Init(m);
    if (!ModelV2LoadMemory(m, bytes.data(), bytes.size()))
      return Bad("ZRM2 refused: truncated, or counts or indices out of range");
    double vertices = 0, triangles = 0;
    for (const TMesh_v2& mesh : m.Meshes) vertices += mesh.VertexCount, triangles += mesh.TriangleCount;
    Verdict v = Good(Fmt("format=ZRM2 meshes=%.0f vertices=%.0f triangles=%.0f", m.MeshCount, vertices, triangles));
    ModelV2Free(m);
    return v;
  }
  return Bad("magic is neither ZRM1 nor ZRM2");
}

Verdict CheckWave(const std::vector<uint8_t>& bytes) {
  TWaveData w;
  if (!ParseWave(bytes.data(), bytes.size(), w))
    return Bad("WAV header refused (magic, format record, or data length past the end)");
  const PlatformWaveFormat& f = w.format;
  const std::string facts = Fmt("channels=%.0f rate=%.0f bits=%.0f frames=%.0f", f.channels, f.samplesPerSec,
                                f.bitsPerSample, double(w.length / f.blockAlign));
  if (f.channels != 1) return Bad(facts + ": positional sounds take mono data only");
  return Good(facts);
}

Verdict CheckXm(const std::string& file) {
  UseMemFileCallbacks();
  TXmSong* song = SongLoad(file.c_str());
  if (!song) return Bad(std::string("XM refused: ") + XmLastLoadError());
  double samples = 0;
  for (int i = 0; i < song->instrumentCount; ++i) samples += song->instruments[i].sampleCount;
  Verdict v = Good(Fmt("channels=%.0f orders=%.0f patterns=%.0f instruments=%.0f samples=%.0f", song->channelCount,
                       song->songLength, song->patternsUsed, song->instrumentCount, samples));
  SongFree(song);
  return v;
}

Verdict CheckScores(const std::vector<uint8_t>& bytes) {
  if (bytes.size() != size_t(ScoreFileSize))
    return Bad(Fmt("%.0f bytes where the table has %.0f", double(bytes.size()), ScoreFileSize));
  if (bytes[0] > 16) return Bad(Fmt("name length %.0f is over 16", bytes[0]));
  for (int i = 0; i < ScoreEntries; ++i)
    if (bytes[17 + 24 * i] > 16) return Bad(Fmt("entry %.0f: name length %.0f is over 16", i + 1, bytes[17 + 24 * i]));
  DecodeScoreFile(bytes.data());
  return Good(Fmt("entries=%.0f best=%.0f", ScoreEntries, ScoreTable[0].Score) + " name=\"" +
              ShortTextString(PlayerName) + "\"");
}

Verdict Check(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return Bad("cannot be opened");
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string name = Lower(file);
  if (EndsWith(name, "score.dat")) return CheckScores(bytes);  // also copies such as old_score.dat
  if (EndsWith(name, "_height.jpg")) return CheckJpeg(bytes, true);
  if (EndsWith(name, ".jpg")) return CheckJpeg(bytes, false);
  if (EndsWith(name, ".tga")) return CheckTga(bytes);
  if (EndsWith(name, ".zrm")) return CheckModel(bytes);
  if (EndsWith(name, ".wav")) return CheckWave(bytes);
  if (EndsWith(name, ".xm")) return CheckXm(file);
  return Bad("no loader for this kind of file (.jpg .tga .zrm .wav .xm score.dat)");
}

}  // namespace

int CmdCheck(int argc, char** argv) {
  if (argc < 1) {
    std::fprintf(stderr, "usage: halvrost-data check FILE...\n");
    return 2;
  }
  int status = 0;
  for (int i = 0; i < argc; ++i) {
    const Verdict v = Check(argv[i]);
    std::printf("%s %s %s\n", v.ok ? "OK" : "BAD", argv[i], v.text.c_str());
    if (!v.ok) status = 1;
  }
  return status;
}
