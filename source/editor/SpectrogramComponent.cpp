#include "editor/SpectrogramComponent.h"

#include "processor/PluginProcessor.h"

namespace quarmont
{
SpectrogramComponent::SpectrogramComponent (QuarmontAudioProcessor& processorToShow)
    : processor (processorToShow)
{
    setTitle ("Spectrogram");
}

SpectrogramComponent::~SpectrogramComponent() = default;

juce::Rectangle<int> SpectrogramComponent::plotAreaWithin (juce::Rectangle<int> localBounds)
{
    auto area = localBounds;
    area.removeFromLeft (10);
    area.removeFromRight (10);
    area.removeFromBottom (10);
    area.removeFromTop (22);
    area.removeFromRight (110); // the level scale and level range columns
    return area;
}

void SpectrogramComponent::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff0e1526));

    const auto plot = plotAreaWithin (getLocalBounds());
    g.setColour (juce::Colour (0xff0b1220));
    g.fillRect (plot);
    g.setColour (juce::Colours::white.withAlpha (0.22f));
    g.drawRect (plot, 1);
}

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
    selectedBand = juce::jlimit (0, 4, bandIndex);
    repaint();
}
} // namespace quarmont
