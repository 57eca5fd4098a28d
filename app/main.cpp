// Program entry: everything else lives in the core library so tests can drive it.
#include "app/l_app.h"

int main(int argc, char** argv) { return HalvrostMain(argc, argv); }
