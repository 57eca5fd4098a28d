// Headless GL fixture and scratch-file helpers used by the unit tests.
#include "support/test_env.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "app/l_app.h"
#include "platform/p_window.h"
#include "render/l_gl.h"

// putenv keeps the very string on some systems: it must live on.
void SetDefaultEnv(const char* name, const char* value) {
  if (!std::getenv(name)) putenv(strdup((std::string(name) + "=" + value).c_str()));
}

// Every test runs without a display or a sound card: SDL's offscreen video driver
// gives a real Mesa context, its dummy audio driver a real callback, OpenAL Soft's
// null backend a device. Values already set (by ./dev test, or by hand) win.
static const bool kEnvironmentDefaults = [] {
  SetDefaultEnv("SDL_VIDEODRIVER", "offscreen");
  SetDefaultEnv("SDL_AUDIODRIVER", "dummy");
  SetDefaultEnv("ALSOFT_DRIVERS", "null");
  SetDefaultEnv("HALVROST_BINARY_DIR", HALVROST_TEST_BINARY_DIR);
  return true;
}();

bool EnsureTestGL(int width, int height) {
  (void)kEnvironmentDefaults;
  static int state = 0;  // 0 untried, 1 ok, -1 failed
  if (state == 0) {
    // HALVROST_TEST_X11 runs the GL tests in a real X window (under Xvfb).
    if (!std::getenv("HALVROST_TEST_X11")) PlatformUseOffscreenVideo();
    ScreenWidth = width, ScreenHeight = height;
    // Mesa keeps what it allocates while making a context and never frees it
    // once its driver is unloaded; that is not ours to report.
#if defined(__SANITIZE_ADDRESS__)
    __lsan::ScopedDisabler mesaLeaks;
#endif
    state = (PlatformCreateWindow("Halvrost_Wnd", "Halvrost test", width, height, WndProc) && InitGL()) ? 1 : -1;
  }
  return state == 1;
}

void GLTest::SetUp() {
  if (!EnsureTestGL()) GTEST_SKIP() << "no OpenGL context available";
  glViewport(0, 0, ScreenWidth, ScreenHeight), glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// A name nobody else holds: create_directory fails on one that exists.
static std::string MakeUniqueDir(const std::string& prefix) {
  static std::mt19937_64 names(std::random_device{}() ^ std::chrono::steady_clock::now().time_since_epoch().count());
  std::error_code ec;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path p = std::filesystem::temp_directory_path() / (prefix + std::to_string(names()));
    if (std::filesystem::create_directory(p, ec)) return p.generic_string();
  }
  return "";
}

ScratchDir::ScratchDir() : path_(MakeUniqueDir("halvrost-test-")) {}

void ScratchDir::Enter() {
  if (back_.empty()) back_ = std::filesystem::current_path().string();
  std::filesystem::current_path(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  if (!back_.empty()) std::filesystem::current_path(back_, ec);
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}
