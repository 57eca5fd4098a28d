// Game paths on a case-sensitive file system: separator folding and per-component case matching.
#include "platform/p_file.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <memory>

// Splits on both separators; empty components (runs of separators) vanish.
static std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string cur;
  for (char ch : path) {
    if (ch == '\\' || ch == '/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += ch;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

// The entry of dir whose name equals component ignoring case; exact match preferred.
static std::string MatchComponent(const std::string& dir, const std::string& component) {
  std::string probe = dir.empty() ? component : dir + "/" + component;
  struct stat st;
  if (lstat(probe.c_str(), &st) == 0) return component;
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return component;
  std::string found = component;
  while (struct dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, component.c_str()) == 0) {
      found = e->d_name;
      break;
    }
  }
  closedir(d);
  return found;
}

std::string ResolveGamePath(const std::string& gamePath) {
  if (gamePath.empty()) return gamePath;
  bool absolute = gamePath[0] == '/' || gamePath[0] == '\\';
  std::string result = absolute ? "/" : "";
  std::string dir = absolute ? "/" : "";
  for (const std::string& part : SplitPath(gamePath)) {
    std::string name = (part == "." || part == "..") ? part : MatchComponent(dir, part);
    if (!result.empty() && result.back() != '/') result += '/';
    result += name;
    dir = result;
  }
  return result;
}

FILE* GameFileOpen(const std::string& gamePath, const char* mode) {
  std::string path = ResolveGamePath(gamePath);
  if (path.empty()) return nullptr;
  struct stat st;
  // Directories open fine with fopen on Linux; a game file is never one.
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
  return std::fopen(path.c_str(), mode);
}

bool GameFileExists(const std::string& gamePath) {
  FILE* f = GameFileOpen(gamePath, "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

bool GameFileReadAll(const std::string& gamePath, std::vector<uint8_t>& out) {
  out.clear();
  FILE* f = GameFileOpen(gamePath, "rb");
  if (!f) return false;
  // Closed however the read ends, a buffer that cannot grow included.
  auto close = [](FILE* file) { std::fclose(file); };
  std::unique_ptr<FILE, decltype(close)> closer(f, close);
  // Sized once from the file's length, so a large file takes its size and no more.
  struct stat st;
  if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) out.reserve(size_t(st.st_size));
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  return !std::ferror(f);
}

bool GameFileFinish(FILE* f) {
  if (!f) return false;
  bool ok = std::fflush(f) == 0 && !std::ferror(f);
  if (ok && fsync(fileno(f)) != 0) ok = false;
  return std::fclose(f) == 0 && ok;
}

bool GameFileReplace(const std::string& tmpPath, const std::string& path) {
  std::string from = ResolveGamePath(tmpPath);
  std::string to = ResolveGamePath(path);
  if (from.empty() || to.empty()) return false;
  // A rename would slip past a file the player marked read-only: writing over it in
  // place would have failed, so it is kept (root included).
  struct stat st;
  if (stat(to.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) return false;
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool GameFileRemove(const std::string& gamePath) {
  std::string path = ResolveGamePath(gamePath);
  return !path.empty() && std::remove(path.c_str()) == 0;
}

static bool HasDataDir(const std::string& dir) {
  struct stat st;
  std::string probe = ResolveGamePath(dir.empty() ? "data" : dir + "/data");
  return stat(probe.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool EnterProgramDirectory(const char* argv0, const char* buildDataDir) {
  if (HasDataDir("")) return true;
  std::vector<std::string> candidates;
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    exe[n] = 0;
    std::string p = exe;
    candidates.push_back(p.substr(0, p.find_last_of('/')));
  }
  if (argv0 && std::strchr(argv0, '/')) {
    std::string p = argv0;
    candidates.push_back(p.substr(0, p.find_last_of('/')));
  }
  if (buildDataDir && *buildDataDir) candidates.push_back(buildDataDir);
  for (const std::string& c : candidates) {
    if (!c.empty() && HasDataDir(c) && chdir(c.c_str()) == 0) return true;
  }
  // No data anywhere: still run from the executable's directory so that
  // "score.dat" lands beside the program rather than in a random place.
  if (!candidates.empty() && chdir(candidates.front().c_str()) == 0) return false;
  return false;
}
