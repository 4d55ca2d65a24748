#include "BenchmarkScenarios.h"

#include <array>
#include <random>

namespace quarmont::bench
{
void applyAllBandsActive (const ParameterWriter& write)
{
    // freqLow, freqHigh, levelMin, levelMax, gain, attack, release, lookahead, upper knee, lower knee
    static constexpr std::array<std::array<float, 10>, numBands> bands { {
        { 20.0f, 150.0f, -60.0f, -10.0f, 6.0f, 10.0f, 200.0f, 5.0f, 6.0f, 6.0f },
        { 100.0f, 900.0f, -70.0f, -20.0f, -9.0f, 25.0f, 250.0f, 10.0f, 0.0f, 12.0f },
        { 600.0f, 3000.0f, -50.0f, 0.0f, -4.0f, 5.0f, 120.0f, 0.0f, 3.0f, 0.0f },
        { 2000.0f, 8000.0f, -80.0f, -30.0f, 3.0f, 50.0f, 800.0f, 20.0f, 10.0f, 10.0f },
        { 6000.0f, 20000.0f, -60.0f, -5.0f, -12.0f, 1.0f, 60.0f, 2.0f, 0.0f, 0.0f },
    } };

    for (int band = 1; band <= numBands; ++band)
    {
        for (int p = 0; p < bypassParam; ++p)
            write (band, (BandParameter) p, bands[(size_t) band - 1][(size_t) p]);

        write (band, bypassParam, 0.0f);
    }
}

std::vector<float> makeNoise (int length, unsigned seed)
{
    std::mt19937 generator (seed);
    std::uniform_real_distribution<float> distribution (-0.5f, 0.5f);
    std::vector<float> noise ((size_t) length);

    for (auto& x : noise)
        x = distribution (generator);

    return noise;
}
} // namespace quarmont::bench
