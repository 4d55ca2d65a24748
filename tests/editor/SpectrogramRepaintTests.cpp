// The spectrogram's economy must not show: the kept waterfall picture gives the same pixels as
// drawing the history scaled at every paint, and a tick repaints the plot when a column arrives,
// everything when a band changes, and nothing when nothing changed.

#include <algorithm>
#include <cmath>

#include "EditorTestSupport.h"

namespace
{
using namespace quarmont;
using Drawing = SpectrogramComponent::WaterfallDrawing;

constexpr double sampleRate = 48000.0;
constexpr int hop = 512;

/** Plays a log sweep over noise whose level changes every 50 hops, so that neighbouring
    columns and rows differ and a stretch that is off by a fraction of a pixel shows. */
class Programme
{
public:
    explicit Programme (QuarmontAudioProcessor& p) : processor (p)
    {
        processor.setRateAndBufferSizeDetails (sampleRate, hop);
        processor.prepareToPlay (sampleRate, hop);
    }

    void playHop()
    {
        for (int i = 0; i < hop; ++i, ++sampleIndex)
        {
            const auto column = (double) sampleIndex / hop;
            const auto frequency = 20.0 * std::pow (1000.0, std::fmod (column, 97.0) / 97.0);
            phase = std::fmod (phase + juce::MathConstants<double>::twoPi * frequency / sampleRate, juce::MathConstants<double>::twoPi);
            const float noiseLevels[] { 0.3f, 0.01f, 0.08f };
            const auto noise = noiseLevels[(sampleIndex / (50 * hop)) % 3] * (2.0f * random.nextFloat() - 1.0f);
            buffer.setSample (0, i, 0.5f * (float) std::sin (phase) + noise);
        }

        buffer.copyFrom (1, 0, buffer, 0, 0, hop);
        processor.processBlock (buffer, midi);
    }

private:
    QuarmontAudioProcessor& processor;
    juce::AudioBuffer<float> buffer { 2, hop };
    juce::MidiBuffer midi;
    juce::Random random { 5 };
    juce::int64 sampleIndex = 0;
    double phase = 0.0;
};

/** The largest difference of any channel of any pixel, and how many pixels differ at all. */
struct Difference
{
    int largest = 0;
    int pixels = 0;
};

Difference compare (const juce::Image& a, const juce::Image& b)
{
    Difference d;

    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
        {
            const auto p = a.getPixelAt (x, y);
            const auto q = b.getPixelAt (x, y);
            const auto channel = std::max ({ std::abs (p.getRed() - q.getRed()), std::abs (p.getGreen() - q.getGreen()),
                                             std::abs (p.getBlue() - q.getBlue()), std::abs (p.getAlpha() - q.getAlpha()) });
            d.largest = std::max (d.largest, channel);
            d.pixels += channel > 0 ? 1 : 0;
        }

    return d;
}

juce::Image render (SpectrogramComponent& display, Drawing drawing, float scale)
{
    display.setWaterfallDrawing (drawing);
    return display.createComponentSnapshot (display.getLocalBounds(), true, scale);
}

TEST (SpectrogramPicture, KeptWaterfallMatchesThePlainScaledDrawing)
{
    QuarmontAudioProcessor processor;
    Programme programme (processor);
    processor.apvts.getParameter ("band3_gain")->setValueNotifyingHost (0.0f);

    struct Case { int width, height; float zoom; bool after; bool bypassBand3; float scale; };
    const Case cases[] {
        { 1128, 458, 4.0f, false, false, 1.0f },   // the default window, the default Width
        { 1128, 458, 4.37f, true, false, 1.0f },   // a stretch of 4.37 pixels per column
        { 1128, 458, 7.5f, false, true, 1.0f },
        { 1128, 458, 13.3f, true, true, 1.0f },
        { 1128, 458, 20.0f, false, false, 1.0f },
        { 1128, 458, 4.0f, true, false, 2.0f },    // the default window on a HiDPI screen
        { 1128, 458, 9.1f, false, true, 2.0f },
        { 1128, 458, 20.0f, true, false, 2.0f },
        { 2268, 1218, 5.3f, false, false, 1.0f },  // a window of 2280 x 1520
        { 150, 60, 4.0f, false, false, 1.0f },     // a plot of 20 x 28: five columns
        { 150, 60, 20.0f, true, false, 2.0f },     // ... and one
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.width) + " x " + juce::String (c.height) + ", Width " + juce::String (c.zoom)
                      + (c.after ? ", After" : ", Before") + (c.bypassBand3 ? ", band 3 bypassed" : "")
                      + ", scale " + juce::String (c.scale));

        SpectrogramComponent display (processor);
        display.setSize (c.width, c.height);
        display.setTimeZoom (c.zoom);
        display.setShowAfterGain (c.after);
        display.setSelectedBand (2);
        processor.apvts.getParameter ("band3_bypass")->setValueNotifyingHost (c.bypassBand3 ? 1.0f : 0.0f);

        // More columns than the plot is wide, so that the history has wrapped round.
        for (int column = 0; column < display.getAreas().plot.getWidth() + 37; ++column)
        {
            programme.playHop();
            display.timerCallback();
        }

        const auto kept = render (display, Drawing::kept, c.scale);
        const auto plain = render (display, Drawing::plain, c.scale);
        ASSERT_EQ (kept.getBounds(), plain.getBounds());

        const auto difference = compare (kept, plain);
        EXPECT_LE (difference.largest, 2) << difference.pixels << " pixels differ";

        // The kept picture is reused until something changes, and then it follows.
        EXPECT_LE (compare (render (display, Drawing::kept, c.scale), plain).largest, 2);
        programme.playHop();
        display.timerCallback();
        const auto moved = render (display, Drawing::kept, c.scale);
        EXPECT_LE (compare (moved, render (display, Drawing::plain, c.scale)).largest, 2);
        EXPECT_GT (compare (moved, kept).pixels, 0) << "a new column moves the waterfall";
    }
}

//==============================================================================
/** Records what a component asks to have repainted: JUCE hands every repaint request to the
    component's cached image, if it has one, before passing it on to a window. */
class RepaintRecorder : public juce::CachedComponentImage
{
public:
    explicit RepaintRecorder (juce::Component& c) : component (c) {}

    void paint (juce::Graphics&) override {}
    bool invalidateAll() override { areas.push_back (component.getLocalBounds()); return false; }
    bool invalidate (const juce::Rectangle<int>& area) override { areas.push_back (area); return false; }
    void releaseResources() override {}

    std::vector<juce::Rectangle<int>> areas;

private:
    juce::Component& component;
};

class SpectrogramRepaints : public ::testing::Test
{
protected:
    void SetUp() override
    {
        display.setSize (1128, 458); // a plot 998 wide
        display.setTimeZoom (10.0f);  // its newest 100 columns
        display.setVisible (true);
        recorder = new RepaintRecorder (display);
        display.setCachedComponentImage (recorder); // the display owns it
        display.onBandBypassChanged = [this] { ++bypassReports; };

        // The first frame comes after 2048 samples; the first tick has nothing to compare with.
        for (int i = 0; i < 4; ++i)
            programme.playHop();

        display.timerCallback();
        recorder->areas.clear();
        bypassReports = 0;
    }

    /** One tick, and the union of what it asked to have repainted. */
    juce::Rectangle<int> tick()
    {
        recorder->areas.clear();
        display.timerCallback();
        return requested();
    }

    juce::Rectangle<int> requested()
    {
        juce::Rectangle<int> all;

        for (const auto& area : recorder->areas)
            all = all.getUnion (area);

        recorder->areas.clear();
        return all;
    }

    QuarmontAudioProcessor processor;
    Programme programme { processor };
    SpectrogramComponent display { processor };
    RepaintRecorder* recorder = nullptr;
    int bypassReports = 0;
};

TEST_F (SpectrogramRepaints, NothingIsPaintedWhenNothingChanged)
{
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE (tick().isEmpty()) << "tick " << i;

    // A zoom that shows the same number of columns shows the same picture.
    display.setTimeZoom (10.01f);
    EXPECT_TRUE (tick().isEmpty());
    EXPECT_EQ (bypassReports, 0);
}

TEST_F (SpectrogramRepaints, ANewColumnOrAnotherZoomRepaintsThePlotOnly)
{
    const auto plot = display.getAreas().plot;

    programme.playHop();
    EXPECT_EQ (tick(), plot);
    EXPECT_TRUE (tick().isEmpty()) << "the same pair is not taken twice";

    display.setTimeZoom (6.0f);
    EXPECT_EQ (tick(), plot);
    EXPECT_TRUE (tick().isEmpty());
}

TEST_F (SpectrogramRepaints, ABandChangedByTheHostRepaintsEverythingAtTheNextTick)
{
    struct Case { const char* id; float normalised; bool isBypass; };
    const Case cases[] { { "band2_freqHigh", 0.3f, false }, { "band5_levelMin", 0.1f, false },
                         { "band1_levelMax", 0.6f, false }, { "band4_bypass", 1.0f, true },
                         { "band4_bypass", 0.0f, true } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.id);
        const auto reportsBefore = bypassReports;
        processor.apvts.getParameter (c.id)->setValueNotifyingHost (c.normalised);

        EXPECT_EQ (tick(), display.getLocalBounds());
        EXPECT_EQ (bypassReports - reportsBefore, c.isBypass ? 1 : 0);
        EXPECT_TRUE (tick().isEmpty());
    }
}

TEST_F (SpectrogramRepaints, TheViewAndTheSelectionRepaintAtOnce)
{
    display.setShowAfterGain (true);
    EXPECT_EQ (requested(), display.getLocalBounds());

    display.setSelectedBand (3);
    EXPECT_EQ (requested(), display.getLocalBounds());
    EXPECT_TRUE (tick().isEmpty());
}
} // namespace
