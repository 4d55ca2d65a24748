// Renders the header banner: a 5400 x 200 PNG with alpha holding the "Quarmont" wordmark at its
// left edge and the five band colours after it. The window draws it scaled to the header height,
// so the artwork is made large and left-aligned. Usage: quarmont-make-banner <output.png>

#include <juce_gui_basics/juce_gui_basics.h>

#include "compat/JuceCompat.h"

#include <array>
#include <iostream>

namespace
{
constexpr int bannerWidth = 5400;
constexpr int bannerHeight = 200;

juce::Image renderBanner()
{
    juce::Image image (juce::Image::ARGB, bannerWidth, bannerHeight, true);
    juce::Graphics g (image);

    const juce::Font font { juce::FontOptions (150.0f, juce::Font::bold) };
    const juce::String word ("Quarmont");

    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText (font, word, 0.0f, 0.0f);
    const auto textWidth = glyphs.getBoundingBox (0, -1, true).getWidth();
    const juce::Rectangle<float> textArea (8.0f, 0.0f, textWidth + 16.0f, (float) bannerHeight);

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xfff4f8ff), 0.0f, 20.0f,
                                             juce::Colour (0xffb9d9ff), 0.0f, (float) bannerHeight - 20.0f, false));
    g.setFont (font);
    g.drawText (word, textArea, juce::Justification::centredLeft, false);

    // The band colours, as five short bars after the wordmark.
    static constexpr std::array<juce::uint32, 5> bandColours { 0xff61b8ff, 0xff5fd67e, 0xffffc95a, 0xffff9550, 0xffdf79ff };
    auto x = textArea.getRight() + 40.0f;

    for (auto colour : bandColours)
    {
        g.setColour (juce::Colour (colour));
        g.fillRoundedRectangle (x, 86.0f, 64.0f, 28.0f, 10.0f);
        x += 80.0f;
    }

    return image;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: quarmont-make-banner <output.png>\n";
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    const juce::File output (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));
    output.deleteFile();

    juce::FileOutputStream stream (output);
    juce::PNGImageFormat png;

    if (! stream.openedOk() || ! png.writeImageToStream (renderBanner(), stream))
    {
        std::cerr << "could not write " << output.getFullPathName() << "\n";
        return 1;
    }

    return 0;
}
