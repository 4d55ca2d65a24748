// Dragging the selected band's edges and level limits in the spectrogram: what a press grabs,
// where a drag stops, and that every drag is exactly one host gesture on the right parameter.
// The last test drags in the real window and listens to the engine.

#include <cmath>
#include <map>
#include <optional>

#include "EditorTestSupport.h"
#include "processor/ParameterLayout.h"

namespace
{
using namespace quarmont;
using quarmont::testing::mouseEventAt;
using quarmont::testing::ParameterEventRecorder;

const BandParameter keys[] { freqLowParam, freqHighParam, levelMinParam, levelMaxParam };

juce::String idOf (int bandNumber, BandParameter key) { return bandParameterId (bandNumber, key); }

class BandMapEditing : public ::testing::Test
{
protected:
    BandMapEditing()
    {
        display->setSize (1000, 400);

        for (int band = 1; band <= 3; ++band)
            for (const auto key : keys)
                recorders[idOf (band, key)] = std::make_unique<ParameterEventRecorder> (parameter (idOf (band, key)));
    }

    ~BandMapEditing() override
    {
        display.reset();
        recorders.clear();
    }

    juce::RangedAudioParameter& parameter (const juce::String& id) { return *processor.apvts.getParameter (id); }
    float raw (const juce::String& id) { return processor.apvts.getRawParameterValue (id)->load(); }

    void set (const juce::String& id, float value)
    {
        parameter (id).setValueNotifyingHost (parameter (id).convertTo0to1 (value));
        recorders[id]->events.clear();
    }

    void setBand1 (float freqLow, float freqHigh, float levelMin, float levelMax)
    {
        // The order keeps every intermediate state valid for the parameters' ranges.
        set ("band1_freqHigh", freqHigh);
        set ("band1_freqLow", freqLow);
        set ("band1_levelMax", levelMax);
        set ("band1_levelMin", levelMin);
    }

    void press (juce::Point<float> at) { display->mouseDown (mouseEventAt (*display, at)); }
    void drag (juce::Point<float> to) { display->mouseDrag (mouseEventAt (*display, to)); }
    void release (juce::Point<float> at) { display->mouseUp (mouseEventAt (*display, at)); }

    int count (const juce::String& id, const std::string& what)
    {
        const auto& events = recorders[id]->events;

        if (what == "value")
            return (int) std::count_if (events.begin(), events.end(), [] (const std::string& e) { return e.rfind ("value", 0) == 0; });

        return (int) std::count (events.begin(), events.end(), what);
    }

    const std::vector<std::string>& events (const juce::String& id) { return recorders[id]->events; }

    SpectrogramAreas areas() const { return display->getAreas(); }

    QuarmontAudioProcessor processor;
    std::unique_ptr<SpectrogramComponent> display = std::make_unique<SpectrogramComponent> (processor);
    std::map<juce::String, std::unique_ptr<ParameterEventRecorder>> recorders;
};

TEST_F (BandMapEditing, EachDragIsOneGestureOnTheGrabbedParameter)
{
    const auto plot = computeSpectrogramAreas ({ 0, 0, 1000, 400 }).plot;
    const auto scale = computeSpectrogramAreas ({ 0, 0, 1000, 400 }).levelScale;
    const auto y120 = frequencyToY (plot, 120.0f);
    const auto y600 = frequencyToY (plot, 600.0f);
    const auto cx = 917.0f;
    const auto closeMid = (levelToY (scale, -80.0f) + levelToY (scale, -79.0f)) * 0.5f;
    const auto yMax40 = levelToY (scale, -40.0f);
    using P = juce::Point<float>;

    struct Case
    {
        const char* what;
        float freqLow, freqHigh, levelMin, levelMax;
        P pressAt;
        std::vector<P> dragTo;
        std::optional<BandParameter> key; // none: the press grabs nothing
        float expected;       // the grabbed parameter's value after the last step
        float tolerance;
    };

    const Case cases[] {
        { "5 px below the 120 Hz edge: freqHigh jumps to the pointer", 20, 120, -80, 0, { 400, y120 + 5 }, {},
          freqHighParam, yToFrequency (plot, y120 + 5), 0.01f },
        { "on band 3's edge, far from band 1's: nothing", 20, 120, -80, 0, { 400, y600 }, { { 400, 100 } }, std::nullopt, 0, 0 },
        { "freqLow dragged past freqHigh stops 10 Hz below it", 20, 120, -80, 0, { 400, 389.5f }, { { 400, 250 }, { 400, 100 } },
          freqLowParam, 110.0f, 0.01f },
        { "freqHigh dragged below the plot stops at freqLow + 10", 20, 120, -80, 0, { 400, y120 }, { { 400, 350 }, { 400, 600 } },
          freqHighParam, 30.0f, 0.01f },
        { "freqHigh dragged below the plot with freqLow 500", 500, 2000, -80, 0, { 400, frequencyToY (plot, 2000) }, { { 400, 600 } },
          freqHighParam, 510.0f, 0.01f },
        { "levelMax dragged to the bottom keeps the 3 dB gap", 20, 120, -80, 0, { cx, 25 }, { { cx, 300 }, { cx, 700 } },
          levelMaxParam, -77.0f, 0.051f },
        { "levelMax dragged to the bottom with levelMin at -80 in the range column", 20, 120, -80, -30, { 965, levelToY (scale, -30) }, { { 965, 395 } },
          levelMaxParam, -77.0f, 0.051f },
        { "levelMin dragged to the top keeps the 3 dB gap", 20, 120, -80, 0, { cx, 388 }, { { cx, -100 } },
          levelMinParam, -3.0f, 0.051f },
        { "close lines: at the midpoint takes levelMax", 20, 120, -80, -79, { cx, closeMid }, {},
          levelMaxParam, -77.0f, 0.051f },
        { "close lines: below the midpoint takes levelMin, held at the range end", 20, 120, -80, -79, { cx, closeMid + 0.5f }, {},
          levelMinParam, -80.0f, 0.051f },
        { "close lines: the bottom tags take levelMin", 20, 120, -80, -79, { 965, 383 }, { { 965, 250 } },
          levelMinParam, -80.0f, 0.051f },
        { "18.03 px from levelMax's line still takes it", 20, 120, -48.7f, -40, { cx + 10, yMax40 - 15 }, {},
          levelMaxParam, yToLevel (scale, yMax40 - 15, dragLevelMax), 0.051f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        setBand1 (c.freqLow, c.freqHigh, c.levelMin, c.levelMax);

        press (c.pressAt);

        for (const auto& to : c.dragTo)
            drag (to);

        if (c.key.has_value())
        {
            EXPECT_EQ (events (idOf (1, *c.key)).front(), "begin");
        }

        release (c.dragTo.empty() ? c.pressAt : c.dragTo.back());
        EXPECT_EQ (display->getDragTarget(), dragNone);

        for (const auto key : keys)
        {
            const auto id = idOf (1, key);
            const auto grabbed = c.key == key;
            EXPECT_EQ (count (id, "begin"), grabbed ? 1 : 0) << id;
            EXPECT_EQ (count (id, "end"), grabbed ? 1 : 0) << id;

            if (grabbed)
            {
                EXPECT_GE (count (id, "value"), (int) c.dragTo.size() + 1) << id;
                EXPECT_EQ (events (id).back(), "end") << id;
                EXPECT_NEAR (raw (id), c.expected, c.tolerance) << id;
            }
            else
            {
                EXPECT_EQ (count (id, "value"), 0) << id;
            }
        }

        for (auto& [id, recorder] : recorders)
            recorder->events.clear();
    }
}

TEST_F (BandMapEditing, APressOnANewTargetClosesTheOpenGestureFirst)
{
    const auto plot = areas().plot;
    press ({ 400, frequencyToY (plot, 120.0f) });
    press ({ 400, 389.5f }); // no release in between, as after a lost mouse-up

    EXPECT_EQ (events ("band1_freqHigh").front(), "begin");
    EXPECT_EQ (events ("band1_freqHigh").back(), "end");
    EXPECT_EQ (count ("band1_freqLow", "begin"), 1);
    EXPECT_EQ (count ("band1_freqLow", "end"), 0);

    release ({ 400, 389.5f });
    EXPECT_EQ (count ("band1_freqLow", "end"), 1);
    EXPECT_EQ (count ("band1_freqHigh", "end"), 1);
}

TEST_F (BandMapEditing, DestroyingTheDisplayMidDragEndsTheGesture)
{
    press ({ 400, frequencyToY (areas().plot, 120.0f) });
    drag ({ 400, 200 });
    ASSERT_EQ (count ("band1_freqHigh", "begin"), 1);
    ASSERT_EQ (count ("band1_freqHigh", "end"), 0);

    display.reset();
    EXPECT_EQ (count ("band1_freqHigh", "end"), 1);
    EXPECT_EQ (events ("band1_freqHigh").back(), "end");
}

TEST_F (BandMapEditing, ChangingTheBandMidDragWritesToTheNewBandAndKeepsTheGesture)
{
    const auto plot = areas().plot;
    const auto band2HighBefore = raw ("band2_freqHigh");
    press ({ 400, frequencyToY (plot, 120.0f) });
    display->setSelectedBand (1);
    drag ({ 400, frequencyToY (plot, 4000.0f) });

    EXPECT_NEAR (raw ("band2_freqHigh"), 4000.0f, 1.0f);
    EXPECT_NE (raw ("band2_freqHigh"), band2HighBefore);
    EXPECT_EQ (count ("band2_freqHigh", "begin"), 0);
    EXPECT_GE (count ("band2_freqHigh", "value"), 1);
    EXPECT_EQ (count ("band1_freqHigh", "begin"), 1);
    EXPECT_EQ (count ("band1_freqHigh", "end"), 0);

    release ({ 400, 100 });
    EXPECT_EQ (count ("band1_freqHigh", "end"), 1);
    EXPECT_EQ (count ("band2_freqHigh", "end"), 0);
}

TEST_F (BandMapEditing, APressOnNothingChangesNothing)
{
    const auto before = raw ("band1_freqHigh");
    press ({ 400, 150 });
    drag ({ 400, 50 });
    release ({ 400, 50 });

    for (auto& [id, recorder] : recorders)
        EXPECT_TRUE (recorder->events.empty()) << id;

    EXPECT_FLOAT_EQ (raw ("band1_freqHigh"), before);
}

//==============================================================================
/** Dragging band 1's upper edge in the window over a 1 kHz sine: at the next frame the engine
    already pulls the sine down by band 1's gain. */
class BandMapThroughTheEditor : public quarmont::testing::EditorFixture
{
protected:
    static constexpr int sineBin = 43;

    void playHops (int count)
    {
        juce::AudioBuffer<float> buffer (2, 512);
        juce::MidiBuffer midi;

        for (int h = 0; h < count; ++h)
        {
            for (int i = 0; i < 512; ++i, ++sampleIndex)
                buffer.setSample (0, i, 0.5f * (float) std::sin (juce::MathConstants<double>::twoPi * sineBin * (double) sampleIndex / 2048.0));

            buffer.copyFrom (1, 0, buffer, 0, 0, 512);
            processor.processBlock (buffer, midi);
        }
    }

    std::pair<float, float> sineBefore()
    {
        float before[1024], after[1024];
        EXPECT_TRUE (processor.getSpectrumSnapshot (before, after, serial));
        return { before[sineBin], after[sineBin] };
    }

    juce::int64 sampleIndex = 0;
    int serial = 0;
};

TEST_F (BandMapThroughTheEditor, DraggingAnEdgeChangesWhatTheEngineDoesAtTheNextFrame)
{
    processor.setRateAndBufferSizeDetails (48000.0, 512);
    processor.prepareToPlay (48000.0, 512);
    auto& gain = parameter ("band1_gain");
    gain.setValueNotifyingHost (gain.convertTo0to1 (-24.0f));

    // Band 1 covers 20..120 Hz: the 1 kHz sine passes untouched.
    playHops (12);
    const auto untouched = sineBefore();
    EXPECT_GT (untouched.first, 0.85f);
    EXPECT_NEAR (untouched.second, untouched.first, 0.005f);

    auto& display = spectrogram();
    const auto plot = display.getAreas().plot;
    ParameterEventRecorder recorder (parameter ("band1_freqHigh"));
    display.mouseDown (mouseEventAt (display, { 300.0f, frequencyToY (plot, 120.0f) }));
    display.mouseDrag (mouseEventAt (display, { 300.0f, frequencyToY (plot, 2000.0f) }));
    display.mouseDrag (mouseEventAt (display, { 300.0f, frequencyToY (plot, 5000.0f) }));
    display.mouseUp (mouseEventAt (display, { 300.0f, frequencyToY (plot, 5000.0f) }));

    EXPECT_NEAR (rawValue ("band1_freqHigh"), 5000.0f, 1.0f);
    EXPECT_EQ (recorder.events.front(), "begin");
    EXPECT_EQ (recorder.events.back(), "end");

    // One hop is one frame: its band settings already hold the new edge.
    playHops (1);
    const auto firstFrame = sineBefore();
    EXPECT_NEAR (firstFrame.first, untouched.first, 0.005f);
    EXPECT_LT (firstFrame.second, firstFrame.first - 0.02f);

    // The gain settles at the band's -24 dB (0.24 on the display scale).
    playHops (40);
    const auto settled = sineBefore();
    EXPECT_NEAR (settled.first - settled.second, 0.24f, 0.03f);
}
} // namespace
