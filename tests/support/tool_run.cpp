// Locating and running the data tool for the tests that check its commands end to end.
#include "support/tool_run.h"

#include <sys/wait.h>
#include <unistd.h>

// HALVROST_BINARY_DIR defaults to this build tree (test_env.cpp).
std::string DataTool() {
  const char* dir = std::getenv("HALVROST_BINARY_DIR");
  const std::string path = std::string(dir ? dir : ".") + "/tools/halvrost-data";
  return access(path.c_str(), X_OK) == 0 ? path : "";
}

int RunTool(const std::string& command, std::string& out) {
  out.clear();
  FILE* p = popen(command.c_str(), "r");
  if (!p) return -1;
  char buf[512];
  while (fgets(buf, sizeof buf, p)) out += buf;
  const int status = pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
