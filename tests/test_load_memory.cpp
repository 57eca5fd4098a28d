// Loads under an address-space limit: memory running out fails the load, the program runs on.
#include <dirent.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "models/l_model.h"
#include "models/l_model_v2.h"
#include "render/l_gl.h"
#include "render/l_jpeg.h"
#include "render/l_tga.h"
#include "support/game_env.h"
#include "world/l_map.h"

#ifndef __has_feature  // clang names AddressSanitizer this way, GCC by __SANITIZE_ADDRESS__
#define __has_feature(x) 0
#endif

namespace {

constexpr size_t kMiB = size_t(1) << 20;

int OpenFiles() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  while (d && readdir(d)) ++n;
  return d ? closedir(d), n : n;
}

// Runs load in a forked child, in dir, whose address space may grow by budget bytes at most.
// The child exits 0 when the load failed and left no file open, 1 when it loaded, 2 when it
// failed but left a file open; an uncaught std::bad_alloc aborts it (128 + SIGABRT = 134).
int LoadUnderLimit(const std::string& dir, size_t budget, const std::function<bool()>& load) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    alarm(60);  // a child that hangs is ended rather than waited for
    unsigned long pages = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (chdir(dir.c_str()) != 0 || !statm || std::fscanf(statm, "%lu", &pages) != 1) _exit(3);
    std::fclose(statm);
    rlim_t limit = pages * size_t(sysconf(_SC_PAGESIZE)) + budget;
    rlimit r{limit, limit};
    if (setrlimit(RLIMIT_AS, &r) != 0) _exit(4);
    int files = OpenFiles();
    // As in the game, an exception that escapes the load ends the process.
    bool ok = [&]() noexcept { return load(); }();
    _exit(ok ? 1 : OpenFiles() != files ? 2 : 0);
  }
  int status = 0;
  // A signal caught by the parent must not end the wait before the child does.
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A file of length bytes that starts with head and holds zeros after it; sparse, so a
// gigabyte costs no disk.
void WriteSparse(const std::string& path, const std::vector<uint8_t>& head, off_t length) {
  WriteBytes(path, head);
  ASSERT_EQ(truncate(path.c_str(), length), 0);
}

// No GL context here, on purpose: a forked child cannot draw with llvmpipe (its threads stay
// behind in the parent), and the context's threads leave memory arenas whose reserved space
// would hide allocations from the limit. The loads fail before they reach GL.
class LoadMemory : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
    GTEST_SKIP() << "an address-space limit cannot work beside AddressSanitizer";
#endif
  }
  ScratchDir dir_;
};

// Whole files of a gigabyte and a 12000 x 12000 picture, each under 256 MB more than the
// child has: every load returns false, closes its file, and the child exits normally.
TEST_F(LoadMemory, LoadsThatRunOutOfMemoryFailAndCloseTheirFiles) {
  const off_t kGiB = off_t(1) << 30;
  // A 16 x 16 JPEG whose frame header claims 12000 x 12000 pixels: the decoder asks for the
  // memory before it could find out that the data is short.
  std::vector<uint8_t> jpeg = MakeJpeg(16, 16, UniformRgb(16, 16, 90, 90, 90), 3, 100);
  for (size_t i = 0; i + 8 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {  // baseline frame: length, precision, h, w
      jpeg[i + 5] = jpeg[i + 7] = 12000 >> 8, jpeg[i + 6] = jpeg[i + 8] = 12000 & 0xFF;
      break;
    }
  std::filesystem::create_directories(dir_.File("data/maps"));
  WriteBytes(dir_.File("data/maps/huge_height.jpg"), jpeg);
  WriteSparse(dir_.File("huge1.zrm"), {'Z', 'R', 'M', '1', 1, 1}, kGiB);
  WriteSparse(dir_.File("huge2.zrm"), {'Z', 'R', 'M', '2', 1, 0, 0, 0}, kGiB);
  // 16384 x 16384 true-colour with alpha, all of its pixels there.
  WriteSparse(dir_.File("huge.tga"), {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0x40, 32, 0}, 18 + kGiB);
  const std::pair<const char*, std::function<bool()>> cases[] = {
      {"map with a 12000 x 12000 height image", [] { TMap map; return MapLoad(map, "huge"); }},
      {"JPEG of 12000 x 12000", [] { TImage img; return DecodeJpeg("data\\maps\\huge_height.jpg", img); }},
      {"TGA of 1 GB", [] { TImage img; return ReadTGA("huge.tga", img); }},
      {"ZRM1 of 1 GB", [] { TModel m; ModelInit(m); return ModelLoad(m, "huge1.zrm"); }},
      {"ZRM2 of 1 GB", [] { TModel_v2 m; ModelV2Init(m); return ModelV2Load(m, "huge2.zrm"); }},
      {"texture of 1 GB", [] { return LoadTexture("huge.tga", false) != 0 || !TextureTable.empty(); }}};
  for (const auto& [what, load] : cases) EXPECT_EQ(LoadUnderLimit(dir_.Path(), 256 * kMiB, load), 0) << what;
}

// 3073 x 3073 decodes into 28 MB and is resampled to 4096 x 4096, 50 MB: 40 MB hold the
// picture but not the resampled copy, which the texture manager makes after decoding.
TEST_F(LoadMemory, TextureWhoseResamplingRunsOutOfMemoryIsNotLoaded) {
  WriteBytes(dir_.File("big.jpg"), MakeJpeg(3073, 3073, UniformRgb(3073, 3073, 60, 120, 180), 3, 100));
  EXPECT_EQ(LoadUnderLimit(dir_.Path(), 40 * kMiB, [] { TImage img; return DecodeJpeg("big.jpg", img); }), 1);
  auto texture = [] { return LoadTexture("big.jpg", false) || !TextureTable.empty(); };
  EXPECT_EQ(LoadUnderLimit(dir_.Path(), 40 * kMiB, texture), 0);
}

}  // namespace
