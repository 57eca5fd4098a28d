// Writers for the complete test data set: small images of every kind and two looping songs.
#include "support/full_data.h"

#include <unistd.h>

#include <filesystem>

#include "support/game_env.h"
#include "support/xm_builder.h"

namespace fs = std::filesystem;

// A short looping tune: one square-wave instrument, a note every fourth row.
static std::vector<uint8_t> TestSong(int baseNote) {
  XmModuleDef def;
  def.channels = 2;
  std::vector<int16_t> wave(64);
  for (size_t i = 0; i < wave.size(); ++i) wave[i] = i < 32 ? 6000 : -6000;
  AddSimpleInstrument(def, wave, true, 1, 0, uint32_t(wave.size()));
  XmPatternDef& p = def.AddPattern(32);
  for (int row = 0; row < 32; row += 4)
    p.At(row, 0).note = XmNote(4, (baseNote + row / 4) % 12), p.At(row, 0).instrument = 1;
  def.orders = {0, 0};
  return BuildXm(def);
}

std::vector<std::string> WriteFullGameData(const std::string& root) {
  WriteTestGameData(root);
  auto put = [&root](const std::string& rel, const std::vector<uint8_t>& bytes) {
    fs::create_directories((fs::path(root) / rel).parent_path());
    WriteBytes((fs::path(root) / rel).string(), bytes);
  };
  // Uniform JPEGs: path, side, red, green, blue.
  for (auto [rel, side, r, g, b] : {std::tuple("shadow", 32, 90, 90, 90), {"env", 64, 120, 140, 160},
                                    {"detail", 64, 128, 128, 128}, {"fire", 32, 255, 200, 60},
                                    {"menu/blur", 64, 200, 220, 255}, {"sky_1", 64, 80, 110, 200},
                                    {"sky_2", 64, 80, 110, 200}, {"sky_3", 64, 80, 110, 200},
                                    {"sky_4", 64, 80, 110, 200}, {"sky_5", 64, 80, 110, 200}})
    put(std::string("data/textures/") + rel + ".jpg",
        MakeJpeg(side, side, UniformRgb(side, side, uint8_t(r), uint8_t(g), uint8_t(b)), 3, 100));
  put("data/textures/smoke.tga", TestTga(32, 32, 200, 200, 200, 128));
  put("data/textures/ricochet.tga", TestTga(16, 16, 255, 255, 180, 200));
  put("data/textures/blood.tga", TestTga(16, 16, 160, 0, 0, 220));
  put("data/textures/gibs.tga", TestTga(16, 16, 120, 0, 0, 255));
  put("data/music/baits.xm", TestSong(0));
  put("data/music/rave.xm", TestSong(5));
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(fs::path(root) / "data"))
    if (e.is_regular_file()) files.push_back(fs::relative(e.path(), root).generic_string());
  std::sort(files.begin(), files.end());
  return files;
}

long long ResidentBytes() {
  long long size = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%lld %lld", &size, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * sysconf(_SC_PAGESIZE);
}
