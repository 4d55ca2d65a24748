#include "engine/LatencyAlignedBypass.h"

#include <cmath>

namespace quarmont
{
void LatencyAlignedBypass::prepare (double sampleRate, int numChannels)
{
    const auto rate = sampleRate > 0.0 && std::isfinite (sampleRate) ? sampleRate : 44100.0;
    fadeLength = std::max (1, (int) std::lround (bypassFadeSeconds * std::min (rate, 1.0e7)));

    delayLines.clear();
    delayLines.resize ((size_t) std::max (numChannels, 0));

    for (auto& line : delayLines)
        line.samples.assign (latencySamples, 0.0f);

    reset();
}

void LatencyAlignedBypass::reset() noexcept
{
    for (auto& line : delayLines)
    {
        std::fill (line.samples.begin(), line.samples.end(), 0.0f);
        line.position = 0;
    }

    fadePosition = 0;
}

void LatencyAlignedBypass::delayInPlace (DelayLine& line, float* samples, int numSamples) noexcept
{
    // Each input takes the place of the one latencySamples older, which comes out instead.
    for (int done = 0; done < numSamples;)
    {
        const auto count = std::min (numSamples - done, latencySamples - line.position);
        std::swap_ranges (samples + done, samples + done + count, line.samples.data() + line.position);
        line.position = (line.position + count) % latencySamples;
        done += count;
    }
}

void LatencyAlignedBypass::mixProcessedInto (float* dry, int numSamples, bool bypassed) const noexcept
{
    const auto target = bypassed ? fadeLength : 0;

    // At rest on either side the output is that side exactly, not a product with a weight of 1.
    if (fadePosition == target)
    {
        if (! bypassed)
            std::copy (processed.data(), processed.data() + numSamples, dry);

        return;
    }

    const auto step = bypassed ? 1 : -1;
    auto position = fadePosition;

    for (int i = 0; i < numSamples; ++i)
    {
        if (position != target)
            position += step;

        const auto wet = processed[(size_t) i];

        if (position == 0)
            dry[i] = wet;
        else if (position < fadeLength)
            dry[i] = wet + ((float) position / (float) fadeLength) * (dry[i] - wet);
    }
}

void LatencyAlignedBypass::advanceFade (int numSamples, bool bypassed) noexcept
{
    fadePosition = bypassed ? std::min (fadeLength, fadePosition + numSamples)
                            : std::max (0, fadePosition - numSamples);
}
} // namespace quarmont
