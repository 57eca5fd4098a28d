// "generate": writes the whole default data set, or only when the tree is missing or older than the tool.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "commands.h"
#include "generators.h"

namespace fs = std::filesystem;

// The stamp lists every file of the last run, so a deleted file or a rebuilt tool (whose
// generators may have changed) makes the tree stale. Its text is fixed so that two runs
// give identical trees.
static const char kStampName[] = ".generated";

static bool TreeIsCurrent(const fs::path& root) {
  std::error_code ec;
  const fs::path stamp = root / kStampName;
  const auto stamp_time = fs::last_write_time(stamp, ec);
  if (ec) return false;
  const auto tool_time = fs::last_write_time("/proc/self/exe", ec);
  if (!ec && tool_time > stamp_time) return false;
  std::ifstream list(stamp);
  std::string rel;
  int files = 0;
  while (std::getline(list, rel)) {
    if (rel.empty()) continue;
    if (!fs::is_regular_file(root / rel, ec)) return false;
    ++files;
  }
  return files > 0;
}

static void WriteStamp(const fs::path& root, std::vector<std::string> files) {
  std::sort(files.begin(), files.end());
  std::ofstream stamp(root / kStampName, std::ios::trunc);
  for (const std::string& rel : files) stamp << rel << '\n';
}

int CmdGenerate(int argc, char** argv) {
  bool if_stale = false;
  const char* dir = nullptr;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--if-stale") == 0) {
      if_stale = true;
    } else if (std::strcmp(argv[i], "--contact-sheet") == 0 && i + 1 < argc) {
      if (!WriteContactSheet(argv[++i])) {
        std::fprintf(stderr, "halvrost-data: cannot write the contact sheet %s\n", argv[i]);
        return 1;
      }
      return 0;
    } else if (!dir && argv[i][0] != '-') {
      dir = argv[i];
    } else {
      dir = nullptr;
      break;
    }
  }
  if (!dir) {
    std::fprintf(stderr, "usage: halvrost-data generate [--if-stale] DIR | --contact-sheet FILE.png\n");
    return 2;
  }
  if (if_stale && TreeIsCurrent(dir)) return 0;

  const auto start = std::chrono::steady_clock::now();
  TGenOutput out;
  out.Root = dir;
  GenerateImages(out);
  GenerateModels(out);
  GenerateSounds(out);
  GenerateMusic(out);
  if (!out.Ok) return 1;
  WriteStamp(dir, out.Written);
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("halvrost-data: %d files, %.1f MB in %s (%.1f s)\n", static_cast<int>(out.Written.size()), out.Bytes / 1e6, dir, secs);
  return 0;
}
