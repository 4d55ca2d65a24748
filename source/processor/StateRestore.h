#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace quarmont
{
/** Prepares a restored "Parameters" tree for AudioProcessorValueTreeState::replaceState.

    replaceState resets every parameter without a "PARAM" child to its default; a partial state
    (an older version, a hand-edited preset) must instead leave those parameters where they are.
    So each missing parameter gets a child holding its current value. A child whose value is not a
    finite number (damaged file, "nan", "inf") is given the parameter's default, so that such a
    value never reaches the audio path; everything else in the tree is kept as it is. */
juce::ValueTree completeRestoredState (const juce::ValueTree& restored, juce::AudioProcessorValueTreeState& apvts);
} // namespace quarmont
