// XM player file access: callback registration and the in-memory file stream.
#include "audio/xm_file.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/p_file.h"

TXmFileCallbacks XmFile = {nullptr, nullptr, nullptr, nullptr, nullptr};

void SetFileCallbacks(TXmOpenProc open, TXmCloseProc close, TXmReadProc read, TXmSeekProc seek,
                      TXmTellProc tell) {
  if (!open || !close || !read || !seek || !tell) {
    XmFile = {nullptr, nullptr, nullptr, nullptr, nullptr};
    return;
  }
  XmFile = {open, close, read, seek, tell};
}

bool FileCallbacksSet() {
  return XmFile.open && XmFile.close && XmFile.read && XmFile.seek && XmFile.tell;
}

TMemFile* MemFileCreate(const uint8_t* bytes, uint32_t size) {
  TMemFile* f = new TMemFile{0, 0, nullptr};
  if (bytes && size > 0) {
    f->data = new uint8_t[size];
    std::memcpy(f->data, bytes, size);
    f->size = size;
  }
  return f;
}

void* MemFileOpen(const char* fileName) {
  TMemFile* f = new TMemFile{0, 0, nullptr};
  std::FILE* file = fileName ? GameFileOpen(fileName, "rb") : nullptr;
  if (!file) return f;
  // The whole file in one read, straight into the stream's own memory.
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  if (size > 0 && static_cast<unsigned long>(size) <= 0xFFFFFFFFu && std::fseek(file, 0, SEEK_SET) == 0) {
    // A file too large to hold reads as empty, like one that cannot be opened.
    f->data = new (std::nothrow) uint8_t[static_cast<size_t>(size)];
    if (f->data) f->size = static_cast<uint32_t>(std::fread(f->data, 1, static_cast<size_t>(size), file));
    if (std::ferror(file)) f->size = 0;
  }
  std::fclose(file);
  return f;
}

void MemFileClose(void* stream) {
  TMemFile* f = static_cast<TMemFile*>(stream);
  if (!f) return;
  delete[] f->data;
  delete f;
}

uint32_t MemFileRead(void* buffer, uint32_t count, void* stream) {
  TMemFile* f = static_cast<TMemFile*>(stream);
  if (!f || !buffer || f->position >= f->size) return 0;
  uint32_t left = f->size - f->position;
  if (count > left) count = left;
  std::memcpy(buffer, f->data + f->position, count);
  f->position += count;
  return count;
}

void MemFileSeek(void* stream, uint32_t offset, int mode) {
  TMemFile* f = static_cast<TMemFile*>(stream);
  if (!f) return;
  // Unsigned 32-bit arithmetic as the stream defines it: offsets wrap, then cut to the size.
  if (mode == 0) f->position = offset;
  else if (mode == 1) f->position = f->position + offset;
  else if (mode == 2) f->position = f->size + offset;
  if (f->position > f->size) f->position = f->size;
}

uint32_t MemFileTell(void* stream) {
  TMemFile* f = static_cast<TMemFile*>(stream);
  return f ? f->position : 0;
}

void UseMemFileCallbacks() {
  SetFileCallbacks(MemFileOpen, MemFileClose, MemFileRead, MemFileSeek, MemFileTell);
}
