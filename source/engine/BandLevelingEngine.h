#pragma once

#include <array>
#include <vector>

#include "engine/BandGains.h"
#include "engine/BandSettings.h"
#include "engine/ChannelState.h"
#include "engine/RealFft.h"
#include "engine/SpectrumHandoff.h"

namespace quarmont
{
/** The whole audio path: per-channel STFT analysis, band gains, overlap-add resynthesis, and the
    display spectra of channel 0. Output is the input delayed by exactly latencySamples.

    Threading: everything but getSpectrumSnapshot runs on the audio thread (or while audio is
    stopped); parameter values are read once per frame through the atomic cache. */
class BandLevelingEngine
{
public:
    BandLevelingEngine();

    /** Points the engine at the raw parameter values; called once, before audio starts. */
    void setParameterCache (const BandParameterCache& cache) noexcept
    {
        bandParameterCache = cache;
        planIsCurrent = false;
    }

    /** Rebuilds the windows and one fresh channel state per channel (allocates). */
    void prepare (double sampleRate, int numChannels);

    /** Resets every channel state in place; no memory is released. */
    void reset() noexcept;

    /** The channels prepare() made states for; the audio thread never adds any. */
    int getNumChannels() const noexcept { return (int) channelStates.size(); }

    /** Processes one channel's block in place. The channel must be below getNumChannels(). */
    void processChannel (int channel, float* samples, int numSamples) noexcept;

    /** True when the transforms run on FFTW rather than on JUCE's own FFT (a build-time choice). */
    static bool usesFftw() noexcept { return RealFft::usesFftw(); }

    bool getSpectrumSnapshot (float* inputDestination, float* outputDestination, int& lastSeenSerial) const noexcept
    {
        return spectrumHandoff.getSpectrumSnapshot (inputDestination, outputDestination, lastSeenSerial);
    }

private:
    // The engine tests read the band masks of the channel states, which nothing else may see.
    friend class BandLevelingEngineTestPeer;

    void processRun (ChannelState& state, float* samples, int numSamples, bool isFirstChannel) noexcept;
    void processFrame (ChannelState& state, bool isFirstChannel) noexcept;
    const BandPlan& currentBandPlan() noexcept;

    RealFft fft { fftOrder };
    std::vector<ChannelState> channelStates;
    AlignedVector<float> analysisWindow, synthesisWindow;
    AlignedVector<float> windowProduct; // synthesis x analysis, what each frame adds to the window sum
    BandParameterCache bandParameterCache {};
    SpectrumHandoff spectrumHandoff;
    // The band plan of the last frame and the values it was made from: most frames find the values
    // unchanged. Shared by the channels, whose frames fall at the same instants.
    RawBandValues planSource {};
    BandPlan bandPlan;
    bool planIsCurrent = false;
    double engineSampleRate = 44100.0;

    // Per-frame scratch, kept here so that a frame allocates nothing.
    alignas (64) std::array<float, numProcessedBins> amplitudeDb {};
    alignas (64) std::array<float, numProcessedBins> binGains {};
};
} // namespace quarmont
