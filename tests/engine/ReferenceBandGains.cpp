#include "ReferenceBandGains.h"

#include <algorithm>
#include <cmath>

namespace quarmont::testing
{
namespace
{
float clampUnit (float x)
{
    return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x);
}

float smooth (float t)
{
    return t * t * (3.0f - 2.0f * t);
}

float referenceFrequencyWeight (const BandSettings& r, float f)
{
    if (r.lowHz >= r.highHz)
        return 0.0f;

    const auto w = std::max (r.edgeWidthHz, 0.001f);
    return std::min (clampUnit ((f - (r.lowHz - r.edgeWidthHz)) / w), clampUnit ((r.edgeWidthHz + r.highHz - f) / w));
}

float referenceLevelWeight (const BandSettings& r, float level)
{
    if (r.levelMinDb >= r.levelMaxDb)
        return 0.0f;

    const auto lower = r.lowerKneeDb <= 0.0f ? (level >= r.levelMinDb ? 1.0f : 0.0f)
                                             : smooth (clampUnit ((level - r.levelMinDb) / std::max (r.lowerKneeDb, 0.001f)));
    const auto upper = r.upperKneeDb <= 0.0f ? (level <= r.levelMaxDb ? 1.0f : 0.0f)
                                             : smooth (clampUnit ((r.levelMaxDb - level) / std::max (r.upperKneeDb, 0.001f)));
    return std::min (lower, upper);
}
} // namespace

void referenceApplyBandGains (const BandSettingsArray& settings, BandMasks& bandMasks,
                              std::vector<std::complex<float>>& spectrum, double sampleRate)
{
    const auto sr = (float) sampleRate;

    for (int i = 0; i <= 1024; ++i)
    {
        const auto f = sr * (float) i * (1.0f / 2048.0f);
        const auto s = (i == 0 || i == 1024) ? 1.0f / 2048.0f : 1.0f / 1024.0f;
        const auto a = std::hypot (spectrum[(size_t) i].real(), spectrum[(size_t) i].imag()) * s + 1.0e-9f;
        const auto level = a > 0.0f ? std::max (20.0f * std::log10 (a), -160.0f) : -160.0f;

        auto g = 1.0f;

        for (size_t b = 0; b < 5; ++b)
        {
            const auto& r = settings[b];
            auto& m = bandMasks[b][(size_t) i];
            const auto t = referenceFrequencyWeight (r, f) * referenceLevelWeight (r, level) * (r.gainLinear - 1.0f) + 1.0f;
            const auto coeff = std::abs (t - 1.0f) > std::abs (m - 1.0f) ? r.attackCoeff : r.releaseCoeff;
            m = m + (t - m) * coeff;
            g = g * m;
        }

        if (g < 1.0e-6f) g = 1.0e-6f;
        if (g > 32.0f) g = 32.0f;

        spectrum[(size_t) i] *= g;

        if (i >= 1 && i <= 1023)
            spectrum[(size_t) (2048 - i)] *= g;
    }
}

void referenceDisplaySpectrum (const std::vector<std::complex<float>>& spectrum, float* displayValues)
{
    for (int i = 0; i < 1024; ++i)
    {
        const auto s = i == 0 ? 1.0f / 2048.0f : 1.0f / 1024.0f;
        const auto a = std::hypot (spectrum[(size_t) i].real(), spectrum[(size_t) i].imag()) * s + 1.0e-9f;
        const auto level = a > 0.0f ? std::max (20.0f * std::log10 (a), -100.0f) : -100.0f;
        displayValues[i] = std::clamp ((level + 100.0f) / 100.0f, 0.0f, 1.0f);
    }
}
} // namespace quarmont::testing
