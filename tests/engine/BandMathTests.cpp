// The per-bin arithmetic on its own: frequency and level weights, mask smoothing, the bin level
// and its guards, and the display mapping.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "engine/BandMath.h"

namespace
{
using namespace quarmont;

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

BandSettings bandWithRange (float lowHz, float highHz)
{
    BandSettings band;
    band.lowHz = lowHz;
    band.highHz = highHz;
    return band;
}

BandSettings bandWithWindow (float levelMinDb, float levelMaxDb, float lowerKneeDb, float upperKneeDb)
{
    BandSettings band;
    band.levelMinDb = levelMinDb;
    band.levelMaxDb = levelMaxDb;
    band.lowerKneeDb = lowerKneeDb;
    band.upperKneeDb = upperKneeDb;
    return band;
}

TEST (BandMath, FrequencyWeightIsOneInsideTheRangeWith150HzRampsOutside)
{
    struct Case { float lowHz, highHz, frequencyHz, expected; };

    const Case cases[] = {
        { 600.0f, 2500.0f, 525.0f, 0.5f },              // lowHz - 75 Hz: half way up the ramp
        { 600.0f, 2500.0f, 2575.0f, 0.5f },             // highHz + 75 Hz
        { 600.0f, 2500.0f, 1000.0f, 1.0f },
        { 600.0f, 2500.0f, 600.0f, 1.0f },
        { 600.0f, 2500.0f, 450.0f, 0.0f },              // a full ramp below
        { 600.0f, 2500.0f, 2650.0f, 0.0f },
        { 600.0f, 2500.0f, 10000.0f, 0.0f },
        { 20.0f, 120.0f, 0.0f, 130.0f / 150.0f },       // band 1's ramp reaches below DC: 0.867
        { 20.0f, 120.0f, 269.0f, 1.0f / 150.0f },       // and every bin below 270 Hz
        { 20.0f, 120.0f, 270.0f, 0.0f },
        { 1000.0f, 1000.0f, 1000.0f, 0.0f },            // equal edges: inactive
        { 5000.0f, 1000.0f, 3000.0f, 0.0f },            // reversed edges count as inactive (the settings sort them first)
    };

    for (const auto& c : cases)
        EXPECT_NEAR (frequencyWeight (bandWithRange (c.lowHz, c.highHz), c.frequencyHz), c.expected, 1.0e-5f)
            << c.lowHz << " .. " << c.highHz << " Hz at " << c.frequencyHz << " Hz";
}

TEST (BandMath, LevelWeightSelectsTheWindowAndSoftensItsEdgesInside)
{
    struct Case { float levelMin, levelMax, lowerKnee, upperKnee, level, expected; };

    const Case cases[] = {
        { -40.0f, -20.0f, 0.0f, 0.0f, -30.0f, 1.0f },
        { -40.0f, -20.0f, 0.0f, 0.0f, -45.0f, 0.0f },
        { -40.0f, -20.0f, 0.0f, 0.0f, -15.0f, 0.0f },
        { -40.0f, -20.0f, 0.0f, 0.0f, -40.0f, 1.0f },   // hard edges include the edges
        { -40.0f, -20.0f, 0.0f, 0.0f, -20.0f, 1.0f },
        { -40.0f, -20.0f, 10.0f, 0.0f, -35.0f, 0.5f },  // smoothstep (0.5) in the middle of the knee
        { -40.0f, -20.0f, 10.0f, 0.0f, -40.0f, 0.0f },  // a soft edge starts at 0 ...
        { -40.0f, -20.0f, 10.0f, 0.0f, -30.0f, 1.0f },  // ... and reaches 1 a knee inside
        { -40.0f, -20.0f, 10.0f, 0.0f, -38.0f, 0.104f },// smoothstep (0.2)
        { -40.0f, -20.0f, 0.0f, 10.0f, -25.0f, 0.5f },
        { -40.0f, -20.0f, 0.0f, 10.0f, -20.0f, 0.0f },
        { -40.0f, -20.0f, 0.0f, 10.0f, -30.0f, 1.0f },
        { -40.0f, -20.0f, 20.0f, 20.0f, -30.0f, 0.5f }, // overlapping knees: the smaller weight
        { -40.0f, -20.0f, 0.0f, 0.0f, -160.0f, 0.0f },
        { -40.0f, -20.0f, 0.0f, 0.0f, inf, 0.0f },
        { -30.0f, -30.0f, 0.0f, 0.0f, -30.0f, 0.0f },   // equal edges: inactive
    };

    for (const auto& c : cases)
        EXPECT_NEAR (levelWeight (bandWithWindow (c.levelMin, c.levelMax, c.lowerKnee, c.upperKnee), c.level), c.expected, 1.0e-5f)
            << "window " << c.levelMin << " .. " << c.levelMax << " dB, knees " << c.lowerKnee << " / " << c.upperKnee
            << ", level " << c.level;
}

TEST (BandMath, MaskAttacksAwayFromUnityAndReleasesTowardIt)
{
    constexpr float attack = 0.5f, release = 0.25f;

    struct Case { float mask, target, expected; };

    const Case cases[] = {
        { 1.0f, 0.5f, 0.75f },     // moving away from unity: attack
        { 1.0f, 2.0f, 1.5f },
        { 0.5f, 1.0f, 0.625f },    // back toward unity: release
        { 0.5f, 0.8f, 0.575f },    // target nearer unity than the mask: release
        { 0.5f, 1.5f, 0.75f },     // equally far on the other side: ties release
        { 0.8f, 0.25f, 0.525f },   // further away on the same side: attack
    };

    for (const auto& c : cases)
        EXPECT_FLOAT_EQ (smoothedMask (c.mask, c.target, attack, release), c.expected) << c.mask << " toward " << c.target;
}

TEST (BandMath, DecibelsAreWithinAFewMillionthsOfADecibelOverTheEnginesRange)
{
    std::mt19937 generator (3);
    std::uniform_real_distribution<double> exponent (-9.0, 12.0);
    auto worst = 0.0;

    for (int i = 0; i < 200000; ++i)
    {
        const auto a = (float) std::pow (10.0, exponent (generator));
        worst = std::max (worst, std::abs ((double) decibelsOfPositive (a) - 20.0 * std::log10 ((double) a)));
    }

    EXPECT_LT (worst, 4.0e-5);
    EXPECT_EQ (decibelsOfPositive (1.0f), 0.0f);
    EXPECT_NEAR (decibelsOfPositive (0.5f), -6.0206f, 1.0e-4f);
    EXPECT_NEAR (decibelsOfPositive (1.0e-9f), -180.0f, 1.0e-4f);
    EXPECT_EQ (decibelsOfPositive (inf), inf);
}

TEST (BandMath, DamagedBinsLandOnTheFloorsAndNeverBecomeNaN)
{
    struct Case { std::complex<float> bin; float scale, expectedLevel, expectedDisplay; };

    const auto silence = 20.0f * std::log10 (1.0e-9f); // -180 dB
    const Case cases[] = {
        { { 0.0f, 0.0f }, 1.0f / 1024.0f, -160.0f, 0.0f },         // digital silence: -180 dB
        { { nan, 0.0f }, 1.0f / 1024.0f, -160.0f, 0.0f },          // NaN fails "a > 0"
        { { 0.0f, nan }, 1.0f / 2048.0f, -160.0f, 0.0f },
        { { inf, 0.0f }, 1.0f / 1024.0f, inf, 1.0f },
        { { -inf, nan }, 1.0f / 1024.0f, inf, 1.0f },              // like hypot: infinite wins over NaN
        { { 512.0f, 0.0f }, 1.0f / 1024.0f, -6.0206f, 0.939794f }, // a full-scale sine at a bin centre
        { { 0.0f, 1024.0f * 0.0031622776f }, 1.0f / 1024.0f, -50.0f, 0.5f },
        { { 3072.0f, 4096.0f }, 1.0f / 2048.0f, 20.0f * std::log10 (2.5f), 1.0f },
    };

    EXPECT_EQ (displayValue (amplitudeDecibels (0.0f, 1.0f)), 0.0f);
    EXPECT_NEAR (amplitudeDecibels (0.0f, 1.0f), silence, 1.0e-4f);

    for (const auto& c : cases)
    {
        const auto decibels = amplitudeDecibels (magnitudeOf (c.bin), c.scale);
        EXPECT_FALSE (std::isnan (decibels)) << c.bin;
        if (std::isinf (c.expectedLevel))
            EXPECT_EQ (binLevelDb (decibels), c.expectedLevel) << c.bin;
        else
            EXPECT_NEAR (binLevelDb (decibels), c.expectedLevel, 1.0e-3f) << c.bin;
        EXPECT_NEAR (displayValue (decibels), c.expectedDisplay, 1.0e-5f) << c.bin;
    }
}

TEST (BandMath, BinScalesAndFrequencies)
{
    EXPECT_EQ (binAmplitudeScale (0), 1.0f / 2048.0f);
    EXPECT_EQ (binAmplitudeScale (1024), 1.0f / 2048.0f);
    EXPECT_EQ (binAmplitudeScale (1), 1.0f / 1024.0f);
    EXPECT_EQ (binAmplitudeScale (1023), 1.0f / 1024.0f);
    EXPECT_EQ (binFrequencyHz (1024, 48000.0f), 24000.0f);
    EXPECT_NEAR (binFrequencyHz (43, 44100.0f), 925.927734f, 1.0e-3f);
    EXPECT_EQ (limitedBinGain (3981.0f), 32.0f);
    EXPECT_EQ (limitedBinGain (1.0e-9f), 1.0e-6f);
    EXPECT_EQ (limitedBinGain (0.5f), 0.5f);
}
} // namespace
