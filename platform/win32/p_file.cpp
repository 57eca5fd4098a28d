// Game paths over the Win32 file API: separators folded, files shared with every other reader and writer.
#include "platform/p_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstring>
#include <memory>

// The file system already ignores case; only the separators need folding.
std::string ResolveGamePath(const std::string& gamePath) {
  std::string result;
  for (char ch : gamePath) {
    bool separator = ch == '\\' || ch == '/';
    if (separator && !result.empty() && result.back() == '\\') continue;
    result += separator ? '\\' : ch;
  }
  return result;
}

static HANDLE OpenShared(const std::string& path, bool write, DWORD disposition) {
  // Readers deny nobody anything; a writer lets others read what is there.
  DWORD share = write ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  return CreateFileA(path.c_str(), write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, share, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

FILE* GameFileOpen(const std::string& gamePath, const char* mode) {
  std::string path = ResolveGamePath(gamePath);
  if (path.empty() || !mode || !*mode) return nullptr;
  bool write = mode[0] != 'r' || std::strchr(mode, '+');
  DWORD disposition = mode[0] == 'w' ? CREATE_ALWAYS : mode[0] == 'a' ? OPEN_ALWAYS : OPEN_EXISTING;
  // A directory does not open without backup semantics, so it is never taken for a file.
  HANDLE h = OpenShared(path, write, disposition);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  int flags = (std::strchr(mode, 'b') ? _O_BINARY : _O_TEXT) | (write ? 0 : _O_RDONLY) |
              (mode[0] == 'a' ? _O_APPEND : 0);
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  FILE* f = _fdopen(fd, mode);
  if (!f) _close(fd);  // closes the handle too
  return f;
}

bool GameFileExists(const std::string& gamePath) {
  std::string path = ResolveGamePath(gamePath);
  if (path.empty()) return false;
  HANDLE h = OpenShared(path, false, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool GameFileReadAll(const std::string& gamePath, std::vector<uint8_t>& out) {
  out.clear();
  std::string path = ResolveGamePath(gamePath);
  if (path.empty()) return false;
  HANDLE h = OpenShared(path, false, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return false;
  // Closed however the read ends, a buffer that cannot grow included.
  std::unique_ptr<void, decltype(&CloseHandle)> closer(h, CloseHandle);
  // Sized once from the file's length, so a large file takes its size and no more.
  LARGE_INTEGER size;
  if (GetFileSizeEx(h, &size) && size.QuadPart > 0) out.reserve(static_cast<size_t>(size.QuadPart));
  uint8_t buf[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h, buf, sizeof buf, &got, nullptr)) return false;
    if (got == 0) return true;
    out.insert(out.end(), buf, buf + got);
  }
}

bool GameFileFinish(FILE* f) {
  if (!f) return false;
  bool ok = std::fflush(f) == 0 && !std::ferror(f);
  HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
  if (ok && !FlushFileBuffers(h)) ok = false;
  return std::fclose(f) == 0 && ok;
}

bool GameFileReplace(const std::string& tmpPath, const std::string& path) {
  std::string from = ResolveGamePath(tmpPath);
  std::string to = ResolveGamePath(path);
  if (from.empty() || to.empty()) return false;
  // The player marked the old file read-only: it is kept, whatever the file system allows.
  DWORD attributes = GetFileAttributesA(to.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool GameFileRemove(const std::string& gamePath) {
  std::string path = ResolveGamePath(gamePath);
  return !path.empty() && DeleteFileA(path.c_str()) != 0;
}

static bool HasDataDir(const std::string& dir) {
  DWORD attributes = GetFileAttributesA((dir.empty() ? std::string("data") : dir + "\\data").c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static std::string FolderOf(const std::string& file) {
  size_t cut = file.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : file.substr(0, cut);
}

bool EnterProgramDirectory(const char* argv0, const char* buildDataDir) {
  if (HasDataDir("")) return true;
  std::vector<std::string> candidates;
  char exe[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  if (n > 0 && n < MAX_PATH) candidates.push_back(FolderOf(exe));
  if (argv0 && std::strpbrk(argv0, "\\/")) candidates.push_back(FolderOf(argv0));
  if (buildDataDir && *buildDataDir) candidates.push_back(buildDataDir);
  for (const std::string& c : candidates) {
    if (!c.empty() && HasDataDir(c) && SetCurrentDirectoryA(c.c_str())) return true;
  }
  // No data anywhere: run from the executable's folder so that "score.dat" lands beside it.
  if (!candidates.empty() && !candidates.front().empty()) SetCurrentDirectoryA(candidates.front().c_str());
  return false;
}
