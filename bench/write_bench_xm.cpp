// write_bench_xm DIR: writes the benchmarks' built modules as busy.xm and shortloops.xm, for timing render-xm.
#include <cstdio>
#include <fstream>
#include <string>

#include "support/xm_modules.h"

static bool Write(const std::string& path, const XmModuleDef& def) {
  const std::vector<uint8_t> bytes = BuildXm(def);
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_bench_xm DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  if (!Write(dir + "/busy.xm", BusyModule()) || !Write(dir + "/shortloops.xm", ShortLoopsModule())) {
    std::fprintf(stderr, "write_bench_xm: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
