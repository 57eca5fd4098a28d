// Placeholder: XM rendering arrives with the music player.
#include <cstdio>

#include "commands.h"

int CmdRenderXm(int, char**) {
  std::fprintf(stderr, "halvrost-data: render-xm is not available yet\n");
  return 1;
}
