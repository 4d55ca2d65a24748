// The spectrogram's pure geometry: its three regions, the frequency and level mappings, the colour
// map, the waterfall's row-to-bin and zoom choices, the value tags and what a press grabs.

#include <gtest/gtest.h>

#include <cmath>

#include "editor/SpectrogramGeometry.h"

namespace
{
using namespace quarmont;

const auto areas = computeSpectrogramAreas ({ 0, 0, 1000, 400 });
constexpr float cx = 917.0f; // middle of the level scale of a 1000 x 400 display

TEST (SpectrogramGeometry, RegionsOfA1000By400Display)
{
    EXPECT_EQ (areas.plot, juce::Rectangle<int> (10, 22, 870, 368));
    EXPECT_EQ (areas.levelScale, juce::Rectangle<int> (902, 22, 30, 368));
    EXPECT_EQ (areas.levelRange, juce::Rectangle<int> (944, 22, 42, 368));
}

TEST (SpectrogramGeometry, NarrowOrLowDisplaysHaveNoPlot)
{
    EXPECT_TRUE (computeSpectrogramAreas ({ 0, 0, 130, 400 }).plot.isEmpty());
    EXPECT_TRUE (computeSpectrogramAreas ({ 0, 0, 1000, 32 }).plot.isEmpty());
    EXPECT_FALSE (computeSpectrogramAreas ({ 0, 0, 131, 33 }).plot.isEmpty());
}

TEST (SpectrogramGeometry, FrequencyAndLevelMappingsAndTheirInverses)
{
    const auto& plot = areas.plot;
    EXPECT_FLOAT_EQ (frequencyToY (plot, 20.0f), 390.0f);
    EXPECT_FLOAT_EQ (frequencyToY (plot, 20000.0f), 22.0f);
    EXPECT_FLOAT_EQ (frequencyToY (plot, 5.0f), 390.0f);      // clamped
    EXPECT_FLOAT_EQ (frequencyToY (plot, 96000.0f), 22.0f);
    EXPECT_NEAR (frequencyToY (plot, 632.456f), 206.0f, 1.0e-3f); // the geometric middle

    for (const auto hz : { 20.0f, 120.0f, 1000.0f, 7000.0f, 20000.0f })
        EXPECT_NEAR (yToFrequency (plot, frequencyToY (plot, hz)), hz, hz * 1.0e-4f);

    EXPECT_FLOAT_EQ (yToFrequency (plot, -50.0f), 20000.0f);
    EXPECT_FLOAT_EQ (yToFrequency (plot, 900.0f), 20.0f);

    const auto& span = areas.levelScale;
    EXPECT_FLOAT_EQ (levelToY (span, -80.0f), 390.0f);
    EXPECT_FLOAT_EQ (levelToY (span, 0.0f), 22.0f);
    EXPECT_FLOAT_EQ (levelToY (span, -40.0f), 206.0f);
    EXPECT_FLOAT_EQ (levelToY (span, 12.0f), 22.0f);

    // The minimum stays out of the top 4 px and the maximum out of the bottom 4 px.
    struct Case { float y; DragTarget target; float expected; };
    const Case cases[] { { 206.0f, dragLevelMin, -40.0f }, { 206.0f, dragLevelMax, -40.0f },
                         { -100.0f, dragLevelMin, -80.0f * 4.0f / 368.0f }, { -100.0f, dragLevelMax, 0.0f },
                         { 900.0f, dragLevelMin, -80.0f }, { 900.0f, dragLevelMax, -80.0f + 80.0f * 4.0f / 368.0f },
                         { 388.0f, dragLevelMax, -80.0f + 80.0f * 4.0f / 368.0f }, { 24.0f, dragLevelMin, -80.0f * 4.0f / 368.0f } };

    for (const auto& c : cases)
        EXPECT_NEAR (yToLevel (span, c.y, c.target), c.expected, 1.0e-4f) << "y " << c.y << ", target " << c.target;
}

TEST (SpectrogramGeometry, ColourMapStops)
{
    EXPECT_EQ (spectrumColour (0.0f).getARGB(), 0xff0b1220u);
    EXPECT_EQ (spectrumColour (1.0f).getARGB(), 0xfff34e37u);
    EXPECT_EQ (spectrumColour (-3.0f).getARGB(), 0xff0b1220u);
    EXPECT_EQ (spectrumColour (7.0f).getARGB(), 0xfff34e37u);
    EXPECT_EQ (spectrumColour (0.62f).getARGB(), 0xff58c96bu);

    // Half way between the second and third stops (to the last bit of the float arithmetic).
    const auto halfway = spectrumColour (0.29f);
    const auto expected = juce::Colour (0xff173f9d).interpolatedWith (juce::Colour (0xff00a7cc), 0.5f);
    EXPECT_EQ (halfway.getAlpha(), 255);
    EXPECT_NEAR (halfway.getRed(), expected.getRed(), 1);
    EXPECT_NEAR (halfway.getGreen(), expected.getGreen(), 1);
    EXPECT_NEAR (halfway.getBlue(), expected.getBlue(), 1);
}

TEST (SpectrogramGeometry, RowsTakeTheNearestBin)
{
    struct Case { int row; double sampleRate; int bin; };
    const Case cases[] { { 367, 48000.0, 1 }, { 0, 48000.0, 853 }, { 0, 44100.0, 929 }, { 367, 44100.0, 1 },
                         { 0, 0.0, 1023 }, { 367, 0.5, 1023 }, { 0, 8000.0, 1023 } };

    for (const auto& c : cases)
        EXPECT_EQ (spectrumBinForRow (c.row, 368, c.sampleRate), c.bin) << "row " << c.row << " at " << c.sampleRate;

    // A one-row image shows 20 kHz.
    EXPECT_EQ (spectrumBinForRow (0, 1, 48000.0), 853);
}

TEST (SpectrogramGeometry, ZoomShowsTheNewestColumns)
{
    EXPECT_EQ (newestColumns (600, 300, 4.0f), juce::Rectangle<int> (450, 0, 150, 300));
    EXPECT_EQ (newestColumns (600, 300, 20.0f), juce::Rectangle<int> (570, 0, 30, 300));
    EXPECT_EQ (newestColumns (998, 426, 4.0f), juce::Rectangle<int> (748, 0, 250, 426)); // 249.5 rounds up
    EXPECT_EQ (newestColumns (10, 5, 20.0f), juce::Rectangle<int> (9, 0, 1, 5));
    EXPECT_EQ (newestColumns (600, 300, 0.5f), juce::Rectangle<int> (0, 0, 600, 300));
}

TEST (SpectrogramGeometry, BandRecordsSortTheirRanges)
{
    const auto swapped = makeBandMapRecord (areas, 2500.0f, 600.0f, -12.0f, -40.0f);
    const auto ordered = makeBandMapRecord (areas, 600.0f, 2500.0f, -40.0f, -12.0f);

    for (const auto* r : { &swapped, &ordered })
    {
        EXPECT_FLOAT_EQ (r->lowFreq, 600.0f);
        EXPECT_FLOAT_EQ (r->highFreq, 2500.0f);
        EXPECT_FLOAT_EQ (r->lowLevel, -40.0f);
        EXPECT_FLOAT_EQ (r->highLevel, -12.0f);
        EXPECT_FLOAT_EQ (r->yLowFreq, frequencyToY (areas.plot, 600.0f));
        EXPECT_FLOAT_EQ (r->yHighLevel, levelToY (areas.levelScale, -12.0f));
    }

    // A missing parameter reads 0: drawn at 20 Hz and at 0 dB.
    const auto missing = makeBandMapRecord (areas, 0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ (missing.yLowFreq, 390.0f);
    EXPECT_FLOAT_EQ (missing.yHighLevel, 22.0f);
}

TEST (SpectrogramGeometry, FrequencyLabelsStayInsideThePlotAndApart)
{
    struct Case { const char* what; float yLow, yHigh; int upper, lower; };
    const Case cases[] {
        { "band in the middle", 300.0f, 200.0f, 184, 302 },
        { "band at the top", 100.0f, 22.0f, 24, 102 },
        { "band at the bottom", 390.0f, 380.0f, 362, 374 },
        { "narrow band", 210.0f, 205.0f, 189, 212 },
        { "zero-width band", 206.0f, 206.0f, 190, 208 },
    };

    for (const auto& c : cases)
    {
        const auto rows = frequencyLabelRows (areas.plot, c.yLow, c.yHigh);
        EXPECT_EQ (rows.upperTop, c.upper) << c.what;
        EXPECT_EQ (rows.lowerTop, c.lower) << c.what;
    }
}

TEST (SpectrogramGeometry, LevelTagsKeepApartAndInsideTheColumn)
{
    struct Case { const char* what; float levelMin, levelMax; int lowTop, highTop; };
    const Case cases[] {
        { "full window", -80.0f, 0.0f, 377, 23 },
        { "-20 / -19: pushed 12 apart, low below high", -20.0f, -19.0f, 115, 103 },
        { "-80 / -79: both at the bottom limit", -80.0f, -79.0f, 377, 377 },
        { "reversed values are sorted", 0.0f, -80.0f, 377, 23 },
    };

    for (const auto& c : cases)
    {
        const auto tags = levelTagBounds (areas, c.levelMin, c.levelMax);
        EXPECT_EQ (tags.lowTag, juce::Rectangle<int> (946, c.lowTop, 38, 12)) << c.what;
        EXPECT_EQ (tags.highTag, juce::Rectangle<int> (946, c.highTop, 38, 12)) << c.what;
    }
}

TEST (SpectrogramGeometry, WhatAPressGrabs)
{
    const auto y120 = frequencyToY (areas.plot, 120.0f);
    const auto y600 = frequencyToY (areas.plot, 600.0f);
    const SelectedBandValues band1 { 20.0f, 120.0f, -80.0f, 0.0f };
    const SelectedBandValues closeLevels { 20.0f, 120.0f, -80.0f, -79.0f };
    const SelectedBandValues farLevels { 20.0f, 120.0f, -48.7f, -40.0f }; // lines 40 px apart
    const auto yMax40 = levelToY (areas.levelScale, -40.0f);
    const auto closeMid = (levelToY (areas.levelScale, -80.0f) + levelToY (areas.levelScale, -79.0f)) * 0.5f;

    struct Case { const char* what; SelectedBandValues band; juce::Point<float> at; DragTarget expected; };
    const Case cases[] {
        { "5 px below the upper edge", band1, { 400.0f, y120 + 5.0f }, dragFreqHigh },
        { "12 px above the upper edge", band1, { 400.0f, y120 - 12.0f }, dragFreqHigh },
        { "12.5 px above the upper edge", band1, { 400.0f, y120 - 12.5f }, dragNone },
        { "on another band's edge only", band1, { 400.0f, y600 }, dragNone },
        { "on the lower edge at the plot's bottom", band1, { 400.0f, 389.5f }, dragFreqLow },
        { "edge line, but left of the plot", band1, { 9.5f, y120 }, dragNone },
        { "both edges on one line: the upper wins", { 500.0f, 500.0f, -80.0f, 0.0f }, { 400.0f, frequencyToY (areas.plot, 500.0f) }, dragFreqHigh },
        { "missing edges count as 20 Hz", { 0.0f, 0.0f, -80.0f, 0.0f }, { 400.0f, 385.0f }, dragFreqHigh },
        { "low tag", band1, { 965.0f, 383.0f }, dragLevelMin },
        { "high tag grown by 4 px", band1, { 943.0f, 26.0f }, dragLevelMax },
        { "level scale at the maximum", band1, { cx, 25.0f }, dragLevelMax },
        { "level scale at the minimum", band1, { cx, 388.0f }, dragLevelMin },
        { "level scale half way: nothing", band1, { cx, 206.0f }, dragNone },
        { "close lines, scale, at the midpoint", closeLevels, { cx, closeMid }, dragLevelMax },
        { "close lines, scale, just above the midpoint", closeLevels, { cx, closeMid - 0.5f }, dragLevelMax },
        { "close lines, scale, just below the midpoint", closeLevels, { cx, closeMid + 0.5f }, dragLevelMin },
        { "close lines, range tags at the bottom", closeLevels, { 965.0f, 380.0f }, dragLevelMin },
        { "close lines, range column above the tags", closeLevels, { 965.0f, 370.0f }, dragLevelMax },
        { "far lines, 18.03 px from the maximum takes it by height", farLevels, { cx + 10.0f, yMax40 - 15.0f }, dragLevelMax },
        { "far lines, 17 px above the maximum: nothing", farLevels, { cx + 10.0f, yMax40 - 17.0f }, dragNone },
        { "far lines, range column near the maximum's tag", farLevels, { 965.0f, yMax40 - 14.0f }, dragLevelMax },
        { "outside everything", band1, { 990.0f, 5.0f }, dragNone },
    };

    for (const auto& c : cases)
        EXPECT_EQ (findDragTarget (areas, c.at, c.band), c.expected) << c.what;
}

TEST (SpectrogramGeometry, AHalfwayTieTakesTheUpperEdge)
{
    // Two edge lines 20 px apart on a 20-px plot: 20 Hz at y 20, 20 kHz at y 0, exactly 10 px from y 10.
    SpectrogramAreas small;
    small.plot = { 0, 0, 100, 20 };
    EXPECT_EQ (findDragTarget (small, { 50.0f, 10.0f }, { 20.0f, 20000.0f, -80.0f, 0.0f }), dragFreqHigh);
    EXPECT_EQ (findDragTarget (small, { 50.0f, 10.5f }, { 20.0f, 20000.0f, -80.0f, 0.0f }), dragFreqLow);
}
} // namespace
