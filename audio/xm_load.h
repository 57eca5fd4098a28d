// XM module loader: fills a zeroed song from an open stream.
#pragma once

struct TXmSong;

// Reads the module through the registered file callbacks; false when it is refused
// (the caller frees whatever was allocated).
bool LoadXm(TXmSong* song, void* stream);

// Why the last load failed, in a few words (empty after a success).
const char* XmLastLoadError();
void XmSetLoadError(const char* reason);
