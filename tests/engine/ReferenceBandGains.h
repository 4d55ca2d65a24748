#pragma once

#include <complex>
#include <vector>

#include "engine/BandGains.h"

namespace quarmont::testing
{
/** The per-bin gain step written out plainly, one bin and one band at a time, with the standard
    library's hypot and log10: what the engine's vectorised step must agree with. */
void referenceApplyBandGains (const BandSettingsArray& settings, BandMasks& bandMasks,
                              std::vector<std::complex<float>>& spectrum, double sampleRate);

/** The display mapping written out plainly (bins 0..1023). */
void referenceDisplaySpectrum (const std::vector<std::complex<float>>& spectrum, float* displayValues);
} // namespace quarmont::testing
