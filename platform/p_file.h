// File access for game paths: Windows separators and case-insensitive names on every system.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Turns "data\\Textures\\Env.JPG" into a real path: runs of either separator become one of
// the system's, and where names are case-sensitive each component is matched
// case-insensitively against the directory's entries (an exact match wins). Components that
// do not exist are kept as written, so the result can also name a file about to be created.
std::string ResolveGamePath(const std::string& gamePath);

// fopen on the resolved path. Reading never locks the file for others.
FILE* GameFileOpen(const std::string& gamePath, const char* mode);
bool GameFileExists(const std::string& gamePath);
// The whole file; false when it cannot be opened or read. A file too large for memory
// throws std::bad_alloc (the file is closed first): the loader's guard turns that into failure.
bool GameFileReadAll(const std::string& gamePath, std::vector<uint8_t>& out);

// Flushes a file opened for writing to the disk and closes it; true only when every
// byte reached the file (a full disk shows up here at the latest).
bool GameFileFinish(FILE* f);
// Renames tmpPath over path in one step: readers see the old file or the new one.
// Refuses (false) when path is a read-only file.
bool GameFileReplace(const std::string& tmpPath, const std::string& path);
bool GameFileRemove(const std::string& gamePath);

// The game starts from its own directory: when "data" is not in the current
// directory, change to the executable's directory, then to the build's data
// directory, whichever holds "data". Returns false when none does.
bool EnterProgramDirectory(const char* argv0, const char* buildDataDir);
