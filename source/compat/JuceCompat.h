#pragma once

// The plug-in is written against JUCE 8 and still builds with JUCE 7.0.5 (Debian's package).
// The few JUCE 8 names it uses are supplied here for older JUCE versions; include this header
// instead of sprinkling version checks through the code.

#include <juce_graphics/juce_graphics.h>

#if JUCE_MAJOR_VERSION < 8

namespace juce
{
/** Minimal stand-in for JUCE 8's FontOptions: a height and a style, convertible to a Font. */
class FontOptions
{
public:
    FontOptions() = default;
    explicit FontOptions (float newHeight, int newStyleFlags = Font::plain)
        : height (newHeight), styleFlags (newStyleFlags) {}

    FontOptions withHeight (float newHeight) const { auto copy = *this; copy.height = newHeight; return copy; }
    FontOptions withStyle (int newStyleFlags) const { auto copy = *this; copy.styleFlags = newStyleFlags; return copy; }

    float getHeight() const noexcept { return height; }
    int getStyleFlags() const noexcept { return styleFlags; }

    operator Font() const { return Font (height, styleFlags); }

private:
    float height = 14.0f;
    int styleFlags = Font::plain;
};
} // namespace juce

#endif
