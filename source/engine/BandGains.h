#pragma once

#include <array>
#include <complex>
#include <vector>

#include "engine/BandSettings.h"
#include "engine/ChannelState.h"

namespace quarmont
{
using BandMasks = std::array<std::vector<float>, numBands>;

/** 20 log10 (|X[i]| s + 1e-9) for bins 0..count-1, minus infinity where the amplitude is not a
    positive number (a NaN bin); see amplitudeDecibels. Measured once per frame and shared by the
    band gains and the before-gain display. */
void measureAmplitudeDecibels (const std::complex<float>* bins, float* amplitudeDb, int count) noexcept;

/** True when some band can pull a bin away from unity in this frame, and so needs the bin levels. */
bool anyBandNeedsLevels (const BandSettingsArray& settings) noexcept;

/** Scales bins 0..1024 of the spectrum by the product of the five smoothed band gains (mirroring
    bins 1..1023 onto 2047..1025) and advances the channel's band masks by one frame.
    amplitudeDb holds measureAmplitudeDecibels of the spectrum's bins 0..1024; it is only read when
    anyBandNeedsLevels. binGains is scratch for 1025 values. Returns false when every band was
    provably neutral, in which case neither the spectrum nor the masks changed. */
bool applyBandGains (const BandSettingsArray& settings,
                     BandMasks& bandMasks,
                     std::vector<std::complex<float>>& frequencyBuffer,
                     double sampleRate,
                     const float* amplitudeDb,
                     float* binGains) noexcept;

/** The same step on its own: measures the levels itself, with scratch on the stack. */
void applyBandGains (const BandSettingsArray& settings,
                     BandMasks& bandMasks,
                     std::vector<std::complex<float>>& frequencyBuffer,
                     double sampleRate) noexcept;
} // namespace quarmont
