#include "engine/BandSettings.h"

#include <algorithm>
#include <cmath>

namespace quarmont
{
namespace
{
float clampTo (float value, float low, float high) noexcept
{
    return std::min (std::max (value, low), high);
}

bool anyValuePointerMissing (const std::array<const std::atomic<float>*, numBandParameters>& row) noexcept
{
    for (int k = 0; k < numBandParameters; ++k)
        if (k != bypassParam && row[(size_t) k] == nullptr)
            return true;

    return false;
}

BandSettings settingsFromRawValues (const std::array<const std::atomic<float>*, numBandParameters>& row,
                                    float hopSeconds) noexcept
{
    const auto raw = [&row] (BandParameter p) { return row[(size_t) p]->load (std::memory_order_relaxed); };

    BandSettings s;
    const auto freqLow = raw (freqLowParam), freqHigh = raw (freqHighParam);
    s.lowHz = clampTo (std::min (freqLow, freqHigh), 20.0f, 20000.0f);
    s.highHz = clampTo (std::max (freqLow, freqHigh), 20.0f, 20000.0f);

    const auto levelMin = raw (levelMinParam), levelMax = raw (levelMaxParam);
    s.levelMinDb = clampTo (std::min (levelMin, levelMax), -80.0f, 0.0f);
    s.levelMaxDb = clampTo (std::max (levelMin, levelMax), -80.0f, 0.0f);

    const auto gainDb = raw (gainParam);
    s.gainLinear = gainDb > -100.0f ? std::pow (10.0f, 0.05f * gainDb) : 0.0f;

    s.lookaheadMs = clampTo (raw (lookaheadParam), 0.0f, 20.0f);
    s.upperKneeDb = clampTo (raw (upperKneeParam), 0.0f, 60.0f);
    s.lowerKneeDb = clampTo (raw (lowerKneeParam), 0.0f, 60.0f);

    const auto attackSeconds = std::max (raw (attackParam) * 0.001f, 0.001f) + s.lookaheadMs * 0.001f;
    s.attackCoeff = 1.0f - std::exp (-hopSeconds / attackSeconds);
    s.releaseCoeff = 1.0f - std::exp (-hopSeconds / std::max (raw (releaseParam) * 0.001f, 0.001f));
    return s;
}
} // namespace

BandSettingsArray computeBandSettings (const BandParameterCache& cache, double sampleRate) noexcept
{
    const auto hopSeconds = (float) hopSize / (float) sampleRate;
    BandSettingsArray settings {};

    for (size_t b = 0; b < (size_t) numBands; ++b)
    {
        const auto& row = cache[b];
        const auto* bypass = row[bypassParam];

        if (bypass != nullptr && bypass->load (std::memory_order_relaxed) > 0.5f)
            continue;

        if (anyValuePointerMissing (row))
            continue;

        settings[b] = settingsFromRawValues (row, hopSeconds);
    }

    return settings;
}
} // namespace quarmont
