#include "editor/EditorLayout.h"

#include <cmath>

namespace quarmont
{
namespace
{
constexpr int headerHeight = 32;
constexpr int headerControlHeight = 28;
constexpr int controlPanelHeight = 250;
constexpr int knobHeight = 55;

juce::Rectangle<int> centredInHeader (juce::Rectangle<int> strip, juce::Rectangle<int> header)
{
    return { strip.getX(), header.getY() + (header.getHeight() - headerControlHeight) / 2, strip.getWidth(), headerControlHeight };
}

// Caption on top, dial below it, trimmed so the dial's halo and ticks stay inside the column.
void layOutDialSection (juce::Rectangle<int> section, juce::Rectangle<int>& label, juce::Rectangle<int>& dial)
{
    label = section.removeFromTop (18);
    dial = section.removeFromTop (66).reduced (6, 4);
}
} // namespace

juce::Rectangle<int> BandColumnLayout::knobUnion() const
{
    return gainKnob.getUnion (upperKneeKnob).getUnion (attackKnob).getUnion (lowerKneeKnob).getUnion (releaseKnob);
}

EditorLayout computeEditorLayout (juce::Rectangle<int> localBounds)
{
    EditorLayout layout;

    auto area = localBounds.reduced (6, 4);

    auto header = area.removeFromTop (headerHeight);
    area.removeFromTop (4);

    layout.afterButton = centredInHeader (header.removeFromRight (86), header);
    header.removeFromRight (8);
    layout.beforeButton = centredInHeader (header.removeFromRight (86), header);
    header.removeFromRight (10);
    layout.presetMenuButton = centredInHeader (header.removeFromRight (84), header);
    header.removeFromRight (8);
    layout.presetBox = centredInHeader (header.removeFromRight (260), header);

    layout.bannerBounds = { header.getX(), header.getY() + 2, header.getWidth(), juce::jmax (0, header.getHeight() - 4) };
    layout.headerLineY = area.getY() - 2;

    const auto bottom = area.removeFromBottom (controlPanelHeight);
    layout.spectrogram = area.getHeight() > 8 ? area.withTrimmedBottom (8) : area;

    auto panel = bottom.reduced (6);
    panel.removeFromTop (2);
    const auto panelTop = panel.getY();

    auto leftColumn = panel.removeFromLeft (110);
    panel.removeFromLeft (6);
    auto captionColumn = panel.removeFromLeft (56);
    panel.removeFromLeft (14);
    const auto knobArea = panel;

    layOutDialSection (leftColumn.removeFromTop (leftColumn.getHeight() / 2), layout.widthLabel, layout.widthDial);
    leftColumn.removeFromTop (6);
    layOutDialSection (leftColumn, layout.lookaheadLabel, layout.lookaheadDial);

    captionColumn.removeFromTop (18); // the band-button row
    captionColumn.removeFromTop (4);
    const auto rowsTop = captionColumn.getY();
    captionColumn.removeFromBottom (6);
    const auto rowH = juce::jmax (28, captionColumn.getHeight() / numKnobRows);
    const auto rowY = [rowsTop, rowH] (int row) { return rowsTop + row * rowH; };
    const auto captionRow = [&] (int row) { return juce::Rectangle<int> (captionColumn.getX(), rowY (row), captionColumn.getWidth(), rowH); };

    layout.gainLabel = captionRow (0);
    layout.upperKneeLabel = captionRow (1);
    layout.attackLabel = captionRow (2);
    layout.lowerKneeLabel = captionRow (3);
    layout.releaseLabel = captionRow (4);

    const auto colW = juce::jmax (72, (knobArea.getWidth() - 16) / numBands);
    const auto inner = juce::jmax (0, colW - 8);
    auto gap = juce::jmax (8, (int) std::roundf ((float) inner * 0.18f));
    auto knobW = (inner - gap) / 2;

    // Narrow windows: wider knobs packed closer together read better than tiny ones.
    if (knobW < 52)
    {
        knobW = juce::jmax (44, inner / 2);
        gap = juce::jmax (4, inner - 2 * knobW);
    }

    const auto stagger = juce::jmin (10, juce::jmax (0, (gap - 2) / 2));
    const auto vOff = (rowH - knobHeight) / 2;
    const auto knobWidth = juce::jmax (0, knobW - 4);

    for (int i = 0; i < numBands; ++i)
    {
        auto& band = layout.bands[(size_t) i];
        const auto x = knobArea.getX() + i * (colW + 4);
        const auto leftX = x + 6 + stagger;
        const auto rightX = x + 6 + knobW + gap - stagger;

        band.bandButton = { x + 4, panelTop - 6, juce::jmax (36, colW - 8), 18 };
        band.gainKnob = { leftX, rowY (0) + 3 + vOff, knobWidth, knobHeight };
        band.upperKneeKnob = { rightX, rowY (1) + vOff, knobWidth, knobHeight };
        band.attackKnob = { leftX, rowY (2) + vOff, knobWidth, knobHeight };
        band.lowerKneeKnob = { rightX, rowY (3) + vOff, knobWidth, knobHeight };
        band.releaseKnob = { leftX, rowY (4) - 3 + vOff, knobWidth, knobHeight };
    }

    layout.rowHeight = rowH;
    layout.columnWidth = colW;
    layout.knobWidth = knobW;
    layout.knobGap = gap;
    layout.stagger = stagger;
    layout.rowOffset = vOff;

    return layout;
}
} // namespace quarmont
