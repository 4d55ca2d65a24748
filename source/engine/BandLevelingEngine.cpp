#include "engine/BandLevelingEngine.h"

#include "engine/BandGains.h"
#include "engine/DisplaySpectrum.h"
#include "engine/HannWindow.h"

namespace quarmont
{
BandLevelingEngine::BandLevelingEngine()
{
    // Built here as well as in prepare(), so that a host calling processBlock before
    // prepareToPlay still gets a working (and safe) audio path.
    fillSymmetricHann (analysisWindow, frameLength);
    fillSymmetricHann (synthesisWindow, frameLength);
}

void BandLevelingEngine::prepare (double sampleRate, int numChannels)
{
    engineSampleRate = sampleRate > 0.0 ? sampleRate : 44100.0;
    fillSymmetricHann (analysisWindow, frameLength);
    fillSymmetricHann (synthesisWindow, frameLength);

    channelStates.clear();
    channelStates.resize ((size_t) std::max (numChannels, 0));

    for (auto& state : channelStates)
        initialiseChannelState (state);
}

void BandLevelingEngine::reset() noexcept
{
    for (auto& state : channelStates)
        resetChannelState (state);
}

void BandLevelingEngine::ensureChannels (int numChannels)
{
    if ((int) channelStates.size() >= numChannels)
        return;

    const auto firstAdded = channelStates.size();
    channelStates.resize ((size_t) numChannels);

    for (auto i = firstAdded; i < channelStates.size(); ++i)
        initialiseChannelState (channelStates[i]);
}

void BandLevelingEngine::processChannel (int channel, float* samples, int numSamples) noexcept
{
    auto& state = channelStates[(size_t) channel];
    const auto isFirstChannel = channel == 0;

    for (int n = 0; n < numSamples; ++n)
        samples[n] = processSample (state, samples[n], isFirstChannel);
}

float BandLevelingEngine::processSample (ChannelState& state, float input, bool isFirstChannel) noexcept
{
    const auto n = state.samplesProcessed;

    state.inputFifo[(size_t) state.fifoWritePos] = input;
    state.fifoWritePos = (state.fifoWritePos + 1) % frameLength;

    if (n + 1 >= frameLength && (n + 1 - frameLength) % hopSize == 0)
        processFrame (state, isFirstChannel);

    auto output = 0.0f;

    if (n >= frameLength && ! state.outputAccumulator.empty() && ! state.windowSumAccumulator.empty())
    {
        const auto ringLength = (std::int64_t) state.outputAccumulator.size();
        const auto p = (size_t) ((n - frameLength) % ringLength);
        const auto accumulated = state.outputAccumulator[p];
        const auto windowSum = state.windowSumAccumulator[p];

        if (windowSum > 1.0e-6f)
            output = accumulated / windowSum;

        state.outputAccumulator[p] = 0.0f;
        state.windowSumAccumulator[p] = 0.0f;
    }

    state.samplesProcessed = n + 1;
    return output;
}

void BandLevelingEngine::processFrame (ChannelState& state, bool isFirstChannel) noexcept
{
    const auto newest = state.samplesProcessed;
    const auto start = newest - (frameLength - 1);

    if (start < 0)
        return;

    const auto settings = computeBandSettings (bandParameterCache, engineSampleRate);

    for (int k = 0; k < frameLength; ++k)
    {
        const auto sample = state.inputFifo[(size_t) ((state.fifoWritePos + k) % frameLength)];
        state.timeBuffer[(size_t) k] = { sample * analysisWindow[(size_t) k], 0.0f };
    }

    fft.perform (state.timeBuffer.data(), state.frequencyBuffer.data(), false);

    float inputDisplay[numDisplayBins] = {};
    float outputDisplay[numDisplayBins] = {};

    if (isFirstChannel)
        toDisplaySpectrum (state.frequencyBuffer.data(), inputDisplay);

    applyBandGains (settings, state.bandMasks, state.frequencyBuffer, engineSampleRate);

    if (isFirstChannel)
    {
        toDisplaySpectrum (state.frequencyBuffer.data(), outputDisplay);
        spectrumHandoff.publish (inputDisplay, outputDisplay);
    }

    fft.perform (state.frequencyBuffer.data(), state.timeBuffer.data(), true);

    const auto ringLength = (std::int64_t) state.outputAccumulator.size();

    for (int k = 0; k < frameLength; ++k)
    {
        const auto p = (size_t) ((start + k) % ringLength);
        state.outputAccumulator[p] += synthesisWindow[(size_t) k] * state.timeBuffer[(size_t) k].real();
        state.windowSumAccumulator[p] += synthesisWindow[(size_t) k] * analysisWindow[(size_t) k];
    }
}
} // namespace quarmont
