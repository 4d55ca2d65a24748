#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace quarmont
{
/** The bypass parameter of a band (index 0..4), looked up under the identifiers that earlier
    parameter sets used; empty when the tree has none of them. */
juce::String findBypassParameterId (juce::AudioProcessorValueTreeState& apvts, int bandIndex);

/** A band counts as bypassed only when its bypass parameter exists and reads at least 0.5. */
bool isBandBypassed (juce::AudioProcessorValueTreeState& apvts, int bandIndex);

/** A global lookahead parameter, looked up under the identifiers that earlier parameter sets
    used; empty when the tree has none of them. */
juce::String findLookaheadParameterId (juce::AudioProcessorValueTreeState& apvts);
} // namespace quarmont
