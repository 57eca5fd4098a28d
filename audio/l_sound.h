// Positional sound effects: WAV samples, 32 channels, a 3D listener.
#pragma once
#include <cstdint>
#include <string>

#include "math/l_math.h"

extern bool NoSound;

bool InitSound();
void ShutdownSound();
int32_t LoadSample(const std::string& fileName);
bool FreeSample(int32_t id);
int32_t PlaySample(int32_t id, bool loop, TVector position);
bool StopChannel(int32_t& handle);
void StopSamples(int32_t id);
bool SetChannelPosition(int32_t handle, const TVector& position);
void SetListenerPosition(const TVector& position);
void SetListenerOrientation(const TVector& front, const TVector& top);
void UpdateSound();
