#include "editor/SpectrogramGeometry.h"

#include <cmath>

#include "engine/EngineConstants.h"

namespace quarmont
{
namespace
{
constexpr float minFrequencyHz = 20.0f;
constexpr float maxFrequencyHz = 20000.0f;
constexpr float frequencyRatio = 1000.0f; // 20 kHz / 20 Hz
constexpr float minLevelDb = -80.0f;

// Halves away from zero, so that pixel positions do not depend on the rounding mode.
int roundToNearest (float value) { return (int) std::round (value); }

float bottomOf (juce::Rectangle<int> r) { return (float) r.getBottom(); }
} // namespace

SpectrogramAreas computeSpectrogramAreas (juce::Rectangle<int> localBounds)
{
    auto area = localBounds;
    area.removeFromLeft (10);
    area.removeFromRight (10);
    area.removeFromBottom (10);
    area.removeFromTop (22);

    SpectrogramAreas areas;

    auto plot = area;
    plot.removeFromRight (110); // room for the two level columns and the labels between them
    areas.plot = plot;

    auto scale = area;
    scale.removeFromRight (58);
    areas.levelScale = scale.removeFromRight (30);

    auto range = area;
    range.removeFromRight (4);
    areas.levelRange = range.removeFromRight (42);
    return areas;
}

float frequencyToY (juce::Rectangle<int> plot, float frequencyHz)
{
    const auto f = juce::jlimit (minFrequencyHz, maxFrequencyHz, frequencyHz);
    return bottomOf (plot) - std::log (f / minFrequencyHz) / std::log (frequencyRatio) * (float) plot.getHeight();
}

float yToFrequency (juce::Rectangle<int> plot, float y)
{
    const auto height = (float) plot.getHeight();
    const auto t = height > 0.0f ? juce::jlimit (0.0f, 1.0f, (bottomOf (plot) - y) / height) : 0.0f;
    return minFrequencyHz * std::pow (frequencyRatio, t);
}

float levelToY (juce::Rectangle<int> levelSpan, float levelDb)
{
    const auto d = juce::jlimit (minLevelDb, 0.0f, levelDb);
    return bottomOf (levelSpan) - ((d - minLevelDb) / -minLevelDb) * (float) levelSpan.getHeight();
}

float yToLevel (juce::Rectangle<int> levelSpan, float y, DragTarget target)
{
    const auto top = (float) levelSpan.getY();
    const auto bottom = bottomOf (levelSpan);
    auto limitedY = y;

    if (target == dragLevelMin)
        limitedY = y < top + 4.0f ? top + 4.0f : juce::jmin (y, bottom);
    else if (target == dragLevelMax)
        limitedY = y < top ? top : juce::jmin (y, bottom - 4.0f);

    const auto height = (float) levelSpan.getHeight();
    const auto t = height > 0.0f ? juce::jlimit (0.0f, 1.0f, (bottom - limitedY) / height) : 0.0f;
    return t * -minLevelDb + minLevelDb;
}

juce::Colour spectrumColour (float value)
{
    struct Stop { float position; juce::uint32 argb; };
    static constexpr Stop stops[] { { 0.00f, 0xff0b1220 }, { 0.18f, 0xff173f9d }, { 0.40f, 0xff00a7cc },
                                    { 0.62f, 0xff58c96b }, { 0.80f, 0xfff0be3d }, { 1.00f, 0xfff34e37 } };

    const auto v = juce::jlimit (0.0f, 1.0f, value);

    for (size_t k = 1; k < std::size (stops); ++k)
    {
        if (stops[k].position >= v)
        {
            const auto& below = stops[k - 1];
            const auto proportion = (v - below.position) / (stops[k].position - below.position);
            return juce::Colour (below.argb).interpolatedWith (juce::Colour (stops[k].argb), proportion);
        }
    }

    return juce::Colour (stops[std::size (stops) - 1].argb);
}

int spectrumBinForRow (int row, int imageHeight, double sampleRate)
{
    const auto rate = (float) juce::jmax (1.0, sampleRate);
    const auto t = juce::jlimit (0.0f, 1.0f, 1.0f - (float) row / (float) juce::jmax (imageHeight - 1, 1));
    const auto frequency = minFrequencyHz * std::pow (frequencyRatio, t);
    return juce::jlimit (0, numDisplayBins - 1, roundToNearest (frequency * (float) frameLength / rate));
}

juce::Rectangle<int> newestColumns (int imageWidth, int imageHeight, float timeZoom)
{
    auto n = roundToNearest ((float) imageWidth / timeZoom);
    n = n < 1 ? 1 : juce::jmin (n, imageWidth);
    return { juce::jmax (imageWidth - n, 0), 0, n, imageHeight };
}

BandMapRecord makeBandMapRecord (const SpectrogramAreas& areas, float freqLow, float freqHigh, float levelMin, float levelMax)
{
    BandMapRecord r;
    r.lowFreq = juce::jmin (freqLow, freqHigh);
    r.highFreq = juce::jmax (freqLow, freqHigh);
    r.lowLevel = juce::jmin (levelMin, levelMax);
    r.highLevel = juce::jmax (levelMin, levelMax);
    r.yLowFreq = frequencyToY (areas.plot, r.lowFreq);
    r.yHighFreq = frequencyToY (areas.plot, r.highFreq);
    r.yLowLevel = levelToY (areas.levelScale, r.lowLevel);
    r.yHighLevel = levelToY (areas.levelScale, r.highLevel);
    return r;
}

FrequencyLabelRows frequencyLabelRows (juce::Rectangle<int> plot, float yLowFreq, float yHighFreq)
{
    const auto upper = roundToNearest (juce::jmin (yLowFreq, yHighFreq));
    const auto lower = roundToNearest (juce::jmax (yLowFreq, yHighFreq));
    const auto topLimit = plot.getY() + 2;

    auto a = upper - 16;
    a = a < topLimit ? topLimit : juce::jmin (a, plot.getBottom() - 28);

    auto b = lower + 2;
    b = b < topLimit ? topLimit : juce::jmin (b, plot.getBottom() - 16);

    if (b - a < 16)
        b = juce::jmin (a + 16, plot.getBottom() - 16);

    return { a, b };
}

LevelTagBounds levelTagBounds (const SpectrogramAreas& areas, float levelMin, float levelMax)
{
    const auto& column = areas.levelRange;
    const auto yLow = levelToY (areas.levelScale, juce::jmin (levelMin, levelMax));
    const auto yHigh = levelToY (areas.levelScale, juce::jmax (levelMin, levelMax));

    const auto lo = column.getY() + 1;
    const auto hi = column.getBottom() - 13;
    const auto limit = [lo, hi] (int top) { return top < lo ? lo : juce::jmin (top, hi); };

    auto lowTop = limit (roundToNearest (yLow) - 6);
    auto highTop = limit (roundToNearest (yHigh) - 6);

    if (std::abs (lowTop - highTop) < 12)
    {
        if (lowTop > highTop)
            lowTop = juce::jmin (highTop + 12, hi);
        else
            highTop = juce::jmin (lowTop + 12, hi);
    }

    return { { column.getX() + 2, lowTop, column.getWidth() - 4, 12 },
             { column.getX() + 2, highTop, column.getWidth() - 4, 12 } };
}

DragTarget findDragTarget (const SpectrogramAreas& areas, juce::Point<float> position, const SelectedBandValues& band)
{
    const auto x = position.x;
    const auto y = position.y;
    // Containment goes by the pixel the pointer is in; distances keep the fractions.
    const juce::Point<int> pixel ((int) x, (int) y);

    if (areas.plot.contains (pixel))
    {
        const auto edge = [] (float hz) { return hz < minFrequencyHz ? minFrequencyHz : juce::jmin (hz, maxFrequencyHz); };
        const auto dLow = std::abs (y - frequencyToY (areas.plot, edge (band.freqLow)));
        const auto dHigh = std::abs (y - frequencyToY (areas.plot, edge (band.freqHigh)));

        if (juce::jmin (dLow, dHigh) <= 12.0f)
            return dHigh <= dLow ? dragFreqHigh : dragFreqLow;
    }

    const auto tags = levelTagBounds (areas, band.levelMin, band.levelMax);

    if (tags.lowTag.expanded (4, 3).contains (pixel))
        return dragLevelMin;

    if (tags.highTag.expanded (4, 3).contains (pixel))
        return dragLevelMax;

    if (areas.levelRange.expanded (6, 8).contains (pixel))
    {
        const auto m1 = tags.lowTag.getY() + tags.lowTag.getHeight() / 2;
        const auto m2 = tags.highTag.getY() + tags.highTag.getHeight() / 2;
        const auto d1 = std::abs (y - (float) m1);
        const auto d2 = std::abs (y - (float) m2);

        if (std::abs (m1 - m2) < 14)
            return y <= (float) (m1 + m2) * 0.5f ? dragLevelMax : dragLevelMin;

        if (juce::jmin (d1, d2) <= 15.0f)
            return d2 <= d1 ? dragLevelMax : dragLevelMin;
    }

    if (areas.levelScale.expanded (16, 14).contains (pixel))
    {
        const auto yMin = levelToY (areas.levelScale, band.levelMin);
        const auto yMax = levelToY (areas.levelScale, band.levelMax);

        if (std::abs (yMin - yMax) < 12.0f)
            return y <= (yMin + yMax) * 0.5f ? dragLevelMax : dragLevelMin;

        const auto cx = (float) (areas.levelScale.getX() + areas.levelScale.getWidth() / 2);
        const auto hMin = std::hypot (cx - x, yMin - y);
        const auto hMax = std::hypot (cx - x, yMax - y);

        if (juce::jmin (hMin, hMax) <= 18.0f)
            return hMax <= hMin ? dragLevelMax : dragLevelMin;

        const auto dMin = std::abs (y - yMin);
        const auto dMax = std::abs (y - yMax);

        if (juce::jmin (dMin, dMax) <= 16.0f)
            return dMax <= dMin ? dragLevelMax : dragLevelMin;
    }

    return dragNone;
}
} // namespace quarmont
