// The engine's cost per STFT frame: one 512-sample hop through processChannel, which runs exactly
// one frame (analysis, transforms, band gains, overlap-add) plus the hop's per-sample steps.

#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cstring>
#include <string>

#include "engine/BandLevelingEngine.h"
#include "BenchmarkScenarios.h"
#include "EngineTestSupport.h"

namespace
{
using namespace quarmont;

using EngineParameters = quarmont::testing::BandParameterValues;

void engineFrame (benchmark::State& state, int channel, bool allBandsActive)
{
    EngineParameters parameters;

    if (allBandsActive)
        bench::applyAllBandsActive ([&] (int band, BandParameter p, float v) { parameters.values[(size_t) band - 1][(size_t) p].store (v); });

    BandLevelingEngine engine;
    engine.setParameterCache (parameters.cache);
    engine.prepare (bench::benchmarkSampleRate, 2);

    const auto noise = bench::makeNoise (1 << 16, 42);
    std::array<float, hopSize> block {};
    size_t position = 0;

    const auto nextBlock = [&]
    {
        std::memcpy (block.data(), noise.data() + position, sizeof (block));
        position = (position + hopSize) % noise.size();
    };

    // Fill the FIFO, then settle the masks, so that every timed hop runs exactly one steady frame.
    for (int i = 0; i < frameLength / hopSize + 200; ++i)
    {
        nextBlock();
        engine.processChannel (channel, block.data(), hopSize);
    }

    for (auto _ : state)
    {
        nextBlock();
        engine.processChannel (channel, block.data(), hopSize);
        benchmark::DoNotOptimize (block.data());
        benchmark::ClobberMemory();
    }

    state.SetLabel (std::string (channel == 0 ? "channel 0, with display spectra" : "channel 1")
                    + (BandLevelingEngine::usesFftw() ? ", FFTW" : ", JUCE's own FFT"));
}

BENCHMARK_CAPTURE (engineFrame, channel0_default, 0, false);
BENCHMARK_CAPTURE (engineFrame, channel1_default, 1, false);
BENCHMARK_CAPTURE (engineFrame, channel0_allBandsActive, 0, true);
BENCHMARK_CAPTURE (engineFrame, channel1_allBandsActive, 1, true);
} // namespace
