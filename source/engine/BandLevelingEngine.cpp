#include "engine/BandLevelingEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/BandGains.h"
#include "engine/DisplaySpectrum.h"
#include "engine/HannWindow.h"
#include "engine/VectorClones.h"

namespace quarmont
{
namespace
{
void fillWindowProduct (AlignedVector<float>& product, const AlignedVector<float>& analysis, const AlignedVector<float>& synthesis)
{
    product.resize (analysis.size());

    for (size_t k = 0; k < analysis.size(); ++k)
        product[k] = synthesis[k] * analysis[k];
}

// The per-sample loops of a frame and of a run, each built for the vector units at hand.

QUARMONT_VECTOR_CLONES
void multiplyInto (const float* __restrict a, const float* __restrict b, float* __restrict product, int count) noexcept
{
    for (int i = 0; i < count; ++i)
        product[i] = a[i] * b[i];
}

QUARMONT_VECTOR_CLONES
void overlapAdd (float* __restrict accumulated, float* __restrict windowSum, const float* __restrict frame,
                 const float* __restrict synthesis, const float* __restrict product, int count) noexcept
{
    for (int i = 0; i < count; ++i)
    {
        accumulated[i] += synthesis[i] * frame[i];
        windowSum[i] += product[i];
    }
}

/** Normalised output of the ring slots, each cleared for reuse. */
QUARMONT_VECTOR_CLONES
void readOutput (float* __restrict accumulated, float* __restrict windowSum, float* __restrict out, int count) noexcept
{
    for (int i = 0; i < count; ++i)
    {
        const auto sum = windowSum[i];
        const auto value = accumulated[i] / sum;
        out[i] = sum > 1.0e-6f ? value : 0.0f;
        accumulated[i] = 0.0f;
        windowSum[i] = 0.0f;
    }
}

/** Samples from absolute index n up to and including the next one at which a frame runs
    (indices 2047, 2559, 3071, ...). */
std::int64_t samplesUntilNextFrame (std::int64_t n) noexcept
{
    constexpr std::int64_t firstFrame = frameLength - 1;

    if (n <= firstFrame)
        return firstFrame - n + 1;

    const auto sinceFrame = (n - firstFrame) % hopSize;
    return sinceFrame == 0 ? 1 : hopSize - sinceFrame + 1;
}
} // namespace

BandLevelingEngine::BandLevelingEngine()
{
    // Built here as well as in prepare(), so that no order of calls finds them empty.
    fillSymmetricHann (analysisWindow, frameLength);
    fillSymmetricHann (synthesisWindow, frameLength);
    fillWindowProduct (windowProduct, analysisWindow, synthesisWindow);
}

void BandLevelingEngine::prepare (double sampleRate, int numChannels)
{
    // A rate that is not a positive number a float can hold would turn every bin frequency and
    // coefficient into NaN or infinity.
    engineSampleRate = sampleRate > 0.0 && std::isfinite ((float) sampleRate) ? sampleRate : 44100.0;
    planIsCurrent = false;
    fillSymmetricHann (analysisWindow, frameLength);
    fillSymmetricHann (synthesisWindow, frameLength);
    fillWindowProduct (windowProduct, analysisWindow, synthesisWindow);

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

void BandLevelingEngine::processChannel (int channel, float* samples, int numSamples) noexcept
{
    auto& state = channelStates[(size_t) channel];
    const auto isFirstChannel = channel == 0;

    // Runs that end where a frame is due, so that the per-sample work within a run is plain
    // contiguous copying and no sample needs to ask whether a frame is due.
    for (int done = 0; done < numSamples;)
    {
        const auto run = (int) std::min<std::int64_t> (numSamples - done, samplesUntilNextFrame (state.samplesProcessed));
        processRun (state, samples + done, run, isFirstChannel);
        done += run;
    }
}

void BandLevelingEngine::processRun (ChannelState& state, float* samples, int numSamples, bool isFirstChannel) noexcept
{
    // The caller guarantees that only the last sample of the run may be one at which a frame runs.
    const auto first = state.samplesProcessed;
    const auto last = first + numSamples - 1;

    for (int written = 0; written < numSamples;)
    {
        const auto count = std::min (numSamples - written, frameLength - state.fifoWritePos);
        std::copy (samples + written, samples + written + count, state.inputFifo.data() + state.fifoWritePos);
        state.fifoWritePos = (state.fifoWritePos + count) % frameLength;
        written += count;
    }

    if (last + 1 >= frameLength && (last + 1 - frameLength) % hopSize == 0)
    {
        state.samplesProcessed = last; // the frame sees the newest sample's index, as it arrives
        processFrame (state, isFirstChannel);
    }

    // Each output is read 2048 samples behind its input, and its ring slot is cleared for reuse.
    // The frame above only writes slots at or after the newest input, so reading after it is the
    // same as reading sample by sample.
    const auto ringLength = (std::int64_t) state.outputAccumulator.size();
    auto silent = (int) std::clamp<std::int64_t> (frameLength - first, 0, numSamples);

    if (ringLength == 0 || state.windowSumAccumulator.empty())
        silent = numSamples;

    std::fill (samples, samples + silent, 0.0f);

    for (int done = silent; done < numSamples;)
    {
        const auto p = (size_t) ((first + done - frameLength) % ringLength);
        const auto count = (int) std::min<std::int64_t> (numSamples - done, ringLength - (std::int64_t) p);
        readOutput (state.outputAccumulator.data() + p, state.windowSumAccumulator.data() + p, samples + done, count);
        done += count;
    }

    state.samplesProcessed = last + 1;
}

const BandPlan& BandLevelingEngine::currentBandPlan() noexcept
{
    const auto values = readRawBandValues (bandParameterCache);

    // Compared bit for bit: equal bits give equal settings, NaN included.
    if (! planIsCurrent || std::memcmp (&values, &planSource, sizeof (values)) != 0)
    {
        planBands (bandPlan, computeBandSettings (bandParameterCache, values, engineSampleRate), engineSampleRate);
        planSource = values;
        planIsCurrent = true;
    }

    return bandPlan;
}

void BandLevelingEngine::processFrame (ChannelState& state, bool isFirstChannel) noexcept
{
    const auto newest = state.samplesProcessed;
    const auto start = newest - (frameLength - 1);

    if (start < 0)
        return;

    const auto& plan = currentBandPlan();

    // The FIFO's oldest sample sits at the write position: the frame is the last 2048 samples,
    // oldest first, windowed.
    {
        const auto oldest = state.fifoWritePos;
        const auto* fifo = state.inputFifo.data();
        const auto* window = analysisWindow.data();
        auto* frame = state.timeBuffer.data();
        const auto older = frameLength - oldest;

        multiplyInto (fifo + oldest, window, frame, older);
        multiplyInto (fifo, window + older, frame + older, oldest);
    }

    auto* bins = state.frequencyBuffer.data();
    fft.forward (state.timeBuffer.data(), bins);

    // The display needs every level; the bands only those inside their blocks.
    const auto levels = isFirstChannel ? BinRange { 0, numProcessedBins } : plan.levels;

    if (! levels.isEmpty())
        measureAmplitudeDecibels (bins, amplitudeDb.data(), levels.begin, levels.end);

    float inputDisplay[numDisplayBins];
    float outputDisplay[numDisplayBins];

    if (isFirstChannel)
        toDisplaySpectrum (amplitudeDb.data(), inputDisplay);

    const auto changed = applyBandGains (plan, state.bandMasks, state.bandMaskExtents, bins, amplitudeDb.data(), binGains.data());

    if (isFirstChannel)
    {
        // Untouched bins map to the same display values; only the changed ones are measured again.
        std::copy (std::begin (inputDisplay), std::end (inputDisplay), outputDisplay);

        if (! changed.isEmpty())
            toDisplaySpectrum (bins, outputDisplay, changed.begin, changed.end);

        spectrumHandoff.publish (inputDisplay, outputDisplay);
    }

    fft.inverse (bins, state.timeBuffer.data());

    const auto ringLength = (std::int64_t) state.outputAccumulator.size();

    for (int k = 0; k < frameLength;)
    {
        const auto p = (size_t) ((start + k) % ringLength);
        const auto count = (int) std::min<std::int64_t> (frameLength - k, ringLength - (std::int64_t) p);
        overlapAdd (state.outputAccumulator.data() + p, state.windowSumAccumulator.data() + p,
                    state.timeBuffer.data() + k, synthesisWindow.data() + k, windowProduct.data() + k, count);
        k += count;
    }
}
} // namespace quarmont
