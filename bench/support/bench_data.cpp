// The benchmarks' data set: the generator's own output, written once into a scratch directory.
#include "support/bench_data.h"

#include <unistd.h>

#include "generators.h"
#include "support/test_env.h"

namespace {

// Removed with the scratch directory at exit.
struct DataDir {
  ScratchDir dir;
  bool ok = false;
  DataDir() {
    TGenOutput out;
    out.Root = dir.File("data");
    for (auto generate : {GenerateImages, GenerateModels, GenerateSounds, GenerateMusic}) generate(out);
    ok = !dir.Path().empty() && out.Ok;
  }
};

DataDir& Data() {
  static DataDir d;
  return d;
}

}  // namespace

bool EnterBenchData() {
  // The benchmarks run without a sound card, like the tests.
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("ALSOFT_DRIVERS", "null", 0);
  return Data().ok && chdir(Data().dir.Path().c_str()) == 0;
}
