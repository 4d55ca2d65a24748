#pragma once

#include <juce_graphics/juce_graphics.h>

namespace quarmont
{
/** The small red dot in the banner's bottom-right corner that tells a newer version exists.
    Nothing is drawn for an empty banner area. */
void drawUpdateBadge (juce::Graphics& g, juce::Rectangle<int> bannerBounds);
} // namespace quarmont
