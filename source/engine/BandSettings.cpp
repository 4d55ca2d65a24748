#include "engine/BandSettings.h"

#include <algorithm>
#include <cmath>

namespace quarmont
{
namespace
{
using ParameterRow = std::array<const std::atomic<float>*, numBandParameters>;
using ValueRow = std::array<float, numBandParameters>;

float clampTo (float value, float low, float high) noexcept
{
    return std::min (std::max (value, low), high);
}

bool anyValuePointerMissing (const ParameterRow& row) noexcept
{
    for (int k = 0; k < numBandParameters; ++k)
        if (k != bypassParam && row[(size_t) k] == nullptr)
            return true;

    return false;
}

bool allFinite (const BandSettings& s) noexcept
{
    for (const auto value : { s.lowHz, s.highHz, s.levelMinDb, s.levelMaxDb, s.gainLinear, s.attackCoeff,
                              s.releaseCoeff, s.lookaheadMs, s.upperKneeDb, s.lowerKneeDb, s.edgeWidthHz })
        if (! std::isfinite (value))
            return false;

    return true;
}

/** The band's record, or the neutral record when a value is damaged: min, max and the clamps
    would carry a NaN straight into the coefficients and weights, and from there into masks that
    keep it until a reset. A gain beyond float range would do the same through an infinite factor. */
BandSettings settingsFromRawValues (const ValueRow& raw, float hopSeconds) noexcept
{
    for (size_t k = 0; k < (size_t) bypassParam; ++k)
        if (! std::isfinite (raw[k]))
            return {};

    BandSettings s;
    const auto freqLow = raw[freqLowParam], freqHigh = raw[freqHighParam];
    s.lowHz = clampTo (std::min (freqLow, freqHigh), 20.0f, 20000.0f);
    s.highHz = clampTo (std::max (freqLow, freqHigh), 20.0f, 20000.0f);

    const auto levelMin = raw[levelMinParam], levelMax = raw[levelMaxParam];
    s.levelMinDb = clampTo (std::min (levelMin, levelMax), -80.0f, 0.0f);
    s.levelMaxDb = clampTo (std::max (levelMin, levelMax), -80.0f, 0.0f);

    const auto gainDb = raw[gainParam];
    s.gainLinear = gainDb > -100.0f ? std::pow (10.0f, 0.05f * gainDb) : 0.0f;

    s.lookaheadMs = clampTo (raw[lookaheadParam], 0.0f, 20.0f);
    s.upperKneeDb = clampTo (raw[upperKneeParam], 0.0f, 60.0f);
    s.lowerKneeDb = clampTo (raw[lowerKneeParam], 0.0f, 60.0f);

    // The lookahead lengthens the attack: there is no delay line to look ahead with.
    const auto attackSeconds = std::max (raw[attackParam] * 0.001f, 0.001f) + s.lookaheadMs * 0.001f;
    s.attackCoeff = 1.0f - std::exp (-hopSeconds / attackSeconds);
    s.releaseCoeff = 1.0f - std::exp (-hopSeconds / std::max (raw[releaseParam] * 0.001f, 0.001f));

    return allFinite (s) ? s : BandSettings {};
}
} // namespace

RawBandValues readRawBandValues (const BandParameterCache& cache) noexcept
{
    RawBandValues values {};

    for (size_t b = 0; b < (size_t) numBands; ++b)
        for (size_t k = 0; k < (size_t) numBandParameters; ++k)
            if (const auto* parameter = cache[b][k]; parameter != nullptr)
                values[b][k] = parameter->load (std::memory_order_relaxed);

    return values;
}

BandSettingsArray computeBandSettings (const BandParameterCache& cache, const RawBandValues& values, double sampleRate) noexcept
{
    // The masks advance once per hop, so the coefficients turn real time into time per hop.
    const auto hopSeconds = (float) hopSize / (float) sampleRate;
    BandSettingsArray settings {};

    for (size_t b = 0; b < (size_t) numBands; ++b)
    {
        const auto& row = cache[b];

        if (anyValuePointerMissing (row))
            continue;

        if (row[bypassParam] != nullptr)
        {
            const auto bypassValue = values[b][bypassParam];

            // A damaged bypass value says nothing about what the band should do: leave it neutral.
            if (bypassValue > 0.5f || ! std::isfinite (bypassValue))
                continue;
        }

        settings[b] = settingsFromRawValues (values[b], hopSeconds);
    }

    return settings;
}

BandSettingsArray computeBandSettings (const BandParameterCache& cache, double sampleRate) noexcept
{
    return computeBandSettings (cache, readRawBandValues (cache), sampleRate);
}
} // namespace quarmont
