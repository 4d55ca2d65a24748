#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <vector>

#include "engine/EngineConstants.h"

namespace quarmont
{
/** STFT state of one audio channel: input FIFO, overlap-add rings, smoothed band masks. */
struct ChannelState
{
    std::vector<float> inputFifo;
    std::vector<float> outputAccumulator;
    std::vector<float> windowSumAccumulator;
    std::array<std::vector<float>, numBands> bandMasks;
    std::vector<std::complex<float>> timeBuffer;
    std::vector<std::complex<float>> frequencyBuffer;
    int fifoWritePos = 0;
    std::int64_t samplesProcessed = 0;
};

/** Sizes every buffer (this allocates) and resets the state. */
void initialiseChannelState (ChannelState& state);

/** Back to silence with unity masks; sizes stay, nothing is allocated. */
void resetChannelState (ChannelState& state) noexcept;
} // namespace quarmont
