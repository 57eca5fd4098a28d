// Shared test fixtures: a headless GL window, scratch directories and small file writers.
#pragma once
#include <gtest/gtest.h>

// The standard headers the tests reach for, included once here for all of them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

// Creates the hidden offscreen window and GL context once per test binary.
// Returns false (and the test should GTEST_SKIP) when no GL is available at all.
bool EnsureTestGL(int width = 640, int height = 480);

// Sets an environment variable unless it is set already.
void SetDefaultEnv(const char* name, const char* value);
// A fresh empty directory in the temporary folder; removed at destruction.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Makes it the working directory until it is removed; the old one comes back first.
  void Enter();

 private:
  std::string path_, back_;
};

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

// Fixture for tests that draw: a GL context, cleared state, 640 x 480 viewport.
struct GLTest : ::testing::Test {
  void SetUp() override;
};
