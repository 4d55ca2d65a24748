#include "engine/DisplaySpectrum.h"

#include <algorithm>
#include <cmath>

#include "engine/EngineConstants.h"

namespace quarmont
{
void toDisplaySpectrum (const std::complex<float>* bins, float* displayValues) noexcept
{
    for (int i = 0; i < numDisplayBins; ++i)
    {
        const auto scale = i == 0 ? 1.0f / (float) frameLength : 1.0f / (float) numDisplayBins;
        const auto a = std::hypot (bins[i].real(), bins[i].imag()) * scale + 1.0e-9f;
        const auto level = a > 0.0f ? std::max (20.0f * std::log10 (a), -100.0f) : -100.0f;
        displayValues[i] = std::clamp ((level + 100.0f) / 100.0f, 0.0f, 1.0f);
    }
}
} // namespace quarmont
