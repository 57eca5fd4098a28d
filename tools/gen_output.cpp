// Writing the generated files: folders made on demand, failures counted rather than fatal.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "generators.h"

bool WriteDataFile(TGenOutput& out, const std::string& rel, const std::vector<uint8_t>& bytes) {
  namespace fs = std::filesystem;
  const fs::path path = fs::path(out.Root) / rel;
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (file) file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (file) file.close();
  if (!file) {
    std::fprintf(stderr, "halvrost-data: cannot write %s\n", path.string().c_str());
    out.Ok = false;
    return false;
  }
  out.Written.push_back(rel);
  out.Bytes += static_cast<long long>(bytes.size());
  return true;
}
