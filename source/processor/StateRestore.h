#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace quarmont
{
/** Unwraps a state block written by AudioProcessor::copyXmlToBinary (the magic number
    0x21324356, the text's length as a 32-bit little-endian number, the UTF-8 text, usually
    with a NUL after it) and reads its text with readStateXml, the only reader a state's text ever
    meets. The text ends at the length the block gives, at its end or at a NUL, whichever comes
    first. Returns an invalid tree when the block is not such a state. */
juce::ValueTree parseStateBlock (const void* data, int sizeInBytes);

/** Prepares a restored "Parameters" tree for AudioProcessorValueTreeState::replaceState.

    replaceState resets every parameter without a "PARAM" child to its default; a partial state
    (an older version, a hand-edited preset) must instead leave those parameters where they are.
    So each missing parameter gets a child holding its current value. A child whose value is not a
    finite number (damaged file, "nan", "inf") is given the parameter's default, so that such a
    value never reaches the audio path; everything else in the tree is kept as it is. */
juce::ValueTree completeRestoredState (const juce::ValueTree& restored, juce::AudioProcessorValueTreeState& apvts);
} // namespace quarmont
