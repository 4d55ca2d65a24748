#include "engine/ChannelState.h"

#include <algorithm>

namespace quarmont
{
void initialiseChannelState (ChannelState& state)
{
    state.inputFifo.assign (frameLength, 0.0f);
    state.outputAccumulator.assign (accumulatorLength, 0.0f);
    state.windowSumAccumulator.assign (accumulatorLength, 0.0f);

    for (auto& mask : state.bandMasks)
        mask.assign (numProcessedBins, 1.0f);

    state.timeBuffer.assign (frameLength, 0.0f);
    state.frequencyBuffer.assign (numProcessedBins, {});
    resetChannelState (state);
}

void resetChannelState (ChannelState& state) noexcept
{
    std::fill (state.inputFifo.begin(), state.inputFifo.end(), 0.0f);
    std::fill (state.outputAccumulator.begin(), state.outputAccumulator.end(), 0.0f);
    std::fill (state.windowSumAccumulator.begin(), state.windowSumAccumulator.end(), 0.0f);
    std::fill (state.timeBuffer.begin(), state.timeBuffer.end(), 0.0f);
    std::fill (state.frequencyBuffer.begin(), state.frequencyBuffer.end(), std::complex<float>{});

    for (auto& mask : state.bandMasks)
        std::fill (mask.begin(), mask.end(), 1.0f);

    state.bandMaskExtents.fill ({});

    state.samplesProcessed = 0;
    state.fifoWritePos = 0;
}
} // namespace quarmont
