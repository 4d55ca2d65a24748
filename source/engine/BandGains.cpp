#include "engine/BandGains.h"

#include <algorithm>
#include <cmath>

namespace quarmont
{
namespace
{
float clamp01 (float x) noexcept
{
    return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x);
}

float smoothstep (float t) noexcept
{
    return t * t * (3.0f - 2.0f * t);
}

float binLevelDb (std::complex<float> bin, float scale) noexcept
{
    const auto a = std::hypot (bin.real(), bin.imag()) * scale + 1.0e-9f;

    if (a > 0.0f)
        return std::max (20.0f * std::log10 (a), -160.0f);

    return -160.0f;
}

float frequencyWeight (const BandSettings& s, float f) noexcept
{
    if (s.lowHz >= s.highHz)
        return 0.0f;

    const auto w = std::max (s.edgeWidthHz, 0.001f);
    return std::min (clamp01 ((f - (s.lowHz - s.edgeWidthHz)) / w),
                     clamp01 ((s.edgeWidthHz + s.highHz - f) / w));
}

float levelWeight (const BandSettings& s, float level) noexcept
{
    if (s.levelMinDb >= s.levelMaxDb)
        return 0.0f;

    const auto lower = s.lowerKneeDb <= 0.0f
                           ? (level >= s.levelMinDb ? 1.0f : 0.0f)
                           : smoothstep (clamp01 ((level - s.levelMinDb) / std::max (s.lowerKneeDb, 0.001f)));
    const auto upper = s.upperKneeDb <= 0.0f
                           ? (level <= s.levelMaxDb ? 1.0f : 0.0f)
                           : smoothstep (clamp01 ((s.levelMaxDb - level) / std::max (s.upperKneeDb, 0.001f)));
    return std::min (lower, upper);
}
} // namespace

void applyBandGains (const BandSettingsArray& settings,
                     std::array<std::vector<float>, numBands>& bandMasks,
                     std::vector<std::complex<float>>& frequencyBuffer,
                     double sampleRate) noexcept
{
    const auto sr = (float) sampleRate;

    for (int i = 0; i < numProcessedBins; ++i)
    {
        const auto f = sr * (float) i * (1.0f / (float) frameLength);
        const auto scale = (i == 0 || i == numProcessedBins - 1) ? 1.0f / (float) frameLength
                                                                 : 1.0f / (float) numDisplayBins;
        const auto level = binLevelDb (frequencyBuffer[(size_t) i], scale);

        auto g = 1.0f;

        for (size_t b = 0; b < (size_t) numBands; ++b)
        {
            const auto& s = settings[b];
            auto& m = bandMasks[b][(size_t) i];
            const auto target = frequencyWeight (s, f) * levelWeight (s, level) * (s.gainLinear - 1.0f) + 1.0f;
            const auto coeff = std::abs (target - 1.0f) > std::abs (m - 1.0f) ? s.attackCoeff : s.releaseCoeff;
            m = m + (target - m) * coeff;
            g *= m;
        }

        g = std::clamp (g, 1.0e-6f, 32.0f);
        frequencyBuffer[(size_t) i] *= g;

        if (i >= 1 && i <= frameLength / 2 - 1)
            frequencyBuffer[(size_t) (frameLength - i)] *= g;
    }
}
} // namespace quarmont
