// Bitmap glyphs from system fonts (FreeType + fontconfig) compiled into GL display lists.
#pragma once

// Builds 256 display lists starting at firstList, one per Windows-1252 byte; each
// draws its glyph with glBitmap and advances the raster position. Control bytes,
// 0x7F and undefined code points draw nothing. Face names are Windows ones
// ("Courier New", "Impact", "Fixedsys"); aliases pick suitable Linux faces.
// Returns false when no face could be loaded (the lists then draw nothing).
bool PlatformBuildFontLists(const char* faceName, int height, int width, unsigned firstList);
