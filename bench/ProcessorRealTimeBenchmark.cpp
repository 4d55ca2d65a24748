// The real-time factor: seconds of 48 kHz stereo audio processed per CPU second through the
// processor's processBlock, in 512-sample blocks, as a host would call it. The tiny-input case
// feeds noise around 1e-30, where subnormal arithmetic would show as a drop in the factor; the
// bypassed case is the host's bypass (processBlockBypassed).

#include <benchmark/benchmark.h>

#include "processor/ParameterLayout.h"
#include "processor/PluginProcessor.h"
#include "BenchmarkScenarios.h"

namespace
{
using namespace quarmont;

void processorRealTime (benchmark::State& state, bool allBandsActive, float inputScale, bool hostBypassed)
{
    constexpr int blockSize = 512;
    constexpr int numChannels = 2;

    QuarmontAudioProcessor processor;

    if (allBandsActive)
        bench::applyAllBandsActive ([&] (int band, BandParameter p, float value)
        {
            auto* parameter = processor.apvts.getParameter (bandParameterId (band, p));
            parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
        });

    processor.prepareToPlay (bench::benchmarkSampleRate, blockSize);

    auto left = bench::makeNoise (1 << 16, 1);
    auto right = bench::makeNoise (1 << 16, 2);

    for (auto* channel : { &left, &right })
        for (auto& x : *channel)
            x *= inputScale;

    juce::AudioBuffer<float> buffer (numChannels, blockSize);
    juce::MidiBuffer midi;
    size_t position = 0;

    const auto runBlock = [&]
    {
        buffer.copyFrom (0, 0, left.data() + position, blockSize);
        buffer.copyFrom (1, 0, right.data() + position, blockSize);
        position = (position + blockSize) % left.size();
        if (hostBypassed)
            processor.processBlockBypassed (buffer, midi);
        else
            processor.processBlock (buffer, midi);
    };

    for (int i = 0; i < 200; ++i)
        runBlock();

    for (auto _ : state)
    {
        runBlock();
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
        benchmark::ClobberMemory();
    }

    // Audio seconds per iteration, turned into audio seconds per CPU second by the rate flag.
    state.counters["realtime_factor"] = benchmark::Counter (blockSize / bench::benchmarkSampleRate,
                                                            benchmark::Counter::kIsIterationInvariantRate);
    state.SetLabel ("48 kHz stereo, 512-sample blocks");
    processor.releaseResources();
}

BENCHMARK_CAPTURE (processorRealTime, default, false, 1.0f, false);
BENCHMARK_CAPTURE (processorRealTime, allBandsActive, true, 1.0f, false);
BENCHMARK_CAPTURE (processorRealTime, allBandsActive_tinyInput, true, 1.0e-30f, false);
// The host's bypass: the processing runs on underneath, so it costs what processing does.
BENCHMARK_CAPTURE (processorRealTime, allBandsActive_hostBypassed, true, 1.0f, true);
} // namespace
