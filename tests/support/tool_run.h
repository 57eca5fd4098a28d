// Running the data tool from tests: where the build put it and what it printed.
#pragma once
#include "support/test_env.h"

// The halvrost-data binary of this build tree, or "" when it is not built.
std::string DataTool();
// Runs a shell command, collects its standard output; returns the exit status (-1 if killed).
int RunTool(const std::string& command, std::string& out);
