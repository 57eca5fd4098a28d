// Placeholder: the data generator is not written yet.
#include <cstdio>

#include "commands.h"

int CmdGenerate(int, char**) {
  std::fprintf(stderr, "halvrost-data: generate is not available yet\n");
  return 0;
}
