#include "editor/SpectrogramComponent.h"

#include <cmath>
#include <cstring>

#include "compat/JuceCompat.h"
#include "editor/BandColour.h"
#include "editor/ParameterIdSearch.h"
#include "processor/ParameterLayout.h"
#include "processor/PluginProcessor.h"

namespace quarmont
{
namespace
{
const juce::Colour emptyWaterfall (0xff0b1220);
const juce::Colour background (0xff0e1526);
constexpr float bypassedAlphaFactor = 0.35f;

juce::Colour white (float alpha) { return juce::Colours::white.withAlpha (alpha); }

int roundToNearest (float value) { return (int) std::round (value); }

BandParameter parameterForTarget (int target)
{
    switch (target)
    {
        case dragFreqLow:  return freqLowParam;
        case dragFreqHigh: return freqHighParam;
        case dragLevelMin: return levelMinParam;
        case dragLevelMax: return levelMaxParam;
        default:           return numBandParameters;
    }
}

/** The device pixels per logical pixel when that is a whole number, else 0. */
int wholeDeviceScale (const juce::Graphics& g)
{
    const auto scale = g.getInternalContext().getPhysicalPixelScaleFactor();
    const auto whole = std::round (scale);
    return whole >= 1.0f && std::abs (scale - whole) < 1.0e-4f ? (int) whole : 0;
}
} // namespace

SpectrogramComponent::SpectrogramComponent (QuarmontAudioProcessor& processorToShow)
    : processor (processorToShow)
{
    setTitle ("Spectrogram");
    // Paint covers every pixel, so nothing behind it is repainted with it.
    setOpaque (true);

    auto& apvts = processor.apvts;

    for (int band = 0; band < numBands; ++band)
    {
        for (int p = 0; p < numRangeParameters; ++p)
            rangeValues[(size_t) band][(size_t) p] = apvts.getRawParameterValue (bandParameterId (band + 1, (BandParameter) p));

        if (const auto bypassId = findBypassParameterId (apvts, band); bypassId.isNotEmpty())
            bypassValues[(size_t) band] = apvts.getRawParameterValue (bypassId);
    }

    startTimerHz (30);
}

SpectrogramComponent::~SpectrogramComponent()
{
    // A host must never be left with a gesture that no one will close.
    endGesture();
    beforeRing = {};
    afterRing = {};
    keptWaterfall = {};
    stopTimer();
}

//==============================================================================
void SpectrogramComponent::setTimeZoom (float zoom)
{
    timeZoom = juce::jlimit (4.0f, 20.0f, zoom);
}

void SpectrogramComponent::setShowAfterGain (bool showAfter)
{
    showAfterGain = showAfter ? 1 : 0;
    repaint();
}

void SpectrogramComponent::setSelectedBand (int bandIndex)
{
    selectedBand = juce::jlimit (0, numBands - 1, bandIndex);
    repaint();
}

void SpectrogramComponent::setWaterfallDrawing (WaterfallDrawing drawing)
{
    waterfallDrawing = drawing;
    repaint();
}

//==============================================================================
float SpectrogramComponent::readBand (int bandIndex, BandParameter parameter) const
{
    if (const auto* value = rangeValues[(size_t) bandIndex][(size_t) parameter])
        return value->load();

    return 0.0f;
}

float SpectrogramComponent::readSelectedBand (BandParameter parameter) const
{
    return readBand (selectedBand, parameter);
}

SelectedBandValues SpectrogramComponent::readSelectedBandValues() const
{
    return { readSelectedBand (freqLowParam), readSelectedBand (freqHighParam),
             readSelectedBand (levelMinParam), readSelectedBand (levelMaxParam) };
}

SpectrogramComponent::BandValues SpectrogramComponent::readBandValues() const
{
    BandValues values;

    for (int band = 0; band < numBands; ++band)
    {
        for (int p = 0; p < numRangeParameters; ++p)
            values.ranges[(size_t) band][(size_t) p] = readBand (band, (BandParameter) p);

        const auto* bypass = bypassValues[(size_t) band];
        values.bypassed[(size_t) band] = bypass != nullptr && bypass->load() >= 0.5f;
    }

    return values;
}

SpectrogramComponent::BandOverlay SpectrogramComponent::makeBandOverlay (const SpectrogramAreas& areas) const
{
    const auto values = readBandValues();
    BandOverlay overlay;

    for (size_t i = 0; i < numBands; ++i)
    {
        const auto& r = values.ranges[i];
        overlay.records[i] = makeBandMapRecord (areas, r[freqLowParam], r[freqHighParam], r[levelMinParam], r[levelMaxParam]);
        overlay.factors[i] = values.bypassed[i] ? bypassedAlphaFactor : 1.0f;
    }

    return overlay;
}

LevelTagBounds SpectrogramComponent::getLevelTagBounds() const
{
    return levelTagBounds (getAreas(), readSelectedBand (levelMinParam), readSelectedBand (levelMaxParam));
}

//==============================================================================
void SpectrogramComponent::resized()
{
    updateImages();
}

void SpectrogramComponent::updateImages()
{
    const auto plot = getAreas().plot;

    if (plot.getWidth() <= 0 || plot.getHeight() <= 0)
        return;

    for (auto* ring : { &beforeRing, &afterRing })
    {
        if (ring->image.isValid() && ring->image.getWidth() == plot.getWidth() && ring->image.getHeight() == plot.getHeight())
            continue;

        // A new size starts a new history: the old columns would no longer line up with the rows.
        ring->image = juce::Image (juce::Image::RGB, plot.getWidth(), plot.getHeight(), true);
        ring->newestColumn = plot.getWidth() - 1;
        juce::Graphics g (ring->image);
        g.fillAll (emptyWaterfall);
        ++historyVersion;
    }
}

void SpectrogramComponent::timerCallback()
{
    updateImages();

    if (takeNewestSpectrum())
        repaint (getAreas().plot);

    followZoom();
    followBandValues();
}

bool SpectrogramComponent::takeNewestSpectrum()
{
    float before[numDisplayBins] {};
    float after[numDisplayBins] {};

    if (! processor.getSpectrumSnapshot (before, after, lastSpectrumSerial))
        return false;

    pushSpectrumColumn (beforeRing, before);
    pushSpectrumColumn (afterRing, after);
    ++historyVersion;
    return true;
}

void SpectrogramComponent::pushSpectrumColumn (WaterfallRing& ring, const float* values)
{
    auto& image = ring.image;

    if (! image.isValid() || image.getWidth() <= 1 || image.getHeight() <= 0)
        return;

    // The ring moves on by one column instead of the whole image moving left by one.
    const auto width = image.getWidth();
    const auto height = image.getHeight();
    ring.newestColumn = (ring.newestColumn + 1) % width;

    const auto sampleRate = juce::jmax (1.0, processor.getSampleRate());
    const juce::Image::BitmapData column (image, ring.newestColumn, 0, 1, height, juce::Image::BitmapData::writeOnly);

    for (int row = 0; row < height; ++row)
        column.setPixelColour (0, row, spectrumColour (values[spectrumBinForRow (row, height, sampleRate)]));
}

void SpectrogramComponent::followZoom()
{
    // Only the number of columns shown changes the picture, not the zoom value as such.
    const auto plot = getAreas().plot;
    const auto columns = newestColumns (plot.getWidth(), plot.getHeight(), timeZoom).getWidth();

    if (columns != columnsShown)
    {
        columnsShown = columns;
        repaint (plot);
    }
}

void SpectrogramComponent::followBandValues()
{
    // The host and automation change the bands without telling the window; the tick looks.
    const auto values = readBandValues();

    // Bitwise, so that any change at all counts.
    const auto sameRanges = std::memcmp (values.ranges.data(), valuesSeen.ranges.data(), sizeof (values.ranges)) == 0;

    if (anyValuesSeen && sameRanges && values.bypassed == valuesSeen.bypassed)
        return;

    const auto bypassChanged = ! anyValuesSeen || values.bypassed != valuesSeen.bypassed;
    valuesSeen = values;
    anyValuesSeen = true;
    repaint();

    if (bypassChanged && onBandBypassChanged)
        onBandBypassChanged();
}

//==============================================================================
void SpectrogramComponent::paint (juce::Graphics& g)
{
    const auto areas = getAreas();
    const auto bands = makeBandOverlay (areas);

    drawWaterfall (g, areas.plot);
    drawFrequencyGrid (g, areas.plot);
    drawBandStripes (g, areas.plot, bands);
    drawSelectedBandLabels (g, areas.plot, bands);
    drawLevelColumns (g, areas, bands);
    drawCaptions (g, areas);
}

void SpectrogramComponent::drawWaterfall (juce::Graphics& g, juce::Rectangle<int> plot)
{
    const auto& ring = showAfterGain != 0 ? afterRing : beforeRing;

    if (! ring.image.isValid())
    {
        g.fillAll (background);
        g.fillRect (plot);  // the context's colour, black at the start of paint
        return;
    }

    {
        // The waterfall covers the plot, so only what lies around it needs the background.
        const juce::Graphics::ScopedSaveState state (g);
        g.excludeClipRegion (plot);
        g.fillAll (background);
    }

    // The newest columns, each stretched to about timeZoom pixels.
    const auto source = newestColumns (ring.image.getWidth(), ring.image.getHeight(), timeZoom);
    const auto scale = wholeDeviceScale (g);

    if (waterfallDrawing == WaterfallDrawing::kept && scale > 0)
    {
        const auto& picture = keptWaterfallFor (ring, source.getWidth(), scale);
        g.drawImageTransformed (picture, juce::AffineTransform::scale (1.0f / (float) scale).translated (plot.getPosition().toFloat()));
        return;
    }

    g.drawImage (ring.unrolled(), plot.getX(), plot.getY(), plot.getWidth(), plot.getHeight(),
                 source.getX(), source.getY(), source.getWidth(), source.getHeight(), false);
}

const juce::Image& SpectrogramComponent::keptWaterfallFor (const WaterfallRing& ring, int numColumns, int scale)
{
    const KeptWaterfallSource wanted { historyVersion, &ring == &afterRing, numColumns,
                                       ring.image.getWidth() * scale, ring.image.getHeight() * scale };

    if (wanted == keptSource && keptWaterfall.isValid())
        return keptWaterfall;

    if (keptWaterfall.getWidth() != wanted.width || keptWaterfall.getHeight() != wanted.height)
        keptWaterfall = juce::Image (juce::Image::RGB, wanted.width, wanted.height, false, juce::SoftwareImageType());

    stretch.render (ring, numColumns, ring.image.getWidth(), (float) scale, keptWaterfall);
    keptSource = wanted;
    return keptWaterfall;
}

void SpectrogramComponent::drawFrequencyGrid (juce::Graphics& g, juce::Rectangle<int> plot) const
{
    g.setColour (white (0.22f));
    g.drawRect (plot, 1);

    g.setFont (juce::FontOptions (10.5f));

    for (const auto frequency : { 120.0f, 500.0f, 1000.0f, 5000.0f, 10000.0f })
    {
        const auto y = roundToNearest (frequencyToY (plot, frequency));
        g.setColour (white (0.12f));
        g.drawHorizontalLine (y, (float) plot.getX(), (float) plot.getRight());
        g.setColour (white (0.65f));
        const auto label = frequency >= 1000.0f ? juce::String (frequency / 1000.0f, 1) + "k" : juce::String ((int) frequency);
        g.drawText (label, plot.getX() + 4, y, 38, 14, juce::Justification::left, false);
    }
}

void SpectrogramComponent::drawBandStripes (juce::Graphics& g, juce::Rectangle<int> plot, const BandOverlay& bands) const
{
    const auto left = (float) plot.getX();
    const auto right = (float) plot.getRight();

    for (int i = 0; i < numBands; ++i)
    {
        const auto& r = bands.records[(size_t) i];
        const auto sel = i == selectedBand;
        const auto factor = bands.factors[(size_t) i];
        const auto colour = bandColour (i);
        const auto top = roundToNearest (juce::jmin (r.yLowFreq, r.yHighFreq));
        const auto bottom = roundToNearest (juce::jmax (r.yLowFreq, r.yHighFreq));

        g.setColour (colour.withAlpha ((sel ? 0.18f : 0.07f) * factor));
        g.fillRect (plot.getX(), top, plot.getWidth(), juce::jmax (bottom - top, 1));

        g.setColour (colour.withAlpha ((sel ? 0.95f : 0.58f) * factor));
        const auto thickness = sel ? 2.4f : 1.2f;
        g.drawLine (left, r.yLowFreq, right, r.yLowFreq, thickness);
        g.drawLine (left, r.yHighFreq, right, r.yHighFreq, thickness);
    }
}

void SpectrogramComponent::drawSelectedBandLabels (juce::Graphics& g, juce::Rectangle<int> plot, const BandOverlay& bands) const
{
    // The selected band's labels stay at full strength even when it is bypassed: they are what
    // the user is editing.
    const auto& selected = bands.records[(size_t) selectedBand];
    const auto rows = frequencyLabelRows (plot, selected.yLowFreq, selected.yHighFreq);
    g.setColour (white (0.85f));
    g.setFont (juce::FontOptions (12.0f, juce::Font::bold));
    g.drawText (juce::String (selected.highFreq, 0) + " Hz", plot.getX() + 6, rows.upperTop, 120, 14, juce::Justification::left, false);
    g.drawText (juce::String (selected.lowFreq, 0) + " Hz", plot.getX() + 6, rows.lowerTop, 120, 14, juce::Justification::left, false);
    g.setColour (bandColour (selectedBand).withAlpha (0.96f));
    g.drawText ("Band " + juce::String (selectedBand + 1), plot.getX() + 128, rows.upperTop, 72, 14, juce::Justification::left, false);
}

void SpectrogramComponent::drawLevelColumns (juce::Graphics& g, const SpectrogramAreas& areas, const BandOverlay& bands) const
{
    const auto scale = areas.levelScale;
    const auto scaleBounds = scale.toFloat();
    juce::ColourGradient scaleGradient (spectrumColour (1.0f), scaleBounds.getX(), scaleBounds.getY(),
                                        spectrumColour (0.0f), scaleBounds.getX(), scaleBounds.getBottom(), false);

    for (const auto position : { 0.16f, 0.34f, 0.52f, 0.70f, 0.86f })
        scaleGradient.addColour (position, spectrumColour (1.0f - position));

    g.setGradientFill (scaleGradient);
    g.fillRoundedRectangle (scaleBounds, 4.0f);
    g.setColour (white (0.45f));
    g.drawRoundedRectangle (scaleBounds, 4.0f, 1.0f);

    const auto rangeBounds = areas.levelRange.toFloat();
    g.setColour (juce::Colour (0xff101a2c));
    g.fillRoundedRectangle (rangeBounds, 4.0f);
    g.setColour (white (0.22f));
    g.drawRoundedRectangle (rangeBounds, 4.0f, 1.0f);

    g.setFont (juce::FontOptions (10.5f));

    for (const auto level : { 0.0f, -20.0f, -40.0f, -60.0f, -80.0f })
    {
        const auto y = roundToNearest (levelToY (scale, level));
        g.setColour (white (0.18f));
        g.drawHorizontalLine (y, scaleBounds.getX(), scaleBounds.getRight());
        g.setColour (white (0.68f));
        g.drawText (juce::String (level, 0), scale.getX() - 38, y - 7, 34, 14, juce::Justification::right, false);
    }

    for (int i = 0; i < numBands; ++i)
    {
        const auto& r = bands.records[(size_t) i];
        const auto sel = i == selectedBand;
        g.setColour (bandColour (i).withAlpha ((sel ? 0.95f : 0.58f) * bands.factors[(size_t) i]));
        const auto thickness = sel ? 2.2f : 1.2f;
        g.drawLine (scaleBounds.getX(), r.yLowLevel, scaleBounds.getRight(), r.yLowLevel, thickness);
        g.drawLine (scaleBounds.getX(), r.yHighLevel, scaleBounds.getRight(), r.yHighLevel, thickness);
    }

    for (int i = 0; i < numBands; ++i)
    {
        const auto& r = bands.records[(size_t) i];
        const auto sel = i == selectedBand;
        const auto factor = bands.factors[(size_t) i];
        const auto top = std::round (juce::jmin (r.yLowLevel, r.yHighLevel));
        const auto bottom = std::round (juce::jmax (r.yLowLevel, r.yHighLevel));
        const auto bar = juce::Rectangle<float> (rangeBounds.getX() + 1.0f, top, rangeBounds.getWidth() - 2.0f, juce::jmax (bottom - top, 1.0f))
                             .getIntersection (rangeBounds);

        g.setColour (bandColour (i).withAlpha (factor * (sel ? 0.42f : 0.24f)));
        g.fillRect (bar);

        if (sel)
        {
            g.setColour (bandColour (i).withAlpha (factor * 0.82f));
            g.drawRect (bar, 1.0f);
        }
    }

    const auto& selected = bands.records[(size_t) selectedBand];
    const auto tags = getLevelTagBounds();
    drawValueTag (g, tags.lowTag, juce::String (selected.lowLevel, 1));
    drawValueTag (g, tags.highTag, juce::String (selected.highLevel, 1));
}

void SpectrogramComponent::drawCaptions (juce::Graphics& g, const SpectrogramAreas& areas) const
{
    // The captions keep the value tags' small bold font.
    const auto& plot = areas.plot;
    const auto captionY = juce::jmax (plot.getY() - 16, 0);
    g.setColour (white (0.75f));
    g.drawText ("Freq", plot.getX(), captionY, 70, 16, juce::Justification::left, false);
    g.drawText ("Level", areas.levelScale.getX() - 4, captionY, 70, 16, juce::Justification::left, false);
    g.drawText ("dB", areas.levelScale.getX() - 36, captionY, 34, 16, juce::Justification::right, false);
    g.setColour (white (0.85f));
    g.drawText (showAfterGain != 0 ? "View: After Gain" : "View: Before Gain", plot.getRight() - 170, captionY, 170, 16,
                juce::Justification::right, false);
}

void SpectrogramComponent::drawValueTag (juce::Graphics& g, juce::Rectangle<int> bounds, const juce::String& text) const
{
    g.setColour (juce::Colour (0xff091322).withAlpha (0.62f));
    g.fillRoundedRectangle (bounds.toFloat(), 2.5f);
    g.setColour (white (0.93f));
    g.setFont (juce::FontOptions (9.0f, juce::Font::bold));
    g.drawText (text, bounds, juce::Justification::centred, false);
}

//==============================================================================
juce::String SpectrogramComponent::parameterIdForTarget (int target) const
{
    // Built from the current selection each time: the selection may change during a drag.
    const auto parameter = parameterForTarget (target);
    return parameter != numBandParameters ? bandParameterId (selectedBand + 1, parameter) : juce::String();
}

void SpectrogramComponent::endGesture()
{
    if (gestureParameter != nullptr)
    {
        gestureParameter->endChangeGesture();
        gestureParameter = nullptr;
    }
}

void SpectrogramComponent::mouseDown (const juce::MouseEvent& event)
{
    const auto target = findDragTarget (getAreas(), event.position, readSelectedBandValues());
    dragTarget = target;

    if (target != dragNone)
    {
        endGesture();

        if (const auto id = parameterIdForTarget (target); id.isNotEmpty())
            if ((gestureParameter = processor.apvts.getParameter (id)) != nullptr)
                gestureParameter->beginChangeGesture();
    }

    // A press on an edge moves it to the pointer at once.
    dragTo (event.position);
}

void SpectrogramComponent::mouseDrag (const juce::MouseEvent& event)
{
    dragTo (event.position);
}

void SpectrogramComponent::mouseUp (const juce::MouseEvent&)
{
    endGesture();
    dragTarget = dragNone;
}

void SpectrogramComponent::dragTo (juce::Point<float> position)
{
    const auto areas = getAreas();
    const auto y = position.y;

    switch (dragTarget)
    {
        case dragFreqLow:
            setParameterValue (parameterIdForTarget (dragFreqLow),
                               juce::jmin (readSelectedBand (freqHighParam) - 10.0f, yToFrequency (areas.plot, y)));
            break;

        case dragFreqHigh:
            setParameterValue (parameterIdForTarget (dragFreqHigh),
                               juce::jmax (readSelectedBand (freqLowParam) + 10.0f, yToFrequency (areas.plot, y)));
            break;

        case dragLevelMin:
            setParameterValue (parameterIdForTarget (dragLevelMin),
                               juce::jmin (readSelectedBand (levelMaxParam) - 3.0f, yToLevel (areas.levelScale, y, dragLevelMin)));
            enforceLevelGap();
            break;

        case dragLevelMax:
            setParameterValue (parameterIdForTarget (dragLevelMax),
                               juce::jmax (readSelectedBand (levelMinParam) + 3.0f, yToLevel (areas.levelScale, y, dragLevelMax)));
            enforceLevelGap();
            break;

        default:
            break;
    }
}

void SpectrogramComponent::enforceLevelGap()
{
    // The parameter's range may have clamped the last write back into the gap.
    const auto levelMin = readSelectedBand (levelMinParam);
    const auto levelMax = readSelectedBand (levelMaxParam);

    if (levelMax - 3.0f >= levelMin)
        return;

    if (dragTarget == dragLevelMin)
        setParameterValue (parameterIdForTarget (dragLevelMin), levelMax - 3.0f);
    else if (dragTarget == dragLevelMax)
        setParameterValue (parameterIdForTarget (dragLevelMax), levelMin + 3.0f);
}

void SpectrogramComponent::setParameterValue (const juce::String& parameterId, float plainValue)
{
    auto* parameter = processor.apvts.getParameter (parameterId);

    if (parameter == nullptr)
        return;

    const auto& range = parameter->getNormalisableRange();
    parameter->setValueNotifyingHost (range.convertTo0to1 (juce::jlimit (range.start, range.end, plainValue)));
}
} // namespace quarmont
