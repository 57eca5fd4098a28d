// halvrost-data: dispatches to generate, check, render-xm and icon.
#include <cstdio>
#include <cstring>

#include "commands.h"

static int Usage() {
  std::fprintf(stderr,
               "usage: halvrost-data generate [--if-stale] DIR\n"
               "       halvrost-data check FILE...\n"
               "       halvrost-data render-xm IN.xm OUT.wav [--seconds N] [--timeline]\n"
               "       halvrost-data icon OUT.ico\n");
  return 2;
}

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const char* cmd = argv[1];
  if (std::strcmp(cmd, "generate") == 0) return CmdGenerate(argc - 2, argv + 2);
  if (std::strcmp(cmd, "check") == 0) return CmdCheck(argc - 2, argv + 2);
  if (std::strcmp(cmd, "render-xm") == 0) return CmdRenderXm(argc - 2, argv + 2);
  if (std::strcmp(cmd, "icon") == 0) return CmdIcon(argc - 2, argv + 2);
  return Usage();
}
