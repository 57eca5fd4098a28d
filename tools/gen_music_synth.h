// Synthesised instruments for the generated songs: drums, bass, lead, pad, bell and arpeggio voices.
#pragma once

#include "gen_xm_writer.h"

// Every sample is made at 33452 Hz and tuned with relative note +24, so C-4 plays it at its
// own rate; looped tones hold whole periods of 128 frames (C-4) so that their loops join.
TGenXmInstrument SynthKick();
TGenXmInstrument SynthSnare();
TGenXmInstrument SynthHat(bool open);
TGenXmInstrument SynthBass(bool bright);
TGenXmInstrument SynthLead();
TGenXmInstrument SynthPad(bool warm);
TGenXmInstrument SynthBell();
TGenXmInstrument SynthArp();
