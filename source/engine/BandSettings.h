#pragma once

#include <array>
#include <atomic>

#include "engine/EngineConstants.h"

namespace quarmont
{
/** One band's settings for one frame, sanitised from the raw parameter values. */
struct BandSettings
{
    float lowHz = 20.0f;
    float highHz = 20000.0f;
    float levelMinDb = -80.0f;
    float levelMaxDb = 0.0f;
    float gainLinear = 1.0f;
    float attackCoeff = 1.0f;
    float releaseCoeff = 1.0f;
    float lookaheadMs = 10.0f;
    float upperKneeDb = 0.0f;
    float lowerKneeDb = 0.0f;
    float edgeWidthHz = 150.0f;
};

using BandSettingsArray = std::array<BandSettings, numBands>;

/** Pointers to the raw parameter values, [band index][BandParameter]; null where a parameter is missing. */
using BandParameterCache = std::array<std::array<const std::atomic<float>*, numBandParameters>, numBands>;

/** Builds the five band records from the current parameter values (once per frame). */
BandSettingsArray computeBandSettings (const BandParameterCache& cache, double sampleRate) noexcept;
} // namespace quarmont
