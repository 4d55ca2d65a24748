#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace quarmont::hosting
{
/** A few seconds of test material with something for every band: a bass line, a swelling
    mid tone, hats of filtered noise and a slow sweep. Deterministic, peaks below -1 dBFS. */
juce::AudioBuffer<float> makeDemoSignal (double sampleRate, int numChannels, double seconds);
} // namespace quarmont::hosting
