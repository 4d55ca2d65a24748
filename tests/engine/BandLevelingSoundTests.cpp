// What the bands do to sound, end to end through the engine: gains inside and outside the level
// window, attack and release timing, bypass, reversed edges, and the plain cases that must stay
// untouched.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/ExactFloat.h"
#include "support/AllocationCounter.h"
#include "EngineSignals.h"

namespace
{
using namespace quarmont;
using namespace quarmont::testing;

constexpr int sineBin = 43; // 1007.8 Hz at 48 kHz, inside band 3's default range (600 .. 2500 Hz)

TEST (BandLevelingSound, SteadySineSettlesAtTheBandGainOnlyInsideTheLevelWindow)
{
    struct Case
    {
        const char* name;
        float levelMin, levelMax, lowerKnee, upperKnee, gainDb, amplitude, expectedChangeDb;
        bool untouchedSampleBySample;
    };

    const Case cases[] = {
        { "cut inside the window", -40.0f, 0.0f, 0.0f, 0.0f, -12.0f, 0.5f, -12.0f, false },
        { "boost inside the window", -60.0f, -10.0f, 0.0f, 0.0f, 6.0f, 0.1f, 6.0f, false },
        { "inside, clear of the knees", -40.0f, 0.0f, 10.0f, 6.0f, -12.0f, 0.5f, -12.0f, false },
        { "above the window", -80.0f, -30.0f, 0.0f, 0.0f, -12.0f, 0.5f, 0.0f, false },
        { "below the window", -30.0f, 0.0f, 0.0f, 0.0f, -12.0f, 0.001f, 0.0f, true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        EngineUnderTest test;
        setBand (test.parameters, 3, 600.0f, 2500.0f, c.levelMin, c.levelMax, c.gainDb);
        test.parameters.set (3, lowerKneeParam, c.lowerKnee);
        test.parameters.set (3, upperKneeParam, c.upperKnee);

        const auto input = makeBinSine (96000, sineBin, 48000.0, c.amplitude);
        const auto output = test.process (input);
        const auto frequency = sineBin * 48000.0 / frameLength;

        // The last half second, long after every time constant.
        const auto measured = amplitudeAt (output, 72000, 24000, frequency, 48000.0);
        const auto original = amplitudeAt (input, 72000 - frameLength, 24000, frequency, 48000.0);
        EXPECT_NEAR (toDecibels (measured / original), c.expectedChangeDb, 0.1);

        if (c.untouchedSampleBySample)
        {
            for (size_t n = 2 * frameLength; n < output.size(); ++n)
                ASSERT_NEAR (output[n], input[n - frameLength], 1.0e-6f) << "sample " << n;
        }
    }
}

TEST (BandLevelingSound, Band1AtMinus60dBLeavesA1kHzSineUnchanged)
{
    EngineUnderTest test;
    test.parameters.set (1, gainParam, -60.0f);

    const auto input = makeSine (48000, 1000.0, 48000.0, 0.5f);
    const auto output = test.process (input);

    for (size_t n = 2 * frameLength; n < output.size(); ++n)
        ASSERT_NEAR (output[n], input[n - frameLength], 1.0e-5f) << "sample " << n;

    for (const auto value : test.mask (1))
        ASSERT_EQ (value, 1.0f);
}

TEST (BandLevelingSound, MasksGlideWithTheAttackAndReleaseTimeConstants)
{
    struct Case { double sampleRate; float attackMs, lookaheadMs, releaseMs; };

    const Case cases[] = {
        { 48000.0, 25.0f, 10.0f, 250.0f },
        { 44100.0, 15.0f, 0.0f, 1000.0f },
        { 96000.0, 100.0f, 20.0f, 40.0f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (::testing::Message() << c.sampleRate << " Hz, attack " << c.attackMs << " + " << c.lookaheadMs
                                           << " ms, release " << c.releaseMs << " ms");
        EngineUnderTest test (c.sampleRate);
        setBand (test.parameters, 3, 20.0f, 20000.0f, -40.0f, 0.0f, -12.0f);
        test.parameters.set (3, attackParam, c.attackMs);
        test.parameters.set (3, lookaheadParam, c.lookaheadMs);
        test.parameters.set (3, releaseParam, c.releaseMs);

        const auto hopSeconds = hopSize / c.sampleRate;
        const auto attackStep = std::exp (-hopSeconds / ((c.attackMs + c.lookaheadMs) * 0.001));
        const auto releaseStep = std::exp (-hopSeconds / (c.releaseMs * 0.001));
        const auto target = std::pow (10.0, -12.0 / 20.0);

        // The sine runs from the first sample, so every frame sees the same level: the mask
        // approaches the target by the same factor each hop.
        const auto sine = makeBinSine (64 * hopSize, sineBin, c.sampleRate, 0.5f);
        test.process ({ sine.begin(), sine.begin() + frameLength - hopSize });
        std::vector<double> attackTrace;

        for (size_t start = frameLength - hopSize; start < sine.size(); start += hopSize)
        {
            test.process ({ sine.begin() + (long) start, sine.begin() + (long) start + hopSize });
            attackTrace.push_back (test.mask (3)[sineBin]);
        }

        EXPECT_NEAR (attackTrace.front(), 1.0 - (1.0 - target) * (1.0 - attackStep), 1.0e-4);
        auto attackSteps = 0;

        for (size_t j = 0; j + 1 < attackTrace.size() && std::abs (attackTrace[j + 1] - target) > 1.0e-3; ++j, ++attackSteps)
            EXPECT_NEAR ((attackTrace[j + 1] - target) / (attackTrace[j] - target), attackStep, 1.0e-3) << "attack hop " << j;

        EXPECT_GE (attackSteps, 3);

        // Silence: once the last frame holding any of the sine has passed, the target is unity.
        std::vector<double> releaseTrace;

        for (int hop = 0; hop < 400; ++hop)
        {
            test.process (std::vector<float> (hopSize, 0.0f));
            releaseTrace.push_back (test.mask (3)[sineBin]);
        }

        auto releaseSteps = 0;

        for (size_t j = 4; j + 1 < releaseTrace.size() && 1.0 - releaseTrace[j + 1] > 1.0e-3; ++j, ++releaseSteps)
            EXPECT_NEAR ((1.0 - releaseTrace[j + 1]) / (1.0 - releaseTrace[j]), releaseStep, 1.0e-3) << "release hop " << j;

        EXPECT_GE (releaseSteps, 3);
    }
}

TEST (BandLevelingSound, BypassSnapsTheMasksToExactlyUnityInOneFrame)
{
    for (const auto gainDb : { -60.0f, -12.0f, 24.0f })
    {
        SCOPED_TRACE (::testing::Message() << "gain " << gainDb << " dB");
        EngineUnderTest test;
        setBand (test.parameters, 3, 600.0f, 2500.0f, -80.0f, 0.0f, gainDb);
        setBand (test.parameters, 4, 2500.0f, 7000.0f, -80.0f, 0.0f, -6.0f);
        test.process (makeNoise (frameLength + 40 * hopSize, 5));

        const auto& mask = test.mask (3);
        ASSERT_GT (std::count_if (mask.begin(), mask.end(), [] (float m) { return ! quarmont::isExactly (m, 1.0f); }), 50);

        test.parameters.set (3, bypassParam, 1.0f);
        test.process (makeNoise (hopSize, 6)); // exactly one frame

        for (size_t i = 0; i < mask.size(); ++i)
            ASSERT_EQ (mask[i], 1.0f) << "bin " << i;

        const auto& other = test.mask (4);
        EXPECT_GT (std::count_if (other.begin(), other.end(), [] (float m) { return m < 1.0f; }), 50)
            << "band 4 must go on working";
    }
}

TEST (BandLevelingSound, EveryFrameWorksWithTheValuesOfItsMoment)
{
    // The engine keeps the last frame's settings while the values stay the same. Values that
    // change from hop to hop, back to earlier ones too, must sound exactly as they do in an engine
    // made to build its settings afresh at every frame (a new cache forgets the kept ones).
    const auto input = makeNoise (frameLength + 30 * hopSize, 21);
    EngineUnderTest kept (48000.0, 2), fresh (48000.0, 2);
    const float gains[] = { -18.0f, -18.0f, 6.0f, -18.0f, 0.0f, 0.0f, -40.0f, 6.0f };
    const float levelMins[] = { -60.0f, -30.0f, -60.0f, -60.0f, -45.0f };

    for (size_t hop = 0; hop * hopSize < input.size(); ++hop)
    {
        for (auto* test : { &kept, &fresh })
        {
            setBand (test->parameters, 2, 300.0f, 4000.0f, levelMins[hop % 5], -5.0f, gains[hop % 8]);
            test->parameters.set (4, bypassParam, hop % 3 == 0 ? 1.0f : 0.0f);
        }

        fresh.engine.setParameterCache (fresh.parameters.cache);
        const std::vector<float> block (input.begin() + (std::ptrdiff_t) (hop * hopSize),
                                        input.begin() + (std::ptrdiff_t) ((hop + 1) * hopSize));

        for (int channel = 0; channel < 2; ++channel)
            ASSERT_EQ (kept.process (block, channel), fresh.process (block, channel)) << "hop " << hop << ", channel " << channel;
    }

    for (int band = 1; band <= numBands; ++band)
        EXPECT_EQ (kept.mask (band, 1), fresh.mask (band, 1)) << "band " << band;

    EXPECT_LT (*std::min_element (kept.mask (2).begin(), kept.mask (2).end()), 0.9f) << "band 2 must have worked";
}

TEST (BandLevelingSound, ReversedEdgesSoundExactlyLikeSortedOnes)
{
    struct Case { const char* name; float freqLow, freqHigh, levelMin, levelMax; };

    const Case cases[] = {
        { "frequency edges", 5000.0f, 1000.0f, -50.0f, -10.0f },
        { "level edges", 1000.0f, 5000.0f, -10.0f, -50.0f },
        { "both", 5000.0f, 1000.0f, -10.0f, -50.0f },
    };

    const auto input = makeNoise (48000, 9);
    EngineUnderTest sorted;
    setBand (sorted.parameters, 2, 1000.0f, 5000.0f, -50.0f, -10.0f, -9.0f);
    const auto expected = sorted.process (input);

    for (const auto& c : cases)
    {
        EngineUnderTest reversed;
        setBand (reversed.parameters, 2, c.freqLow, c.freqHigh, c.levelMin, c.levelMax, -9.0f);
        EXPECT_EQ (reversed.process (input), expected) << c.name;
    }
}

TEST (BandLevelingSound, DefaultsKeepEveryMaskAtExactlyUnity)
{
    EngineUnderTest test (48000.0, 2);
    test.process (makeNoise (20000, 3), 0);
    test.process (makeNoise (20000, 4), 1);

    for (int channel = 0; channel < 2; ++channel)
        for (int band = 1; band <= numBands; ++band)
            for (const auto value : test.mask (band, channel))
                ASSERT_EQ (value, 1.0f) << "channel " << channel << ", band " << band;
}

TEST (BandLevelingSound, SampleBySampleAndBlocksAgreeWithActiveBandsAndAllocateNothing)
{
    const auto configure = [] (EngineUnderTest& test)
    {
        setBand (test.parameters, 1, 20.0f, 400.0f, -70.0f, -10.0f, 9.0f);
        setBand (test.parameters, 3, 600.0f, 3000.0f, -50.0f, 0.0f, -12.0f);
        setBand (test.parameters, 5, 5000.0f, 20000.0f, -80.0f, -20.0f, -30.0f);
        test.parameters.set (3, lowerKneeParam, 6.0f);
        test.parameters.set (5, upperKneeParam, 12.0f);
    };

    const auto input = makeNoise (30000, 21);

    EngineUnderTest blocks (48000.0, 2);
    configure (blocks);
    auto left = input, right = input;

    {
        ScopedAllocationCounter allocations;
        blocks.engine.processChannel (0, left.data(), (int) left.size());
        blocks.engine.processChannel (1, right.data(), (int) right.size());
        EXPECT_EQ (allocations.getCount(), 0u);
    }

    // The same audio handed over one sample at a time.
    EngineUnderTest samples (48000.0, 1);
    configure (samples);
    std::vector<float> sampleBySample = input;

    for (auto& x : sampleBySample)
        samples.engine.processChannel (0, &x, 1);

    EXPECT_EQ (sampleBySample, left);
    EXPECT_EQ (right, left) << "channel 1 runs the same gains, only without the display";
}
} // namespace
