#pragma once

#include <complex>

namespace quarmont
{
/** Maps bins 0..1023 of a frame's spectrum to display values 0..1 (-100 dB .. 0 dB, linear in dB). */
void toDisplaySpectrum (const std::complex<float>* bins, float* displayValues) noexcept;

/** The same mapping for bins begin..end-1 only (within 0..1024), leaving the other values alone. */
void toDisplaySpectrum (const std::complex<float>* bins, float* displayValues, int begin, int end) noexcept;

/** The same mapping from levels already measured by measureAmplitudeDecibels (bins 0..1023). */
void toDisplaySpectrum (const float* amplitudeDb, float* displayValues) noexcept;
} // namespace quarmont
