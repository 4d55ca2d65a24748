#pragma once

#include <atomic>

#include <juce_core/juce_core.h>

#include "engine/EngineConstants.h"

namespace quarmont
{
/** The before/after display spectra of channel 0, written by the audio thread once per frame and
    read by the editor. Both arrays are only touched under the spin lock, so a reader always gets a
    matching pair; the serial tells a reader whether anything new arrived. */
class SpectrumHandoff
{
public:
    SpectrumHandoff() noexcept;

    /** Audio thread: copies both arrays in (under the lock), then bumps the serial. */
    void publish (const float* input, const float* output) noexcept;

    /** Any thread: copies the newest pair if the serial differs from lastSeenSerial. */
    bool getSpectrumSnapshot (float* inputDestination, float* outputDestination, int& lastSeenSerial) const noexcept;


private:
    mutable juce::SpinLock spectrumLock;
    float inputSpectrum[numDisplayBins];
    float outputSpectrum[numDisplayBins];
    std::atomic<int> spectrumSerial { 0 };
};
} // namespace quarmont
