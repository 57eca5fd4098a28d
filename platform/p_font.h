// Bitmap glyphs from the system's fonts (GDI, or FreeType and fontconfig) as GL display lists.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Builds 256 display lists starting at firstList, one per Windows-1252 byte; each
// draws its glyph with glBitmap and advances the raster position. Control bytes,
// 0x7F and undefined code points draw nothing. Face names are Windows ones
// ("Courier New", "Impact", "Fixedsys"); on Linux aliases pick suitable faces.
// Returns false when no face could be loaded (the lists then draw nothing).
bool PlatformBuildFontLists(const char* faceName, int height, int width, unsigned firstList);

// One glyph as the lists draw it: glBitmap's arguments.
struct TFontGlyph {
  bool Defined = false;  // false: the list is empty (no bitmap, no advance)
  int Width = 0;
  int Height = 0;
  int OriginX = 0;  // glBitmap xorig / yorig
  int OriginY = 0;
  int Advance = 0;
  std::vector<uint8_t> Bits;  // rows bottom-up, (Width + 7) / 8 bytes each, MSB leftmost
};

// The 256 glyphs of a face at a Windows-style size: height is the cell height
// (ascent + descent), width the average character width (0: keep the face's aspect).
// A bitmap face, like a Windows raster font, takes its nearest strike stretched by
// whole factors: "Fixedsys" 16 x 16 is the 8 x 16 strike with every column doubled.
bool PlatformRenderFontGlyphs(const char* faceName, int height, int width,
                              std::vector<TFontGlyph>& glyphs);

// Which installed face a Windows face name resolves to (for tests and diagnostics).
bool PlatformResolveFont(const char* faceName, std::string& family, std::string& file);

// Unicode code point of a Windows-1252 byte; 0 for bytes that draw nothing.
uint32_t PlatformCp1252ToUnicode(uint8_t byte);
