#include "editor/SpectrogramComponent.h"

#include <array>
#include <cmath>

#include "compat/JuceCompat.h"
#include "editor/BandColour.h"
#include "editor/ParameterIdSearch.h"
#include "processor/PluginProcessor.h"

namespace quarmont
{
namespace
{
const juce::Colour emptyWaterfall (0xff0b1220);
const juce::Colour background (0xff0e1526);

juce::String bandKeyId (int bandIndex, const char* key)
{
    return "band" + juce::String (bandIndex + 1) + "_" + key;
}

juce::Colour white (float alpha) { return juce::Colours::white.withAlpha (alpha); }

int roundToNearest (float value) { return (int) std::round (value); }

const char* keyForTarget (int target)
{
    switch (target)
    {
        case dragFreqLow:  return "freqLow";
        case dragFreqHigh: return "freqHigh";
        case dragLevelMin: return "levelMin";
        case dragLevelMax: return "levelMax";
        default:           return nullptr;
    }
}
} // namespace

SpectrogramComponent::SpectrogramComponent (QuarmontAudioProcessor& processorToShow)
    : processor (processorToShow)
{
    setTitle ("Spectrogram");
    startTimerHz (30);
}

SpectrogramComponent::~SpectrogramComponent()
{
    // A host must never be left with a gesture that no one will close.
    endGesture();
    beforeImage = {};
    afterImage = {};
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

//==============================================================================
float SpectrogramComponent::readRaw (const juce::String& parameterId) const
{
    if (auto* value = processor.apvts.getRawParameterValue (parameterId))
        return value->load();

    return 0.0f;
}

float SpectrogramComponent::readSelectedBand (const char* key) const
{
    return readRaw (bandKeyId (selectedBand, key));
}

SelectedBandValues SpectrogramComponent::readSelectedBandValues() const
{
    return { readSelectedBand ("freqLow"), readSelectedBand ("freqHigh"),
             readSelectedBand ("levelMin"), readSelectedBand ("levelMax") };
}

float SpectrogramComponent::bypassFactor (int bandIndex) const
{
    return isBandBypassed (processor.apvts, bandIndex) ? 0.35f : 1.0f;
}

LevelTagBounds SpectrogramComponent::getLevelTagBounds() const
{
    return levelTagBounds (getAreas(), readSelectedBand ("levelMin"), readSelectedBand ("levelMax"));
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

    for (auto* image : { &beforeImage, &afterImage })
    {
        if (image->isValid() && image->getWidth() == plot.getWidth() && image->getHeight() == plot.getHeight())
            continue;

        // A new size starts a new history: the old columns would no longer line up with the rows.
        *image = juce::Image (juce::Image::RGB, plot.getWidth(), plot.getHeight(), true);
        juce::Graphics g (*image);
        g.fillAll (emptyWaterfall);
    }
}

void SpectrogramComponent::timerCallback()
{
    updateImages();

    float before[numDisplayBins] {};
    float after[numDisplayBins] {};

    if (processor.getSpectrumSnapshot (before, after, lastSpectrumSerial))
    {
        pushSpectrumColumn (beforeImage, before);
        pushSpectrumColumn (afterImage, after);
    }

    // Also without new audio: the band overlay follows host and automation changes.
    repaint();
}

void SpectrogramComponent::pushSpectrumColumn (juce::Image& image, const float* values)
{
    if (! image.isValid() || image.getWidth() <= 1 || image.getHeight() <= 0)
        return;

    const auto width = image.getWidth();
    const auto height = image.getHeight();
    image.moveImageSection (0, 0, 1, 0, width - 1, height);

    const auto sampleRate = juce::jmax (1.0, processor.getSampleRate());
    const juce::Image::BitmapData column (image, width - 1, 0, 1, height, juce::Image::BitmapData::writeOnly);

    for (int row = 0; row < height; ++row)
        column.setPixelColour (0, row, spectrumColour (values[spectrumBinForRow (row, height, sampleRate)]));
}

//==============================================================================
void SpectrogramComponent::paint (juce::Graphics& g)
{
    const auto areas = getAreas();
    const auto& plot = areas.plot;
    const auto& scale = areas.levelScale;
    const auto& range = areas.levelRange;
    const auto plotRight = (float) plot.getRight();

    g.fillAll (background);

    // The newest columns, each stretched to timeZoom pixels: the history is never redrawn.
    const auto& waterfall = showAfterGain != 0 ? afterImage : beforeImage;

    if (waterfall.isValid())
    {
        const auto source = newestColumns (waterfall.getWidth(), waterfall.getHeight(), timeZoom);
        g.drawImage (waterfall, plot.getX(), plot.getY(), plot.getWidth(), plot.getHeight(),
                     source.getX(), source.getY(), source.getWidth(), source.getHeight(), false);
    }
    else
    {
        g.fillRect (plot);
    }

    g.setColour (white (0.22f));
    g.drawRect (plot, 1);

    g.setFont (juce::FontOptions (10.5f));

    for (const auto frequency : { 120.0f, 500.0f, 1000.0f, 5000.0f, 10000.0f })
    {
        const auto y = roundToNearest (frequencyToY (plot, frequency));
        g.setColour (white (0.12f));
        g.drawHorizontalLine (y, (float) plot.getX(), plotRight);
        g.setColour (white (0.65f));
        const auto label = frequency >= 1000.0f ? juce::String (frequency / 1000.0f, 1) + "k" : juce::String ((int) frequency);
        g.drawText (label, plot.getX() + 4, y, 38, 14, juce::Justification::left, false);
    }

    std::array<BandMapRecord, numBands> records;
    std::array<float, numBands> factors;

    for (int i = 0; i < numBands; ++i)
    {
        records[(size_t) i] = makeBandMapRecord (areas, readRaw (bandKeyId (i, "freqLow")), readRaw (bandKeyId (i, "freqHigh")),
                                                 readRaw (bandKeyId (i, "levelMin")), readRaw (bandKeyId (i, "levelMax")));
        factors[(size_t) i] = bypassFactor (i);
    }

    for (int i = 0; i < numBands; ++i)
    {
        const auto& r = records[(size_t) i];
        const auto sel = i == selectedBand;
        const auto factor = factors[(size_t) i];
        const auto colour = bandColour (i);
        const auto top = roundToNearest (juce::jmin (r.yLowFreq, r.yHighFreq));
        const auto bottom = roundToNearest (juce::jmax (r.yLowFreq, r.yHighFreq));

        g.setColour (colour.withAlpha ((sel ? 0.18f : 0.07f) * factor));
        g.fillRect (plot.getX(), top, plot.getWidth(), juce::jmax (bottom - top, 1));

        g.setColour (colour.withAlpha ((sel ? 0.95f : 0.58f) * factor));
        const auto thickness = sel ? 2.4f : 1.2f;
        g.drawLine ((float) plot.getX(), r.yLowFreq, plotRight, r.yLowFreq, thickness);
        g.drawLine ((float) plot.getX(), r.yHighFreq, plotRight, r.yHighFreq, thickness);
    }

    // The selected band's labels stay at full strength even when it is bypassed: they are what
    // the user is editing.
    const auto& selected = records[(size_t) selectedBand];
    const auto rows = frequencyLabelRows (plot, selected.yLowFreq, selected.yHighFreq);
    g.setColour (white (0.85f));
    g.setFont (juce::FontOptions (12.0f, juce::Font::bold));
    g.drawText (juce::String (selected.highFreq, 0) + " Hz", plot.getX() + 6, rows.upperTop, 120, 14, juce::Justification::left, false);
    g.drawText (juce::String (selected.lowFreq, 0) + " Hz", plot.getX() + 6, rows.lowerTop, 120, 14, juce::Justification::left, false);
    g.setColour (bandColour (selectedBand).withAlpha (0.96f));
    g.drawText ("Band " + juce::String (selectedBand + 1), plot.getX() + 128, rows.upperTop, 72, 14, juce::Justification::left, false);

    const auto scaleBounds = scale.toFloat();
    juce::ColourGradient scaleGradient (spectrumColour (1.0f), scaleBounds.getX(), scaleBounds.getY(),
                                        spectrumColour (0.0f), scaleBounds.getX(), scaleBounds.getBottom(), false);

    for (const auto position : { 0.16f, 0.34f, 0.52f, 0.70f, 0.86f })
        scaleGradient.addColour (position, spectrumColour (1.0f - position));

    g.setGradientFill (scaleGradient);
    g.fillRoundedRectangle (scaleBounds, 4.0f);
    g.setColour (white (0.45f));
    g.drawRoundedRectangle (scaleBounds, 4.0f, 1.0f);

    const auto rangeBounds = range.toFloat();
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
        const auto& r = records[(size_t) i];
        const auto sel = i == selectedBand;
        g.setColour (bandColour (i).withAlpha ((sel ? 0.95f : 0.58f) * factors[(size_t) i]));
        const auto thickness = sel ? 2.2f : 1.2f;
        g.drawLine (scaleBounds.getX(), r.yLowLevel, scaleBounds.getRight(), r.yLowLevel, thickness);
        g.drawLine (scaleBounds.getX(), r.yHighLevel, scaleBounds.getRight(), r.yHighLevel, thickness);
    }

    for (int i = 0; i < numBands; ++i)
    {
        const auto& r = records[(size_t) i];
        const auto sel = i == selectedBand;
        const auto factor = factors[(size_t) i];
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

    const auto tags = getLevelTagBounds();
    drawValueTag (g, tags.lowTag, juce::String (selected.lowLevel, 1));
    drawValueTag (g, tags.highTag, juce::String (selected.highLevel, 1));

    // The captions keep the tags' small bold font.
    const auto captionY = juce::jmax (plot.getY() - 16, 0);
    g.setColour (white (0.75f));
    g.drawText ("Freq", plot.getX(), captionY, 70, 16, juce::Justification::left, false);
    g.drawText ("Level", scale.getX() - 4, captionY, 70, 16, juce::Justification::left, false);
    g.drawText ("dB", scale.getX() - 36, captionY, 34, 16, juce::Justification::right, false);
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
    const auto* key = keyForTarget (target);
    return key != nullptr ? bandKeyId (selectedBand, key) : juce::String();
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
                               juce::jmin (readSelectedBand ("freqHigh") - 10.0f, yToFrequency (areas.plot, y)));
            break;

        case dragFreqHigh:
            setParameterValue (parameterIdForTarget (dragFreqHigh),
                               juce::jmax (readSelectedBand ("freqLow") + 10.0f, yToFrequency (areas.plot, y)));
            break;

        case dragLevelMin:
            setParameterValue (parameterIdForTarget (dragLevelMin),
                               juce::jmin (readSelectedBand ("levelMax") - 3.0f, yToLevel (areas.levelScale, y, dragLevelMin)));
            enforceLevelGap();
            break;

        case dragLevelMax:
            setParameterValue (parameterIdForTarget (dragLevelMax),
                               juce::jmax (readSelectedBand ("levelMin") + 3.0f, yToLevel (areas.levelScale, y, dragLevelMax)));
            enforceLevelGap();
            break;

        default:
            break;
    }
}

void SpectrogramComponent::enforceLevelGap()
{
    // The parameter's range may have clamped the last write back into the gap.
    const auto levelMin = readSelectedBand ("levelMin");
    const auto levelMax = readSelectedBand ("levelMax");

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
