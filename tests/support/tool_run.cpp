// Locating and running the data tool for the tests that check its commands end to end.
#include "support/tool_run.h"

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

// From HALVROST_BINARY_DIR, else beside the test binary's own directory.
std::string DataTool() {
  std::string path;
  if (const char* dir = std::getenv("HALVROST_BINARY_DIR")) path = std::string(dir) + "/tools/halvrost-data";
  if (path.empty() || access(path.c_str(), X_OK) != 0) {
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    const std::string self(exe, size_t(n > 0 ? n : 0));
    path = self.substr(0, self.find_last_of('/')) + "/../tools/halvrost-data";
  }
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
