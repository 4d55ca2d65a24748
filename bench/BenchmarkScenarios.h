#pragma once

#include <functional>
#include <vector>

#include "engine/EngineConstants.h"

namespace quarmont::bench
{
/** Writes one raw parameter value; band is 1..5, as in the parameter identifiers. */
using ParameterWriter = std::function<void (int band, BandParameter parameter, float value)>;

/** Every band with a non-zero gain, overlapping ranges, level windows that catch noise and soft
    knees, so that every band does its full per-bin work in every frame. */
void applyAllBandsActive (const ParameterWriter& write);

/** Uniform noise in -0.5 .. 0.5: its bins sit around -42 dB, inside the active bands' windows. */
std::vector<float> makeNoise (int length, unsigned seed);

constexpr double benchmarkSampleRate = 48000.0;
} // namespace quarmont::bench
