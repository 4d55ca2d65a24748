#pragma once

#include "processor/PluginProcessor.h"

namespace quarmont::fuzzing
{
/** Sets up JUCE once for the whole fuzzing process. */
void initialiseJuceOnce();

/** After a restore, every parameter must hold a finite value inside its range, and the
    processor must turn finite input into finite output. Aborts (a finding) otherwise. */
void checkProcessorIsSound (QuarmontAudioProcessor& processor);
} // namespace quarmont::fuzzing
