// XM player file access: the five stream callbacks and the in-memory file stream.
#pragma once
#include <cstdint>

using TXmOpenProc = void* (*)(const char* fileName);
using TXmCloseProc = void (*)(void* stream);
using TXmReadProc = uint32_t (*)(void* buffer, uint32_t count, void* stream);
using TXmSeekProc = void (*)(void* stream, uint32_t offset, int mode);
using TXmTellProc = uint32_t (*)(void* stream);

struct TXmFileCallbacks {
  TXmOpenProc open;
  TXmCloseProc close;
  TXmReadProc read;
  TXmSeekProc seek;
  TXmTellProc tell;
};

extern TXmFileCallbacks XmFile;

// Stores the five operations; if any is missing all five are cleared.
void SetFileCallbacks(TXmOpenProc open, TXmCloseProc close, TXmReadProc read, TXmSeekProc seek,
                      TXmTellProc tell);
bool FileCallbacksSet();

struct TMemFile {
  uint32_t size;
  uint32_t position;
  uint8_t* data;
};

// A stream over a copy of the given bytes (the fuzz target and tests use it directly).
TMemFile* MemFileCreate(const uint8_t* bytes, uint32_t size);
// The whole game file read into memory; a file that cannot be read gives size 0.
void* MemFileOpen(const char* fileName);
void MemFileClose(void* stream);
uint32_t MemFileRead(void* buffer, uint32_t count, void* stream);
// Mode 0 from the start, 1 from the current position, 2 from the end; cut to the size.
void MemFileSeek(void* stream, uint32_t offset, int mode);
uint32_t MemFileTell(void* stream);

// Registers the memory-file operations above.
void UseMemFileCallbacks();
