// The default data set's generators: each writes its share of the data tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where generated files go and how the run went. Paths are relative to the data directory
// and use '/' ("maps/map1.jpg"); the game's file layer finds them under any case.
struct TGenOutput {
  std::string Root;      // the data directory itself (".../data")
  bool Ok = true;        // false once any file could not be written
  std::vector<std::string> Written;  // relative paths, in the order written
  long long Bytes = 0;
};

// Writes one file (creating its folders); a failure clears Ok and names the file on stderr.
bool WriteDataFile(TGenOutput& out, const std::string& rel, const std::vector<uint8_t>& bytes);

void GenerateImages(TGenOutput& out);  // maps, textures, sky box, menu band
void GenerateModels(TGenOutput& out);  // spider, gun, turret
void GenerateSounds(TGenOutput& out);  // gun, footsteps, ricochet, spider, turret
void GenerateMusic(TGenOutput& out);   // menu and game songs

// Every texture and the sky box laid out on one PNG, for looking at the set.
bool WriteContactSheet(const std::string& png_path);
