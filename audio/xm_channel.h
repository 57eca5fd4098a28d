// XM channel steps shared by the first and the later ticks of a row.
#pragma once
#include "audio/xm_play.h"

void VibratoStep(TXmChannel* ch);
void VibratoAdvance(TXmChannel* ch);
void TremoloStep(TXmChannel* ch);
void TremorStep(TXmChannel* ch);
void TonePortaStep(TXmChannel* ch);
void VolumeSlide(TXmChannel* ch);
void AutoVibrato(TXmChannel* ch, const TXmInstrument* inst);
