#include "engine/SpectrumHandoff.h"

#include <algorithm>

namespace quarmont
{
SpectrumHandoff::SpectrumHandoff() noexcept
{
    std::fill (std::begin (inputSpectrum), std::end (inputSpectrum), 0.0f);
    std::fill (std::begin (outputSpectrum), std::end (outputSpectrum), 0.0f);
}

void SpectrumHandoff::publish (const float* input, const float* output) noexcept
{
    {
        const juce::SpinLock::ScopedLockType lock (spectrumLock);
        std::copy (input, input + numDisplayBins, inputSpectrum);
        std::copy (output, output + numDisplayBins, outputSpectrum);
    }

    spectrumSerial.fetch_add (1);
}

bool SpectrumHandoff::getSpectrumSnapshot (float* inputDestination, float* outputDestination,
                                           int& lastSeenSerial) const noexcept
{
    const auto serial = spectrumSerial.load();

    if (serial == lastSeenSerial)
        return false;

    {
        const juce::SpinLock::ScopedLockType lock (spectrumLock);
        std::copy (std::begin (inputSpectrum), std::end (inputSpectrum), inputDestination);
        std::copy (std::begin (outputSpectrum), std::end (outputSpectrum), outputDestination);
    }

    lastSeenSerial = serial;
    return true;
}
} // namespace quarmont
