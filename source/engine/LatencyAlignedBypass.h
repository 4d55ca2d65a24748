#pragma once

#include <algorithm>
#include <array>
#include <vector>

#include "engine/AlignedBuffer.h"
#include "engine/EngineConstants.h"

namespace quarmont
{
/** Host bypass that keeps the plug-in's latency: while bypassed, each channel is its own input
    latencySamples late, so that the host's delay compensation still lines the track up. The
    processed path keeps running on the input all the while (its output unused), so that leaving
    bypass goes on from where an instance that was never bypassed would be, with no stale audio.
    Each switch is a linear crossfade of bypassFadeSeconds between the two, which are aligned.

    Sized in prepare(); process() allocates nothing, whatever the block size, since it works
    through each block in chunks of its own scratch. */
class LatencyAlignedBypass
{
public:
    /** The crossfade. Over it the dry weight moves by 1 / (8 ms x rate) per sample, so the fade
        adds at most A / (8 ms x rate) to a sample step where the two signals differ by A: no more
        than the step of a sine of amplitude A at 1 / (2π x 8 ms) ≈ 20 Hz, the lowest audible
        frequency. Whatever it mixes, the fade is never steeper than the music itself, and it is
        still short enough for a switch to sound immediate. */
    static constexpr double bypassFadeSeconds = 0.008;

    /** Sizes one delay line per channel (allocates) and the fade for the rate; starts processed. */
    void prepare (double sampleRate, int numChannels);

    /** Silence in the delay lines, fade back at the processed side; nothing is released. */
    void reset() noexcept;

    int getNumChannels() const noexcept { return (int) delayLines.size(); }
    int getFadeLength() const noexcept { return fadeLength; }

    /** Processes channels 0 .. numChannels - 1 of a block in place (numChannels at most
        getNumChannels()). processChannel (channel, samples, count) runs the processed path in
        place on a copy of the input; the result is that, the delayed input, or a mix of the two
        while a fade towards `bypassed` runs. */
    template <typename ProcessChannel>
    void process (float* const* channels, int numChannels, int numSamples, bool bypassed,
                  ProcessChannel&& processChannel) noexcept
    {
        for (int start = 0; start < numSamples; start += chunkLength)
        {
            const auto count = std::min (chunkLength, numSamples - start);

            for (int ch = 0; ch < numChannels; ++ch)
            {
                auto* samples = channels[ch] + start;
                std::copy (samples, samples + count, processed.data());
                processChannel (ch, processed.data(), count);
                delayInPlace (delayLines[(size_t) ch], samples, count);
                mixProcessedInto (samples, count, bypassed);
            }

            advanceFade (count, bypassed);
        }
    }

private:
    struct DelayLine
    {
        AlignedVector<float> samples; // the last latencySamples inputs, oldest at position
        int position = 0;
    };

    static constexpr int chunkLength = 512;

    static void delayInPlace (DelayLine& line, float* samples, int numSamples) noexcept;
    void mixProcessedInto (float* dry, int numSamples, bool bypassed) const noexcept;
    void advanceFade (int numSamples, bool bypassed) noexcept;

    std::vector<DelayLine> delayLines;
    int fadeLength = 1;
    int fadePosition = 0; // 0: all processed .. fadeLength: all dry
    alignas (64) std::array<float, chunkLength> processed {};
};
} // namespace quarmont
