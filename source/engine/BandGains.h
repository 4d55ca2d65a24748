#pragma once

#include <complex>
#include <vector>

#include "engine/BandSettings.h"
#include "engine/ChannelState.h"

namespace quarmont
{
/** Scales bins 0..1024 of the spectrum by the product of the five smoothed band gains (mirroring
    bins 1..1023 onto 2047..1025) and advances the channel's band masks by one frame. */
void applyBandGains (const BandSettingsArray& settings,
                     std::array<std::vector<float>, numBands>& bandMasks,
                     std::vector<std::complex<float>>& frequencyBuffer,
                     double sampleRate) noexcept;
} // namespace quarmont
