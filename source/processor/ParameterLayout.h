#pragma once

#include <array>

#include <juce_audio_processors/juce_audio_processors.h>

#include "engine/BandSettings.h"

namespace quarmont
{
/** Parameter keys in layout order (the index is the BandParameter value). */
extern const std::array<const char*, numBandParameters> bandParameterKeys;

/** "band" + number + "_" + key, for band numbers 1..5. */
juce::String bandParameterId (int bandNumber, BandParameter parameter);

/** The 55 band parameters, band 1's eleven first. */
juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

/** Looks up the raw value pointer of every band parameter; missing ones stay null. */
BandParameterCache cacheParameterPointers (juce::AudioProcessorValueTreeState& apvts);
} // namespace quarmont
