#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "editor/SpectrogramGeometry.h"

class QuarmontAudioProcessor;

namespace quarmont
{
/** The large display of the window: a scrolling waterfall of channel 0's spectrum (before or
    after the band gains) with the five bands laid over it as frequency stripes, a level scale
    and a level-range column showing every band's level window. The selected band's frequency
    edges and level limits are dragged here directly, each drag one host gesture.

    It reads the parameters only through the processor's tree and the audio only through the
    processor's spectrum snapshot. */
class SpectrogramComponent : public juce::Component,
                             public juce::Timer
{
public:
    explicit SpectrogramComponent (QuarmontAudioProcessor& processorToShow);
    ~SpectrogramComponent() override;

    void mouseDown (const juce::MouseEvent& event) override;
    void mouseDrag (const juce::MouseEvent& event) override;
    void mouseUp (const juce::MouseEvent& event) override;
    void paint (juce::Graphics& g) override;
    void resized() override;

    /** Takes the newest spectrum pair, if any, into both waterfalls and repaints. */
    void timerCallback() override;

    /** Horizontal stretch of the waterfall, limited to 4..20; shows at the next tick. */
    void setTimeZoom (float zoom);
    /** true shows the spectrum after the band gains, false before them. */
    void setShowAfterGain (bool showAfter);
    /** The band the display highlights and edits, limited to 0..4. */
    void setSelectedBand (int bandIndex);

    float getTimeZoom() const noexcept { return timeZoom; }
    bool isShowingAfterGain() const noexcept { return showAfterGain != 0; }
    int getSelectedBand() const noexcept { return selectedBand; }
    DragTarget getDragTarget() const noexcept { return (DragTarget) dragTarget; }
    const juce::Image& getBeforeImage() const noexcept { return beforeImage; }
    const juce::Image& getAfterImage() const noexcept { return afterImage; }

    SpectrogramAreas getAreas() const { return computeSpectrogramAreas (getLocalBounds()); }

    /** The selected band's two level value tags (low, high) in the level-range column. */
    LevelTagBounds getLevelTagBounds() const;

private:
    void updateImages();
    void pushSpectrumColumn (juce::Image& image, const float* values);
    void drawValueTag (juce::Graphics& g, juce::Rectangle<int> bounds, const juce::String& text) const;

    float readRaw (const juce::String& parameterId) const;
    float readSelectedBand (const char* key) const;
    SelectedBandValues readSelectedBandValues() const;
    float bypassFactor (int bandIndex) const;

    juce::String parameterIdForTarget (int target) const;
    void dragTo (juce::Point<float> position);
    void enforceLevelGap();
    void setParameterValue (const juce::String& parameterId, float plainValue);
    void endGesture();

    QuarmontAudioProcessor& processor;
    juce::Image beforeImage;
    juce::Image afterImage;
    int lastSpectrumSerial = 0;
    int dragTarget = dragNone;
    juce::RangedAudioParameter* gestureParameter = nullptr;
    float timeZoom = 1.0f;
    int showAfterGain = 0;
    int selectedBand = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SpectrogramComponent)
};
} // namespace quarmont
