#pragma once

// The plug-in is written against JUCE 8 and still builds with JUCE 7.0.5 (Debian's package).
// The few JUCE 8 names it uses are supplied here for older JUCE versions, and the few calls whose
// form differs between the two are made here; include this header instead of sprinkling version
// checks through the code.

#include <memory>

#include <juce_audio_formats/juce_audio_formats.h>
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

namespace quarmont::compat
{
/** A writer of integer samples in the given format onto the stream. When the writer is made, it
    owns the stream and the pointer is left empty; when it cannot be made (nullptr), the stream
    stays with the caller. JUCE 8 takes the settings as AudioFormatWriterOptions and deprecates the
    older call, which is all JUCE 7 has. */
inline std::unique_ptr<juce::AudioFormatWriter> createWriterFor (juce::AudioFormat& format,
                                                                 std::unique_ptr<juce::OutputStream>& stream,
                                                                 double sampleRate, int numChannels, int bitsPerSample)
{
#if JUCE_MAJOR_VERSION >= 8
    return format.createWriterFor (stream, juce::AudioFormatWriterOptions{}
                                               .withSampleRate (sampleRate)
                                               .withNumChannels (numChannels)
                                               .withBitsPerSample (bitsPerSample));
#else
    std::unique_ptr<juce::AudioFormatWriter> writer (
        format.createWriterFor (stream.get(), sampleRate, (unsigned int) numChannels, bitsPerSample, {}, 0));

    if (writer != nullptr)
        stream.release(); // the writer owns it now

    return writer;
#endif
}
} // namespace quarmont::compat
