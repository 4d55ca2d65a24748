// The spectrogram's cost on the message thread: one timer tick (snapshot, two column pushes,
// repaint request), one full paint into an image while the kept waterfall picture is current,
// and a new column followed by a full paint (the picture stretched anew), at the size the display
// has in a window of the default size (1128 x 458), at that size on a HiDPI screen (content
// scale 2) and at 2400 x 1600, each with the Width dial at 4 and at 20.

#include <benchmark/benchmark.h>

#include <cmath>

#include "editor/SpectrogramComponent.h"
#include "engine/EngineConstants.h"
#include "processor/PluginProcessor.h"
#include "BenchmarkScenarios.h"

namespace
{
using namespace quarmont;

constexpr int hop = quarmont::hopSize;

/** A processor that has published a pair, and a display of the given size whose waterfall is full. */
struct LiveDisplay
{
    LiveDisplay (int width, int height, float zoom)
    {
        processor.setRateAndBufferSizeDetails (bench::benchmarkSampleRate, hop);
        processor.prepareToPlay (bench::benchmarkSampleRate, hop);
        display.setSize (width, height);
        display.setTimeZoom (zoom);

        for (int c = 0; c < display.getAreas().plot.getWidth() + 4; ++c)
            playHop();
    }

    /** One hop of noise plus a slow sweep: one new frame, one new column at the next tick. */
    void playHop()
    {
        for (int i = 0; i < hop; ++i, ++sampleIndex)
        {
            const auto frequency = 20.0 * std::pow (1000.0, std::fmod ((double) sampleIndex / (240.0 * hop), 1.0));
            phase = std::fmod (phase + juce::MathConstants<double>::twoPi * frequency / bench::benchmarkSampleRate,
                               juce::MathConstants<double>::twoPi);
            buffer.setSample (0, i, 0.5f * (float) std::sin (phase) + noise[(size_t) (sampleIndex % (juce::int64) noise.size())]);
        }

        buffer.copyFrom (1, 0, buffer, 0, 0, hop);
        processor.processBlock (buffer, midi);
        display.timerCallback();
    }

    QuarmontAudioProcessor processor;
    SpectrogramComponent display { processor };
    juce::AudioBuffer<float> buffer { 2, hop };
    juce::MidiBuffer midi;
    std::vector<float> noise = bench::makeNoise (1 << 16, 3);
    juce::int64 sampleIndex = 0;
    double phase = 0.0;
};

void spectrogramTick (benchmark::State& state, int width, int height)
{
    LiveDisplay live (width, height, 4.0f);

    for (auto _ : state)
    {
        // The audio is not part of the tick: the engine publishes on the audio thread.
        state.PauseTiming();
        live.processor.processBlock (live.buffer, live.midi);
        state.ResumeTiming();

        live.display.timerCallback();
    }

    state.SetLabel ((juce::String (width) + " x " + juce::String (height) + ", a new pair every tick").toStdString());
}

void spectrogramPaint (benchmark::State& state, int width, int height, float zoom)
{
    LiveDisplay live (width, height, zoom);
    juce::Image target (juce::Image::RGB, width, height, true);

    for (auto _ : state)
    {
        juce::Graphics g (target);
        live.display.paint (g);
        benchmark::ClobberMemory();
    }

    state.SetLabel ((juce::String (width) + " x " + juce::String (height) + ", Width " + juce::String (zoom, 0)).toStdString());
}

/** What each new column costs while the window is open: the tick that takes it, then the paint
    of the whole display, which stretches the kept waterfall picture anew. */
void spectrogramColumnAndPaint (benchmark::State& state, int width, int height, float zoom, float scale)
{
    LiveDisplay live (width, height, zoom);
    juce::Image target (juce::Image::ARGB, juce::roundToInt ((float) width * scale), juce::roundToInt ((float) height * scale), true);

    for (auto _ : state)
    {
        state.PauseTiming();
        live.processor.processBlock (live.buffer, live.midi);
        state.ResumeTiming();

        live.display.timerCallback();
        juce::Graphics g (target);
        g.addTransform (juce::AffineTransform::scale (scale));
        live.display.paint (g);
        benchmark::ClobberMemory();
    }

    state.SetLabel ((juce::String (width) + " x " + juce::String (height) + " at scale " + juce::String (scale, 0)
                     + ", Width " + juce::String (zoom, 0)).toStdString());
}

/** The scaled waterfall alone, as paint draws it: how much of a paint is the image stretch. */
void spectrogramWaterfallOnly (benchmark::State& state, int width, int height, float zoom)
{
    LiveDisplay live (width, height, zoom);
    juce::Image target (juce::Image::RGB, width, height, true);
    const auto plot = live.display.getAreas().plot;
    const auto& image = live.display.getBeforeImage();
    const auto source = newestColumns (image.getWidth(), image.getHeight(), zoom);

    for (auto _ : state)
    {
        juce::Graphics g (target);
        g.drawImage (image, plot.getX(), plot.getY(), plot.getWidth(), plot.getHeight(),
                     source.getX(), source.getY(), source.getWidth(), source.getHeight(), false);
        benchmark::ClobberMemory();
    }
}

BENCHMARK_CAPTURE (spectrogramTick, defaultWindow, 1128, 458)->Unit (benchmark::kMicrosecond);
BENCHMARK_CAPTURE (spectrogramTick, largest, 2400, 1600)->Unit (benchmark::kMicrosecond);
BENCHMARK_CAPTURE (spectrogramPaint, defaultWindow_width4, 1128, 458, 4.0f)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (spectrogramPaint, defaultWindow_width20, 1128, 458, 20.0f)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (spectrogramPaint, largest_width4, 2400, 1600, 4.0f)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (spectrogramPaint, largest_width20, 2400, 1600, 20.0f)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (spectrogramColumnAndPaint, defaultWindow_width4, 1128, 458, 4.0f, 1.0f)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (spectrogramColumnAndPaint, defaultWindow_width20, 1128, 458, 20.0f, 1.0f)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (spectrogramColumnAndPaint, defaultWindowScale2_width4, 1128, 458, 4.0f, 2.0f)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (spectrogramColumnAndPaint, largest_width4, 2400, 1600, 4.0f, 1.0f)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (spectrogramWaterfallOnly, defaultWindow_width4, 1128, 458, 4.0f)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (spectrogramWaterfallOnly, largest_width4, 2400, 1600, 4.0f)->Unit (benchmark::kMillisecond);
} // namespace
