// The benchmarks' data set: the generator's own output, written once into a scratch directory.
#include "support/bench_data.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "generators.h"

namespace {

struct DataDir {
  std::string root;
  bool ok = false;
  DataDir() {
    char pattern[] = "/tmp/halvrost-bench-XXXXXX";
    if (!mkdtemp(pattern)) return;
    root = pattern;
    TGenOutput out;
    out.Root = root + "/data";
    GenerateImages(out);
    GenerateModels(out);
    GenerateSounds(out);
    GenerateMusic(out);
    ok = out.Ok;
  }
  ~DataDir() {
    std::error_code ec;
    if (!root.empty()) std::filesystem::remove_all(root, ec);
  }
};

DataDir& Data() {
  static DataDir dir;
  return dir;
}

}  // namespace

bool EnterBenchData() {
  // The benchmarks run without a sound card, like the tests.
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("ALSOFT_DRIVERS", "null", 0);
  DataDir& d = Data();
  return d.ok && chdir(d.root.c_str()) == 0;
}

const std::string& BenchDataRoot() { return Data().root; }
