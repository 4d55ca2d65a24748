// The floors: what a frame's two 2048-point transforms cost when done by FFTW directly, with
// measured plans on aligned buffers: the complex pair the frame once used, and the real-input /
// real-output pair that does the same work for a real frame. Beside them, the engine's own
// frame transform on its own. A build without FFTW has no floor to measure, only the engine's own
// transform.

#include <benchmark/benchmark.h>

#if QUARMONT_BENCH_HAS_FFTW
 #include <fftw3.h>
#endif
#include <random>
#include <vector>

#include "engine/AlignedBuffer.h"
#include "engine/EngineConstants.h"
#include "engine/RealFft.h"

namespace
{
constexpr int size = quarmont::frameLength;

void fillFrame (float* frame)
{
    std::mt19937 generator (7);
    std::uniform_real_distribution<float> distribution (-0.5f, 0.5f);

    for (int i = 0; i < size; ++i)
        frame[i] = distribution (generator);
}

#if QUARMONT_BENCH_HAS_FFTW
/** Times a forward and an inverse plan run one after the other, then destroys both. */
void timePlanPair (benchmark::State& state, fftwf_plan forward, fftwf_plan inverse, const void* output, const char* label)
{
    for (auto _ : state)
    {
        fftwf_execute (forward);
        fftwf_execute (inverse);
        benchmark::DoNotOptimize (output);
        benchmark::ClobberMemory();
    }

    state.SetLabel (label);
    fftwf_destroy_plan (forward);
    fftwf_destroy_plan (inverse);
}

void fftwFloor (benchmark::State& state)
{
    auto* input = fftwf_alloc_complex (size);
    auto* spectrum = fftwf_alloc_complex (size);
    auto* output = fftwf_alloc_complex (size);

    const auto forward = fftwf_plan_dft_1d (size, input, spectrum, FFTW_FORWARD, FFTW_MEASURE);
    const auto inverse = fftwf_plan_dft_1d (size, spectrum, output, FFTW_BACKWARD, FFTW_MEASURE);

    // Planning with FFTW_MEASURE overwrites the arrays, so the frame is filled afterwards.
    std::vector<float> frame (size);
    fillFrame (frame.data());

    for (int i = 0; i < size; ++i)
    {
        input[i][0] = frame[(size_t) i];
        input[i][1] = 0.0f;
    }

    timePlanPair (state, forward, inverse, output, "complex forward + inverse, FFTW_MEASURE");
    fftwf_free (input);
    fftwf_free (spectrum);
    fftwf_free (output);
}

void fftwRealFloor (benchmark::State& state)
{
    auto* input = fftwf_alloc_real (size);
    auto* spectrum = fftwf_alloc_complex (size / 2 + 1);
    auto* output = fftwf_alloc_real (size);

    // The real-output inverse destroys its input by default, as the frame may.
    const auto forward = fftwf_plan_dft_r2c_1d (size, input, spectrum, FFTW_MEASURE);
    const auto inverse = fftwf_plan_dft_c2r_1d (size, spectrum, output, FFTW_MEASURE);
    fillFrame (input);

    timePlanPair (state, forward, inverse, output, "r2c + c2r, FFTW_MEASURE");
    fftwf_free (input);
    fftwf_free (spectrum);
    fftwf_free (output);
}

BENCHMARK (fftwFloor);
BENCHMARK (fftwRealFloor);
#endif

void engineTransformPair (benchmark::State& state)
{
    quarmont::RealFft fft (quarmont::fftOrder);
    quarmont::AlignedVector<float> frame (size), output (size);
    quarmont::AlignedVector<std::complex<float>> bins (size / 2 + 1);
    fillFrame (frame.data());

    for (auto _ : state)
    {
        fft.forward (frame.data(), bins.data());
        fft.inverse (bins.data(), output.data());
        benchmark::DoNotOptimize (output.data());
        benchmark::ClobberMemory();
    }

    state.SetLabel (quarmont::RealFft::usesFftw() ? "the engine's forward + inverse, FFTW" : "the engine's forward + inverse, JUCE's own FFT");
}

BENCHMARK (engineTransformPair);
} // namespace
