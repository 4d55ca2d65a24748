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

/** The raw values of every band parameter, read at one moment, [band index][BandParameter];
    0 where a parameter is missing. */
using RawBandValues = std::array<std::array<float, numBandParameters>, numBands>;

/** Reads each band parameter once. */
RawBandValues readRawBandValues (const BandParameterCache& cache) noexcept;

/** Builds the five band records from values read from the cache. */
BandSettingsArray computeBandSettings (const BandParameterCache& cache, const RawBandValues& values, double sampleRate) noexcept;

/** Builds the five band records from the current parameter values. */
BandSettingsArray computeBandSettings (const BandParameterCache& cache, double sampleRate) noexcept;
} // namespace quarmont
