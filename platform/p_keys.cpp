// Key names and the character set, one table for both backends' translations and test hooks.
#include "platform/p_keys.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/p_font.h"

static int ByteFromCodePoint(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int b = 0x80; b < 0xA0; ++b)
    if (PlatformCp1252ToUnicode(static_cast<uint8_t>(b)) == cp) return b;
  return -1;
}

std::string Cp1252FromUtf8(const char* utf8) {
  std::string out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p) {
    uint32_t cp;
    int extra;
    if (*p < 0x80) {
      cp = *p;
      extra = 0;
    } else if ((*p & 0xE0) == 0xC0) {
      cp = *p & 0x1F;
      extra = 1;
    } else if ((*p & 0xF0) == 0xE0) {
      cp = *p & 0x0F;
      extra = 2;
    } else if ((*p & 0xF8) == 0xF0) {
      cp = *p & 0x07;
      extra = 3;
    } else {
      ++p;
      continue;
    }
    ++p;
    bool ok = true;
    for (int i = 0; i < extra; ++i) {
      if ((*p & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (*p & 0x3F);
      ++p;
    }
    if (!ok) continue;
    int b = ByteFromCodePoint(cp);
    if (b >= 0) out += static_cast<char>(b);
  }
  return out;
}

static bool SameName(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

uint8_t VirtualKeyFromName(const char* name) {
  if (!name || !*name) return 0;
  // Letters and digits are their own codes; punctuation keys have codes of their own.
  if (!name[1]) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ') return static_cast<uint8_t>(c);
    static const char kPunctuation[] = ";=,-./`[\\]'";
    static const uint8_t kPunctuationKeys[] = {186, 187, 188, 189, 190, 191, 192, 219, 220, 221, 222};
    const char* at = std::strchr(kPunctuation, c);
    return at ? kPunctuationKeys[at - kPunctuation] : 0;
  }
  if ((name[0] == 'F' || name[0] == 'f') && std::isdigit(static_cast<unsigned char>(name[1]))) {
    int n = std::atoi(name + 1);
    return n >= 1 && n <= 24 ? static_cast<uint8_t>(111 + n) : 0;
  }
  if (std::strncmp(name, "Keypad ", 7) == 0 && std::isdigit(static_cast<unsigned char>(name[7])) && !name[8])
    return static_cast<uint8_t>(96 + (name[7] - '0'));
  static const struct {
    const char* name;
    uint8_t key;
  } kNamed[] = {{"Backspace", 8},    {"Tab", 9},           {"Return", 13},       {"Keypad Enter", 13},
                {"Left Shift", 16},  {"Right Shift", 16},  {"Left Ctrl", 17},    {"Right Ctrl", 17},
                {"Left Alt", 18},    {"Right Alt", 18},    {"Pause", 19},        {"CapsLock", 20},
                {"Escape", 27},      {"Space", 32},        {"PageUp", 33},       {"PageDown", 34},
                {"End", 35},         {"Home", 36},         {"Left", 37},         {"Up", 38},
                {"Right", 39},       {"Down", 40},         {"PrintScreen", 44},  {"Insert", 45},
                {"Delete", 46},      {"Left GUI", 91},     {"Right GUI", 92},    {"Application", 93},
                {"Keypad *", 106},   {"Keypad +", 107},    {"Keypad -", 109},    {"Keypad .", 110},
                {"Keypad /", 111},   {"Numlock", 144},     {"ScrollLock", 145}};
  for (const auto& k : kNamed)
    if (SameName(name, k.name)) return k.key;
  return 0;
}
