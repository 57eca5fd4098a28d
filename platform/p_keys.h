// Platform-internal, shared by the backends: key names to Windows virtual keys, UTF-8 text to Windows-1252.
#pragma once
#include <cstdint>
#include <string>

// The Windows virtual-key code of a key named as SDL names keys ("A", "Return", "Left Alt",
// "Keypad 1", "F10", ...), ignoring case; 0 when the key has none.
uint8_t VirtualKeyFromName(const char* name);
// Each code point of the UTF-8 text as a Windows-1252 byte; unmappable ones are dropped.
std::string Cp1252FromUtf8(const char* utf8);
