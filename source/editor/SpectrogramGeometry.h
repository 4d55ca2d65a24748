#pragma once

#include <juce_graphics/juce_graphics.h>

namespace quarmont
{
/** The spectrogram's three regions: the waterfall plot and, to its right, the level scale and the
    level-range column. All three share one vertical span, so a level maps to the same height in
    both columns. */
struct SpectrogramAreas
{
    juce::Rectangle<int> plot, levelScale, levelRange;
};

SpectrogramAreas computeSpectrogramAreas (juce::Rectangle<int> localBounds);

/** 20 Hz at the plot's bottom edge, 20 kHz at its top, logarithmic; frequencies outside are clamped. */
float frequencyToY (juce::Rectangle<int> plot, float frequencyHz);
/** The inverse: a pointer above or below the plot gives 20 kHz or 20 Hz. */
float yToFrequency (juce::Rectangle<int> plot, float y);

/** -80 dB at the bottom of the level span, 0 dB at its top; levels outside are clamped. */
float levelToY (juce::Rectangle<int> levelSpan, float levelDb);

/** What a press in the display grabs; the values are what the component keeps in its field. */
enum DragTarget : int
{
    dragNone = 0,
    dragFreqLow = 1,
    dragFreqHigh = 2,
    dragLevelMin = 3,
    dragLevelMax = 4
};

/** The level at a height for the given drag target. The minimum stays out of the top 4 px of
    the span and the maximum out of the bottom 4 px, so the two handles can never be dragged on
    top of each other at an end of the scale. */
float yToLevel (juce::Rectangle<int> levelSpan, float y, DragTarget target);

/** Colour of a display value 0..1 (values outside are clamped): dark navy through blue, cyan,
    green and amber to red. */
juce::Colour spectrumColour (float value);

/** The display bin (0..1023) shown in a row of a waterfall image: row 0 is 20 kHz, the last row
    20 Hz, each row takes the nearest bin. Rates below 1 Hz count as 1. */
int spectrumBinForRow (int row, int imageHeight, double sampleRate);

/** The part of a waterfall image that paint stretches over the plot: the newest
    round (width / timeZoom) columns (at least one, at most all of them). */
juce::Rectangle<int> newestColumns (int imageWidth, int imageHeight, float timeZoom);

/** One band's ranges in display order plus where they are drawn. */
struct BandMapRecord
{
    float lowFreq, highFreq, lowLevel, highLevel;
    float yLowFreq, yHighFreq, yLowLevel, yHighLevel;
};

BandMapRecord makeBandMapRecord (const SpectrogramAreas& areas, float freqLow, float freqHigh, float levelMin, float levelMax);

/** Where the selected band's two frequency labels go: the upper one above the band's upper line,
    the lower one below its lower line, both kept inside the plot and at least 16 px apart. */
struct FrequencyLabelRows
{
    int upperTop, lowerTop;
};

FrequencyLabelRows frequencyLabelRows (juce::Rectangle<int> plot, float yLowFreq, float yHighFreq);

/** The value tags of the selected band's level window, in the level-range column: each centred on
    its level, kept inside the column and pushed 12 px apart when they would overlap. */
struct LevelTagBounds
{
    juce::Rectangle<int> lowTag, highTag;
};

LevelTagBounds levelTagBounds (const SpectrogramAreas& areas, float levelMin, float levelMax);

/** The selected band's four raw values as the mouse code sees them (a missing parameter reads 0). */
struct SelectedBandValues
{
    float freqLow = 0.0f, freqHigh = 0.0f, levelMin = 0.0f, levelMax = 0.0f;
};

/** What a press at this position grabs, in order of precedence: a frequency edge in the plot
    (within 12 px), a value tag, the nearer level in the level-range column, the nearer level in
    the level-scale column. A tie goes to the upper item (freqHigh, levelMax). */
DragTarget findDragTarget (const SpectrogramAreas& areas, juce::Point<float> position, const SelectedBandValues& band);
} // namespace quarmont
