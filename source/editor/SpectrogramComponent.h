#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

#include <juce_audio_processors/juce_audio_processors.h>

#include "editor/SpectrogramGeometry.h"
#include "editor/WaterfallStretch.h"
#include "engine/EngineConstants.h"

class QuarmontAudioProcessor;

namespace quarmont
{
/** The large display of the window: a scrolling waterfall of channel 0's spectrum (before or
    after the band gains) with the five bands laid over it as frequency stripes, a level scale
    and a level-range column showing every band's level window. The selected band's frequency
    edges and level limits are dragged here directly, each drag one host gesture.

    It reads the parameters only through the processor's tree and the audio only through the
    processor's spectrum snapshot. It is opaque and repaints only what changed: the plot when a
    column arrives or the zoom changes, everything when a band's values, the selection or the
    view change, nothing otherwise. */
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

    /** Takes the newest spectrum pair, if any, into both waterfalls, and repaints what that or a
        change of the band parameters (by the host, automation or the mouse) altered. */
    void timerCallback() override;

    /** Called at a tick that finds a band's bypass switched, whoever switched it; the window's band
        buttons and knobs follow through it. */
    std::function<void()> onBandBypassChanged;

    /** How paint puts the waterfall on the plot: from the kept picture, stretched once per new
        column, zoom or size (the default), or by drawing the history scaled at every paint (the
        plain way, which the kept picture matches; also what fractional display scales get). */
    enum class WaterfallDrawing { kept, plain };
    void setWaterfallDrawing (WaterfallDrawing drawing);

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
    /** The waterfalls as pictures of the plot's size, the newest column at the right edge. */
    juce::Image getBeforeImage() const { return beforeRing.unrolled(); }
    juce::Image getAfterImage() const { return afterRing.unrolled(); }

    SpectrogramAreas getAreas() const { return computeSpectrogramAreas (getLocalBounds()); }

    /** The selected band's two level value tags (low, high) in the level-range column. */
    LevelTagBounds getLevelTagBounds() const;

private:
    // The display draws freqLow, freqHigh, levelMin and levelMax, the first four band parameters.
    static constexpr int numRangeParameters = levelMaxParam + 1;

    /** What the overlay shows of the five bands: their four range values and bypass switches. */
    struct BandValues
    {
        std::array<std::array<float, numRangeParameters>, numBands> ranges {};
        std::array<bool, numBands> bypassed {};
    };

    /** Each band's drawing record and the factor its alphas are multiplied by. */
    struct BandOverlay
    {
        std::array<BandMapRecord, numBands> records;
        std::array<float, numBands> factors;
    };

    /** What the kept waterfall picture was stretched from. */
    struct KeptWaterfallSource
    {
        std::uint64_t history = 0;
        bool after = false;
        int numColumns = 0, width = 0, height = 0;

        bool operator== (const KeptWaterfallSource& other) const noexcept
        {
            return history == other.history && after == other.after && numColumns == other.numColumns
                && width == other.width && height == other.height;
        }
    };

    void updateImages();
    bool takeNewestSpectrum();
    void pushSpectrumColumn (WaterfallRing& ring, const float* values);
    void followZoom();
    void followBandValues();

    void drawWaterfall (juce::Graphics& g, juce::Rectangle<int> plot);
    void drawFrequencyGrid (juce::Graphics& g, juce::Rectangle<int> plot) const;
    void drawBandStripes (juce::Graphics& g, juce::Rectangle<int> plot, const BandOverlay& bands) const;
    void drawSelectedBandLabels (juce::Graphics& g, juce::Rectangle<int> plot, const BandOverlay& bands) const;
    void drawLevelColumns (juce::Graphics& g, const SpectrogramAreas& areas, const BandOverlay& bands) const;
    void drawCaptions (juce::Graphics& g, const SpectrogramAreas& areas) const;
    void drawValueTag (juce::Graphics& g, juce::Rectangle<int> bounds, const juce::String& text) const;
    const juce::Image& keptWaterfallFor (const WaterfallRing& ring, int numColumns, int scale);

    BandValues readBandValues() const;
    BandOverlay makeBandOverlay (const SpectrogramAreas& areas) const;
    float readBand (int bandIndex, BandParameter parameter) const;
    float readSelectedBand (BandParameter parameter) const;
    SelectedBandValues readSelectedBandValues() const;

    juce::String parameterIdForTarget (int target) const;
    void dragTo (juce::Point<float> position);
    void enforceLevelGap();
    void setParameterValue (const juce::String& parameterId, float plainValue);
    void endGesture();

    QuarmontAudioProcessor& processor;
    WaterfallRing beforeRing;
    WaterfallRing afterRing;
    int lastSpectrumSerial = 0;
    int dragTarget = dragNone;
    juce::RangedAudioParameter* gestureParameter = nullptr;
    float timeZoom = 1.0f;
    int showAfterGain = 0;
    int selectedBand = 0;

    // The band parameters' raw values, found once: the tree's parameters live as long as the processor.
    std::array<std::array<std::atomic<float>*, numRangeParameters>, numBands> rangeValues {};
    std::array<std::atomic<float>*, numBands> bypassValues {};

    // What the ticks have seen, to repaint only on a change.
    BandValues valuesSeen;
    bool anyValuesSeen = false;
    int columnsShown = 0;
    std::uint64_t historyVersion = 0;  // counts new columns and new images

    WaterfallDrawing waterfallDrawing = WaterfallDrawing::kept;
    WaterfallStretch stretch;
    juce::Image keptWaterfall;
    KeptWaterfallSource keptSource;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SpectrogramComponent)
};
} // namespace quarmont
