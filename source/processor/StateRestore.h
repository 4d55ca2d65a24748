#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace quarmont
{
/** Unwraps and parses a state block written by AudioProcessor::copyXmlToBinary.

    Our own states are a few kilobytes, two levels deep. A block whose text is larger than
    maxStateTextBytes, or whose elements nest deeper than maxStateNestingDepth, is refused before
    parsing: the XML parser recurses once per level and would run out of stack on a deeply
    nested document, and a huge one would stall the host's thread. Text that is not valid UTF-8
    is refused too: the parser reads past the end of a malformed sequence. So is a processing
    instruction ("<?...?>") inside the root element, on which the parser can loop forever; ours
    only ever carry the XML declaration in front of the root. Returns null when refused or
    unreadable. */
std::unique_ptr<juce::XmlElement> parseStateBlock (const void* data, int sizeInBytes);

constexpr int maxStateTextBytes = 4 * 1024 * 1024;
constexpr int maxStateNestingDepth = 16;

/** The deepest element nesting in an XML text, counted without parsing it (comments, CDATA,
    processing instructions and quoted attribute values are skipped). Stops counting once the
    depth passes the given limit. */
int xmlNestingDepth (const char* text, size_t length, int stopAbove);

/** True when a processing instruction ("<?") follows the first start tag. */
bool hasProcessingInstructionAfterRootTag (const char* text, size_t length);

/** Prepares a restored "Parameters" tree for AudioProcessorValueTreeState::replaceState.

    replaceState resets every parameter without a "PARAM" child to its default; a partial state
    (an older version, a hand-edited preset) must instead leave those parameters where they are.
    So each missing parameter gets a child holding its current value. A child whose value is not a
    finite number (damaged file, "nan", "inf") is given the parameter's default, so that such a
    value never reaches the audio path; everything else in the tree is kept as it is. */
juce::ValueTree completeRestoredState (const juce::ValueTree& restored, juce::AudioProcessorValueTreeState& apvts);
} // namespace quarmont
