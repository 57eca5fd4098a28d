// Translation of SDL key codes and UTF-8 text into Windows virtual keys and Windows-1252 bytes.
#pragma once
#include <cstdint>
#include <string>

// Windows virtual-key code for an SDL key code; 0 when the key has none.
uint8_t VirtualKeyFromSDLKey(int32_t sdlKey);
// Each code point of the UTF-8 text as a Windows-1252 byte; unmappable ones are dropped.
std::string Cp1252FromUtf8(const char* utf8);
