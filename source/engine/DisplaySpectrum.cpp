#include "engine/DisplaySpectrum.h"

#include <algorithm>

#include "engine/BandGains.h"
#include "engine/BandMath.h"
#include "engine/VectorClones.h"

namespace quarmont
{
void toDisplaySpectrum (const std::complex<float>* bins, float* displayValues) noexcept
{
    toDisplaySpectrum (bins, displayValues, 0, numDisplayBins);
}

void toDisplaySpectrum (const std::complex<float>* bins, float* __restrict displayValues, int begin, int end) noexcept
{
    end = std::min (end, numDisplayBins);

    // Two passes, each simple enough for the compiler to vectorise.
    float amplitudeDb[numDisplayBins];
    measureAmplitudeDecibels (bins, amplitudeDb, begin, end);

    for (int i = begin; i < end; ++i)
        displayValues[i] = displayValue (amplitudeDb[i]);
}

QUARMONT_VECTOR_CLONES
void toDisplaySpectrum (const float* __restrict amplitudeDb, float* __restrict displayValues) noexcept
{
    for (int i = 0; i < numDisplayBins; ++i)
        displayValues[i] = displayValue (amplitudeDb[i]);
}
} // namespace quarmont
