// The floor: what a frame's two 2048-point complex transforms cost when done by FFTW directly,
// with measured plans on aligned buffers. Nothing a frame does can be cheaper than this.

#include <benchmark/benchmark.h>

#include <fftw3.h>
#include <random>

namespace
{
void fftwFloor (benchmark::State& state)
{
    constexpr int size = 2048;
    auto* input = fftwf_alloc_complex (size);
    auto* spectrum = fftwf_alloc_complex (size);
    auto* output = fftwf_alloc_complex (size);

    const auto forward = fftwf_plan_dft_1d (size, input, spectrum, FFTW_FORWARD, FFTW_MEASURE);
    const auto inverse = fftwf_plan_dft_1d (size, spectrum, output, FFTW_BACKWARD, FFTW_MEASURE);

    // Planning with FFTW_MEASURE overwrites the arrays, so the frame is filled afterwards.
    std::mt19937 generator (7);
    std::uniform_real_distribution<float> distribution (-0.5f, 0.5f);

    for (int i = 0; i < size; ++i)
    {
        input[i][0] = distribution (generator);
        input[i][1] = 0.0f;
    }

    for (auto _ : state)
    {
        fftwf_execute (forward);
        fftwf_execute (inverse);
        benchmark::DoNotOptimize (output);
        benchmark::ClobberMemory();
    }

    state.SetLabel ("forward + inverse, FFTW_MEASURE");
    fftwf_destroy_plan (forward);
    fftwf_destroy_plan (inverse);
    fftwf_free (input);
    fftwf_free (spectrum);
    fftwf_free (output);
}

BENCHMARK (fftwFloor);
} // namespace
