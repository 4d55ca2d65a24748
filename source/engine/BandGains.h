#pragma once

#include <array>
#include <complex>
#include <vector>

#include "engine/BandSettings.h"
#include "engine/ChannelState.h"

namespace quarmont
{
using BandMasks = std::array<AlignedVector<float>, numBands>;
using BandMaskExtents = std::array<BinRange, numBands>;

/** 20 log10 (|X[i]| s + 1e-9) for bins begin..end-1, minus infinity where the amplitude is not a
    positive number (a NaN bin); see amplitudeDecibels. Measured once per frame and shared by the
    band gains and the before-gain display. */
void measureAmplitudeDecibels (const std::complex<float>* bins, float* amplitudeDb, int begin, int end) noexcept;

inline void measureAmplitudeDecibels (const std::complex<float>* bins, float* amplitudeDb, int count) noexcept
{
    measureAmplitudeDecibels (bins, amplitudeDb, 0, count);
}

/** Where each band can work in a frame. pull: the bins inside its ramps, where its target can
    differ from 1 (empty for a band that cannot pull a bin away from unity); blocks: pull widened
    to whole blocks of 16 bins, which its loops work through. */
struct BandBins
{
    BinRange pull;
    BinRange blocks;
};

/** The five settings records of a frame with the bins they work on. Finding the bins costs more
    than a frame's band step, so the engine keeps a plan for as long as the parameter values stay
    the same. */
struct BandPlan
{
    BandSettingsArray settings {};
    std::array<BandBins, numBands> bands {};
    alignas (64) std::array<std::array<float, numProcessedBins>, numBands> frequencyWeights {}; // over each band's blocks
    BinRange levels;  // the bins whose levels some band reads: every band's blocks
};

/** Plans the band step for these settings. */
void planBands (BandPlan& plan, const BandSettingsArray& settings, double sampleRate) noexcept;

/** Scales bins 0..1024 of the spectrum by the product of the five smoothed band gains and advances
    the channel's band masks by one frame. (The bins above 1024 of a real frame's spectrum mirror
    these and are implied by the transform.)

    bandMaskExtents must bound the masks that are not exactly 1 (see ChannelState), and are kept
    so; the bins outside them and outside every band's blocks are skipped, which gives the same bits as
    working through them. amplitudeDb holds measureAmplitudeDecibels of the spectrum over at least
    plan.levels; binGains is scratch for 1025 values. Returns the bins that may have changed;
    every bin outside it was left exactly as it was. */
BinRange applyBandGains (const BandPlan& plan,
                         BandMasks& bandMasks,
                         BandMaskExtents& bandMaskExtents,
                         std::complex<float>* bins,
                         const float* amplitudeDb,
                         float* binGains) noexcept;

} // namespace quarmont
