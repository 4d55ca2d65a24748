#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class QuarmontAudioProcessor;

namespace quarmont
{
/** The large display of the window. For now it paints its background and plot frame and keeps
    the three settings the editor hands it; the waterfall, the band overlay and the mouse editing
    come with the display itself. */
class SpectrogramComponent : public juce::Component
{
public:
    explicit SpectrogramComponent (QuarmontAudioProcessor& processorToShow);
    ~SpectrogramComponent() override;

    void paint (juce::Graphics& g) override;

    /** Horizontal stretch of the waterfall, limited to 4..20; shows at the next repaint. */
    void setTimeZoom (float zoom);
    /** true shows the spectrum after the band gains, false before them. */
    void setShowAfterGain (bool showAfter);
    /** The band the display highlights and edits, limited to 0..4. */
    void setSelectedBand (int bandIndex);

    float getTimeZoom() const noexcept { return timeZoom; }
    bool isShowingAfterGain() const noexcept { return showAfterGain != 0; }
    int getSelectedBand() const noexcept { return selectedBand; }

    /** The waterfall area inside a component of the given size. */
    static juce::Rectangle<int> plotAreaWithin (juce::Rectangle<int> localBounds);

private:
    QuarmontAudioProcessor& processor;
    float timeZoom = 1.0f;
    int showAfterGain = 0;
    int selectedBand = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SpectrogramComponent)
};
} // namespace quarmont
