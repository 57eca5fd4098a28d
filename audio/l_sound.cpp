// Placeholder until the sound device lands: every call fails quietly, the game runs silent.
#include "audio/l_sound.h"

bool NoSound = false;

bool InitSound() { return false; }
void ShutdownSound() {}
int32_t LoadSample(const std::string&) { return -1; }
bool FreeSample(int32_t) { return false; }
int32_t PlaySample(int32_t, bool, TVector) { return -1; }
bool StopChannel(int32_t&) { return false; }
void StopSamples(int32_t) {}
bool SetChannelPosition(int32_t, const TVector&) { return false; }
void SetListenerPosition(const TVector&) {}
void SetListenerOrientation(const TVector&, const TVector&) {}
void UpdateSound() {}
