#include "engine/DisplaySpectrum.h"

#include "engine/BandGains.h"
#include "engine/BandMath.h"

namespace quarmont
{
void toDisplaySpectrum (const std::complex<float>* bins, float* displayValues) noexcept
{
    // Two passes, each simple enough for the compiler to vectorise.
    float amplitudeDb[numDisplayBins];
    measureAmplitudeDecibels (bins, amplitudeDb, numDisplayBins);
    toDisplaySpectrum (amplitudeDb, displayValues);
}

void toDisplaySpectrum (const float* __restrict amplitudeDb, float* __restrict displayValues) noexcept
{
    for (int i = 0; i < numDisplayBins; ++i)
        displayValues[i] = displayValue (amplitudeDb[i]);
}
} // namespace quarmont
