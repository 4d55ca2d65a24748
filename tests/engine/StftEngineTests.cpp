// The STFT path with neutral bands: exact latency, exact silence while filling, reconstruction
// of the delayed input, and independence from block size and from earlier runs.

#include <gtest/gtest.h>

#include <vector>

#include "engine/BandLevelingEngine.h"
#include "support/AllocationCounter.h"
#include "EngineSignals.h"
#include "EngineTestSupport.h"

namespace
{
using quarmont::BandLevelingEngine;
using quarmont::frameLength;
using quarmont::testing::makeNoise;

/** Runs a mono signal through a freshly prepared engine in blocks of the given size. */
std::vector<float> render (BandLevelingEngine& engine, std::vector<float> audio, int blockSize)
{
    for (size_t start = 0; start < audio.size(); start += (size_t) blockSize)
    {
        const auto length = std::min ((size_t) blockSize, audio.size() - start);
        engine.processChannel (0, audio.data() + start, (int) length);
    }

    return audio;
}

std::vector<float> renderFresh (const std::vector<float>& audio, int blockSize, double sampleRate = 48000.0)
{
    quarmont::testing::BandParameterValues parameters; // defaults: every band neutral (0 dB)
    BandLevelingEngine engine;
    engine.setParameterCache (parameters.cache);
    engine.prepare (sampleRate, 1);
    return render (engine, audio, blockSize);
}

// w[k]^2 <= 1e-6 for k <= 20, so the first frame cannot rebuild input samples 0..20.
constexpr int firstReconstructedOutput = frameLength + 21;

/** How closely output n must match input n - 2048. The first hop of output is rebuilt from the
    first frame alone, divided by a tiny window sum (w[21]^2 is about 1e-6), which magnifies the
    transform's rounding; a misplaced sample would still be off by the signal itself (~0.3). */
float reconstructionTolerance (size_t outputIndex)
{
    return outputIndex < (size_t) (frameLength + quarmont::hopSize) ? 1.0e-3f : 2.0e-5f;
}

TEST (StftEngine, OutputIsSilentWhileFillingThenTheInputDelayedBy2048)
{
    const auto input = makeNoise (6 * frameLength, 1);
    const auto output = renderFresh (input, 512);

    for (int n = 0; n < firstReconstructedOutput; ++n)
        ASSERT_EQ (output[(size_t) n], 0.0f) << "output sample " << n;

    for (size_t n = firstReconstructedOutput; n < output.size(); ++n)
        ASSERT_NEAR (output[n], input[n - frameLength], reconstructionTolerance (n)) << "output sample " << n;
}

TEST (StftEngine, ImpulseComesOutExactly2048SamplesLater)
{
    std::vector<float> input (12000, 0.0f);
    input[5000] = 1.0f;
    const auto output = renderFresh (input, 512);

    EXPECT_NEAR (output[7048], 1.0f, 1.0e-5f);

    for (size_t n = 0; n < output.size(); ++n)
    {
        if (n != 7048)
        {
            ASSERT_NEAR (output[n], 0.0f, 1.0e-5f) << "output sample " << n;
        }
    }
}

TEST (StftEngine, FramesRunWhenTheSampleCountSaysSoWhateverTheBlocks)
{
    BandLevelingEngine engine;
    engine.prepare (48000.0, 1);
    std::vector<float> audio (1, 0.25f);
    float before[quarmont::numDisplayBins], after[quarmont::numDisplayBins];
    int serial = 0;

    // Channel 0 publishes a display spectrum once per frame, which makes frames observable.
    const auto feed = [&] (int count) { for (int i = 0; i < count; ++i) engine.processChannel (0, audio.data(), 1); };

    feed (2047); // indices 0..2046
    EXPECT_FALSE (engine.getSpectrumSnapshot (before, after, serial)) << "a frame ran before index 2047";
    feed (1);    // index 2047: first frame
    EXPECT_TRUE (engine.getSpectrumSnapshot (before, after, serial));
    EXPECT_EQ (serial, 1);
    feed (511);  // up to index 2558
    EXPECT_FALSE (engine.getSpectrumSnapshot (before, after, serial));
    feed (1);    // index 2559: second frame
    EXPECT_TRUE (engine.getSpectrumSnapshot (before, after, serial));
    EXPECT_EQ (serial, 2);
}

TEST (StftEngine, BlockSizeMakesNoDifference)
{
    const auto input = makeNoise (5 * 4096 + 123, 7);
    const auto reference = renderFresh (input, 512);

    for (const auto blockSize : { 1, 37, 4096 })
        EXPECT_EQ (renderFresh (input, blockSize), reference) << "block size " << blockSize;
}

TEST (StftEngine, ResetStartsAgainFromSilenceLikeAFreshEngine)
{
    const auto first = makeNoise (9000, 3);
    const auto second = makeNoise (9000, 4);

    quarmont::testing::BandParameterValues parameters;
    BandLevelingEngine engine;
    engine.setParameterCache (parameters.cache);
    engine.prepare (48000.0, 1);
    render (engine, first, 512);
    engine.reset();

    EXPECT_EQ (render (engine, second, 512), renderFresh (second, 512));
}

TEST (StftEngine, EmptyBlockChangesNothing)
{
    const auto input = makeNoise (8192, 5);
    quarmont::testing::BandParameterValues parameters;
    BandLevelingEngine engine;
    engine.setParameterCache (parameters.cache);
    engine.prepare (48000.0, 1);

    auto audio = input;
    engine.processChannel (0, audio.data(), 3000);
    engine.processChannel (0, audio.data() + 3000, 0);
    engine.processChannel (0, audio.data() + 3000, 5192);

    EXPECT_EQ (audio, renderFresh (input, 3000));
}

TEST (StftEngine, ChannelsAreIndependent)
{
    const auto left = makeNoise (8192, 11);
    const auto right = makeNoise (8192, 12);

    quarmont::testing::BandParameterValues parameters;
    BandLevelingEngine engine;
    engine.setParameterCache (parameters.cache);
    engine.prepare (48000.0, 2);

    auto l = left, r = right;
    engine.processChannel (0, l.data(), 8192);
    engine.processChannel (1, r.data(), 8192);

    EXPECT_EQ (l, renderFresh (left, 8192));
    EXPECT_EQ (r, renderFresh (right, 8192));
}

TEST (StftEngine, ProcessingAfterPrepareDoesNotAllocate)
{
    quarmont::testing::BandParameterValues parameters;
    BandLevelingEngine engine;
    engine.setParameterCache (parameters.cache);
    engine.prepare (48000.0, 2);
    auto audio = makeNoise (20000, 13);

    quarmont::testing::ScopedAllocationCounter allocations;
    engine.processChannel (0, audio.data(), (int) audio.size());
    engine.processChannel (1, audio.data(), (int) audio.size());
    EXPECT_EQ (allocations.getCount(), 0u);
}
} // namespace
