// The generated data set for the benchmarks, made once per run in a scratch directory.
#pragma once
#include "support/test_env.h"

// Generates the data set on first use and makes its directory the working one, as the
// game expects. False when it could not be written.
bool EnterBenchData();
