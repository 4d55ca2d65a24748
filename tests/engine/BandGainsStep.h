#pragma once

#include "engine/BandGains.h"

namespace quarmont::testing
{
/** One band step on its own, as a frame runs it: plans the bands for these settings, measures the
    levels of bins 0..1024 and applies the gains. Allocates its plan and scratch, unlike a frame. */
BinRange planAndApplyBandGains (const BandSettingsArray& settings,
                                BandMasks& bandMasks,
                                BandMaskExtents& bandMaskExtents,
                                std::complex<float>* bins,
                                double sampleRate);

/** Extents that claim every bin of every band: with them the step works through every bin. */
BandMaskExtents fullMaskExtents();
} // namespace quarmont::testing
