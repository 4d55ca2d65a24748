#pragma once

#include <array>
#include <atomic>

#include "engine/BandSettings.h"

namespace quarmont::testing
{
/** Stand-in for the processor's parameter tree: the raw values of the 55 band parameters,
    starting at the plug-in's defaults, and a cache pointing at them. */
struct BandParameterValues
{
    BandParameterValues()
    {
        static constexpr std::array<float, numBands + 1> edges { 20.0f, 120.0f, 600.0f, 2500.0f, 7000.0f, 20000.0f };

        for (size_t b = 0; b < (size_t) numBands; ++b)
        {
            const std::array<float, numBandParameters> defaults {
                edges[b], edges[b + 1], -80.0f, 0.0f, 0.0f, 25.0f, 250.0f, 10.0f, 0.0f, 0.0f, 0.0f
            };

            for (size_t p = 0; p < (size_t) numBandParameters; ++p)
            {
                values[b][p].store (defaults[p]);
                cache[b][p] = &values[b][p];
            }
        }
    }

    /** band is 1..5, as in the parameter identifiers. */
    void set (int band, BandParameter parameter, float value) { values[(size_t) band - 1][(size_t) parameter].store (value); }

    std::array<std::array<std::atomic<float>, numBandParameters>, numBands> values;
    BandParameterCache cache {};
};
} // namespace quarmont::testing
