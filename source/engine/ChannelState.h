#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <vector>

#include "engine/AlignedBuffer.h"
#include "engine/EngineConstants.h"

namespace quarmont
{
/** A run of bins, begin .. end - 1; empty when end <= begin. */
struct BinRange
{
    int begin = 0;
    int end = 0;

    bool isEmpty() const noexcept { return end <= begin; }
};

/** STFT state of one audio channel: input FIFO, overlap-add rings, smoothed band masks.
    The frame buffers hold the real frame and its bins 0..1024, aligned for the transform; every
    buffer starts on a cache line, so that the vector loops over them never split a line. */
struct ChannelState
{
    AlignedVector<float> inputFifo;
    AlignedVector<float> outputAccumulator;
    AlignedVector<float> windowSumAccumulator;
    std::array<AlignedVector<float>, numBands> bandMasks;
    AlignedVector<float> timeBuffer;
    AlignedVector<std::complex<float>> frequencyBuffer;
    int fifoWritePos = 0;
    std::int64_t samplesProcessed = 0;

    /** Per band, the bins outside of which every mask value is exactly 1 (it may hold some
        that are 1 as well). Lets a frame skip the bins a band has never touched. */
    std::array<BinRange, numBands> bandMaskExtents {};
};

/** Sizes every buffer (this allocates) and resets the state. */
void initialiseChannelState (ChannelState& state);

/** Back to silence with unity masks; sizes stay, nothing is allocated. */
void resetChannelState (ChannelState& state) noexcept;
} // namespace quarmont
