// Placeholder: file inspection is not written yet.
#include <cstdio>

#include "commands.h"

int CmdCheck(int, char**) {
  std::fprintf(stderr, "halvrost-data: check is not available yet\n");
  return 1;
}
