// write_bench_xm DIR: writes the benchmarks' built modules as busy.xm and shortloops.xm, for timing render-xm.
#include <fstream>
#include <utility>

#include "support/xm_modules.h"

int main(int argc, char** argv) {
  if (argc != 2) return std::fprintf(stderr, "usage: write_bench_xm DIR\n"), 2;
  for (const auto& [name, module] : {std::pair{"busy.xm", &BusyModule}, {"shortloops.xm", &ShortLoopsModule}}) {
    const std::vector<uint8_t> bytes = BuildXm(module());
    std::ofstream f(std::string(argv[1]) + "/" + name, std::ios::binary);
    if (!f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
      return std::fprintf(stderr, "write_bench_xm: cannot write into %s\n", argv[1]), 1;
  }
  return 0;
}
