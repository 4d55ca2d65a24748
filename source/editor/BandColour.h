#pragma once

#include <juce_graphics/juce_graphics.h>

namespace quarmont
{
/** Each band's fixed colour (band index 0..4; other indices are clamped into that range).
    The band panels, band buttons and spectrogram stripes all use it, so a band is recognisable
    everywhere by the same hue. */
juce::Colour bandColour (int bandIndex) noexcept;
} // namespace quarmont
