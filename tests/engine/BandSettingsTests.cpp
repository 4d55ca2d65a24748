// Band records from raw parameter values: coefficients, sorting and clamping, the neutral cases,
// and damaged values that must never get further than the record.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/BandSettings.h"
#include "EngineTestSupport.h"

namespace
{
using namespace quarmont;
using quarmont::testing::BandParameterValues;

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

void expectNeutral (const BandSettings& s, const char* why)
{
    const BandSettings neutral;
    EXPECT_EQ (s.lowHz, neutral.lowHz) << why;
    EXPECT_EQ (s.highHz, neutral.highHz) << why;
    EXPECT_EQ (s.levelMinDb, neutral.levelMinDb) << why;
    EXPECT_EQ (s.levelMaxDb, neutral.levelMaxDb) << why;
    EXPECT_EQ (s.gainLinear, 1.0f) << why;
    EXPECT_EQ (s.attackCoeff, 1.0f) << why;
    EXPECT_EQ (s.releaseCoeff, 1.0f) << why;
    EXPECT_EQ (s.lookaheadMs, neutral.lookaheadMs) << why;
    EXPECT_EQ (s.upperKneeDb, 0.0f) << why;
    EXPECT_EQ (s.lowerKneeDb, 0.0f) << why;
    EXPECT_EQ (s.edgeWidthHz, 150.0f) << why;
}

TEST (BandSettings, AttackAndReleaseCoefficientsTurnTimesIntoPerHopSteps)
{
    struct Case { double sampleRate; float attackMs, lookaheadMs, releaseMs; double attackSeconds, releaseSeconds; };

    const Case cases[] = {
        { 48000.0, 25.0f, 10.0f, 250.0f, 0.035, 0.25 },
        { 44100.0, 25.0f, 10.0f, 250.0f, 0.035, 0.25 },
        { 96000.0, 300.0f, 20.0f, 2500.0f, 0.32, 2.5 },
        { 48000.0, 0.0f, 0.0f, 0.0f, 0.001, 0.001 },      // zero times are floored at 1 ms
        { 48000.0, -50.0f, 5.0f, -1.0f, 0.006, 0.001 },   // and so are negative ones
        { 48000.0, 10.0f, 45.0f, 100.0f, 0.030, 0.1 },    // lookahead clamped to 20 ms
        { 48000.0, 10.0f, -5.0f, 100.0f, 0.010, 0.1 },    // ... and to 0
    };

    for (const auto& c : cases)
    {
        BandParameterValues parameters;
        parameters.set (3, attackParam, c.attackMs);
        parameters.set (3, lookaheadParam, c.lookaheadMs);
        parameters.set (3, releaseParam, c.releaseMs);
        const auto band = computeBandSettings (parameters.cache, c.sampleRate)[2];
        const auto hop = 512.0 / c.sampleRate;

        EXPECT_NEAR (band.attackCoeff, 1.0 - std::exp (-hop / c.attackSeconds), 2.0e-6) << c.sampleRate << " Hz, attack " << c.attackMs;
        EXPECT_NEAR (band.releaseCoeff, 1.0 - std::exp (-hop / c.releaseSeconds), 2.0e-6) << c.sampleRate << " Hz, release " << c.releaseMs;
    }

    // The defaults in round figures: attack at 48 kHz, release at 44.1 kHz.
    BandParameterValues defaults;
    EXPECT_NEAR (computeBandSettings (defaults.cache, 48000.0)[0].attackCoeff, 0.263f, 5.0e-4f);
    EXPECT_NEAR (computeBandSettings (defaults.cache, 44100.0)[0].releaseCoeff, 0.0454f, 5.0e-5f);
}

TEST (BandSettings, PairsAreSortedAndEveryValueIsClamped)
{
    struct Case
    {
        float freqLow, freqHigh, levelMin, levelMax, gainDb, upperKnee, lowerKnee;
        float lowHz, highHz, levelMinDb, levelMaxDb, gainLinear, upperKneeDb, lowerKneeDb;
    };

    const Case cases[] = {
        { 1000, 5000, -40, -20, 0, 3, 4, 1000, 5000, -40, -20, 1, 3, 4 },
        { 5000, 1000, -20, -40, 0, 3, 4, 1000, 5000, -40, -20, 1, 3, 4 },          // reversed pairs are sorted
        { 10, 30000, -100, 10, 24, 70, -1, 20, 20000, -80, 0, 15.848932f, 60, 0 }, // clamped (knees up to 60)
        { -100, -50, 5, 8, -6, 0, 0, 20, 20, 0, 0, 0.50118723f, 0, 0 },
        { 300, 300, -30, -30, -100, 0, 0, 300, 300, -30, -30, 0, 0, 0 },            // -100 dB and below: silence
        { 300, 400, -30, -20, -250, 0, 0, 300, 400, -30, -20, 0, 0, 0 },
        { 300, 400, -30, -20, -99.9f, 0, 0, 300, 400, -30, -20, 1.0116e-5f, 0, 0 },
    };

    for (const auto& c : cases)
    {
        BandParameterValues parameters;
        parameters.set (2, freqLowParam, c.freqLow);
        parameters.set (2, freqHighParam, c.freqHigh);
        parameters.set (2, levelMinParam, c.levelMin);
        parameters.set (2, levelMaxParam, c.levelMax);
        parameters.set (2, gainParam, c.gainDb);
        parameters.set (2, upperKneeParam, c.upperKnee);
        parameters.set (2, lowerKneeParam, c.lowerKnee);
        const auto band = computeBandSettings (parameters.cache, 48000.0)[1];

        SCOPED_TRACE (::testing::Message() << c.freqLow << "/" << c.freqHigh << " Hz, " << c.levelMin << "/" << c.levelMax
                                           << " dB, gain " << c.gainDb);
        EXPECT_EQ (band.lowHz, c.lowHz);
        EXPECT_EQ (band.highHz, c.highHz);
        EXPECT_EQ (band.levelMinDb, c.levelMinDb);
        EXPECT_EQ (band.levelMaxDb, c.levelMaxDb);
        EXPECT_NEAR (band.gainLinear, c.gainLinear, c.gainLinear * 1.0e-4f);
        EXPECT_EQ (band.upperKneeDb, c.upperKneeDb);
        EXPECT_EQ (band.lowerKneeDb, c.lowerKneeDb);
        EXPECT_EQ (band.edgeWidthHz, 150.0f);
    }

    BandParameterValues unity;
    EXPECT_EQ (computeBandSettings (unity.cache, 48000.0)[0].gainLinear, 1.0f) << "0 dB must be exactly unity";
}

TEST (BandSettings, BypassedOrIncompleteBandsAreNeutralAndLeaveTheOthersAlone)
{
    struct Case { const char* name; float bypass; bool dropValuePointer, dropBypassPointer, neutral; };

    const Case cases[] = {
        { "bypass on", 1.0f, false, false, true },
        { "bypass just above 0.5", 0.6f, false, false, true },
        { "bypass at 0.5 is still off", 0.5f, false, false, false },
        { "a value pointer missing", 0.0f, true, false, true },
        { "the bypass pointer missing", 1.0f, false, true, false },
    };

    for (const auto& c : cases)
    {
        BandParameterValues parameters;

        for (int band = 1; band <= numBands; ++band)
            parameters.set (band, gainParam, -6.0f);

        parameters.set (4, bypassParam, c.bypass);

        if (c.dropValuePointer)
            parameters.cache[3][releaseParam] = nullptr;

        if (c.dropBypassPointer)
            parameters.cache[3][bypassParam] = nullptr;

        const auto settings = computeBandSettings (parameters.cache, 48000.0);

        if (c.neutral)
            expectNeutral (settings[3], c.name);
        else
            EXPECT_NEAR (settings[3].gainLinear, 0.5011872f, 1.0e-6f) << c.name;

        for (const auto other : { 0, 1, 2, 4 })
            EXPECT_NEAR (settings[(size_t) other].gainLinear, 0.5011872f, 1.0e-6f) << c.name << ", band index " << other;
    }
}

TEST (BandSettings, ANonFiniteValueMakesItsBandNeutralAndNothingElse)
{
    for (int parameter = 0; parameter < numBandParameters; ++parameter)
    {
        for (const auto damaged : { nan, inf, -inf })
        {
            BandParameterValues parameters;

            for (int band = 1; band <= numBands; ++band)
                parameters.set (band, gainParam, 6.0f);

            parameters.set (2, (BandParameter) parameter, damaged);
            const auto settings = computeBandSettings (parameters.cache, 48000.0);

            expectNeutral (settings[1], ("parameter " + std::to_string (parameter) + " = " + std::to_string (damaged)).c_str());

            for (const auto other : { 0, 2, 3, 4 })
                EXPECT_NEAR (settings[(size_t) other].gainLinear, 1.9952623f, 1.0e-5f);
        }
    }

    // Finite, but far beyond float range once turned into a factor.
    BandParameterValues parameters;
    parameters.set (5, gainParam, 1000.0f);
    expectNeutral (computeBandSettings (parameters.cache, 48000.0)[4], "gain of 1000 dB");
}
} // namespace
