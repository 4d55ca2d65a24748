// The engine's vectorised band gains and display mapping against the plain reference, over
// random settings and spectra, frame after frame; and the fixed points of the gain step.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "engine/BandGains.h"
#include "engine/BandMath.h"
#include "engine/DisplaySpectrum.h"
#include "engine/ExactFloat.h"
#include "BandGainsStep.h"
#include "EngineTestSupport.h"
#include "ReferenceBandGains.h"

namespace
{
using namespace quarmont;
using quarmont::testing::BandParameterValues;
using quarmont::testing::fullMaskExtents;
using quarmont::testing::planAndApplyBandGains;

BandMasks unityMasks()
{
    BandMasks masks;

    for (auto& mask : masks)
        mask.assign (numProcessedBins, 1.0f);

    return masks;
}

/** Random raw values across and beyond the parameter ranges, with the special cases mixed in:
    0 dB gains, silencing gains, zero knees, equal or reversed edges, bypass. */
void randomiseBand (BandParameterValues& parameters, int band, std::mt19937& generator, bool boosting)
{
    std::uniform_real_distribution<float> unit (0.0f, 1.0f);
    const auto between = [&] (float low, float high) { return low + (high - low) * unit (generator); };
    const auto chance = [&] (float p) { return unit (generator) < p; };

    const auto edge = between (0.0f, 24000.0f);
    parameters.set (band, freqLowParam, edge);
    parameters.set (band, freqHighParam, chance (0.05f) ? edge : between (0.0f, 24000.0f));
    parameters.set (band, levelMinParam, between (-95.0f, 5.0f));
    parameters.set (band, levelMaxParam, between (-95.0f, 5.0f));
    parameters.set (band, gainParam, chance (0.15f) ? 0.0f : (chance (0.05f) ? -120.0f
                                                             : (boosting ? between (0.0f, 30.0f) : between (-70.0f, 0.0f))));
    parameters.set (band, attackParam, between (-5.0f, 400.0f));
    parameters.set (band, releaseParam, between (-5.0f, 3000.0f));
    parameters.set (band, lookaheadParam, between (-5.0f, 25.0f));
    // Knees are either off or at least 1 dB wide: a hair-thin soft knee is a step, and a step
    // cannot be compared within a tolerance (see nudgedAwayFromSteps).
    parameters.set (band, upperKneeParam, chance (0.4f) ? 0.0f : between (1.0f, 70.0f));
    parameters.set (band, lowerKneeParam, chance (0.4f) ? 0.0f : between (1.0f, 70.0f));
    parameters.set (band, bypassParam, chance (0.15f) ? 1.0f : 0.0f);
}

BandSettingsArray randomSettings (std::mt19937& generator, double sampleRate, bool boosting)
{
    BandParameterValues parameters;

    for (int band = 1; band <= numBands; ++band)
        randomiseBand (parameters, band, generator, boosting);

    return computeBandSettings (parameters.cache, sampleRate);
}

bool nearStep (const BandSettingsArray& settings, float level)
{
    constexpr float margin = 1.0e-3f; // dB; the engine's level agrees with log10's to 4e-5 dB

    for (const auto& band : settings)
        if ((band.lowerKneeDb <= 0.0f && std::abs (level - band.levelMinDb) < margin)
            || (band.upperKneeDb <= 0.0f && std::abs (level - band.levelMaxDb) < margin))
            return true;

    return false;
}

/** A random spectrum whose bin levels span -170 .. +20 dB, with a few silent, NaN and infinite
    bins. Bins that would sit on a hard level edge are drawn again: there the two
    implementations may rightly fall on different sides of the step. */
std::vector<std::complex<float>> randomSpectrum (std::mt19937& generator, const BandSettingsArray& settings)
{
    std::uniform_real_distribution<float> level (-170.0f, 20.0f), phase (0.0f, 6.2831853f), unit (0.0f, 1.0f);
    std::vector<std::complex<float>> spectrum (frameLength);

    for (int i = 0; i <= frameLength / 2; ++i)
    {
        const auto scale = binAmplitudeScale (i);
        auto& bin = spectrum[(size_t) i];
        const auto special = unit (generator);

        if (special < 0.01f)
            bin = {};
        else if (special < 0.015f)
            bin = { std::numeric_limits<float>::quiet_NaN(), 1.0f };
        else if (special < 0.02f)
            bin = { std::numeric_limits<float>::infinity(), 0.0f };
        else
        {
            do
                bin = std::polar (std::pow (10.0f, level (generator) / 20.0f) / scale, phase (generator));
            while (nearStep (settings, 20.0f * std::log10 (std::abs (bin) * scale + 1.0e-9f)));
        }

        if (i > 0 && i < frameLength / 2)
            spectrum[(size_t) (frameLength - i)] = std::conj (bin);
    }

    return spectrum;
}

void expectClose (float actual, float expected, float relative, const std::string& what)
{
    if (std::isnan (expected))
        EXPECT_TRUE (std::isnan (actual)) << what;
    else if (std::isinf (expected))
        EXPECT_EQ (actual, expected) << what;
    else
        EXPECT_NEAR (actual, expected, relative * std::max (1.0f, std::abs (expected))) << what;
}

/** The band step written out bin by bin over every bin and band, from the per-bin formulas
    alone: no ranges, no skipped bins, no loops specialised for the knees or for the bins between
    the frequency ramps. */
void stepEveryBinByTheFormulas (const BandSettingsArray& settings, BandMasks& masks, std::vector<std::complex<float>>& spectrum,
                                double sampleRate)
{
    float amplitudeDb[numProcessedBins];
    measureAmplitudeDecibels (spectrum.data(), amplitudeDb, numProcessedBins);

    for (int i = 0; i < numProcessedBins; ++i)
    {
        auto gain = 1.0f;

        for (size_t b = 0; b < (size_t) numBands; ++b)
        {
            const auto& band = settings[b];
            auto& mask = masks[b][(size_t) i];
            const auto target = targetGain (frequencyWeight (band, binFrequencyHz (i, (float) sampleRate)),
                                            levelWeight (band, binLevelDb (amplitudeDb[i])), band.gainLinear);
            mask = smoothedMask (mask, target, band.attackCoeff, band.releaseCoeff);
            gain *= mask;
        }

        gain = limitedBinGain (gain);
        spectrum[(size_t) i] = { spectrum[(size_t) i].real() * gain, spectrum[(size_t) i].imag() * gain };
    }
}

TEST (BandGainsReference, VectorisedStepMatchesThePlainOneFrameAfterFrame)
{
    std::mt19937 generator (2024);
    int comparedFrames = 0;

    for (int trial = 0; trial < 60; ++trial)
    {
        const auto sampleRate = trial % 3 == 0 ? 44100.0 : (trial % 3 == 1 ? 48000.0 : 96000.0);
        auto settings = randomSettings (generator, sampleRate, trial % 2 == 0);
        auto masks = unityMasks();
        auto referenceMasks = unityMasks();
        BandMaskExtents extents {};

        for (int frame = 0; frame < 16; ++frame)
        {
            // Halfway, some bands turn neutral: their masks relax, snap back or are skipped.
            if (frame == 10)
            {
                settings[(size_t) trial % numBands].gainLinear = 1.0f;
                settings[(size_t) (trial + 2) % numBands] = BandSettings {};
            }

            auto spectrum = randomSpectrum (generator, settings);
            auto referenceSpectrum = spectrum;

            float display[numDisplayBins], referenceDisplay[numDisplayBins];
            toDisplaySpectrum (spectrum.data(), display);
            quarmont::testing::referenceDisplaySpectrum (spectrum, referenceDisplay);

            planAndApplyBandGains (settings, masks, extents, spectrum.data(), sampleRate);
            quarmont::testing::referenceApplyBandGains (settings, referenceMasks, referenceSpectrum, sampleRate);

            const auto where = [&] (const char* what, size_t index)
            {
                return std::string (what) + " " + std::to_string (index) + ", trial " + std::to_string (trial)
                       + ", frame " + std::to_string (frame);
            };

            for (size_t i = 0; i < (size_t) numDisplayBins; ++i)
                ASSERT_NEAR (display[i], referenceDisplay[i], 1.0e-6f) << where ("display bin", i);

            for (size_t b = 0; b < (size_t) numBands; ++b)
                for (size_t i = 0; i < (size_t) numProcessedBins; ++i)
                    expectClose (masks[b][i], referenceMasks[b][i], 1.0e-5f, where ("mask of band", b) + ", bin " + std::to_string (i));

            // The engine keeps bins 0..1024 only; the rest of a real frame's spectrum mirrors them.
            for (size_t i = 0; i < (size_t) numProcessedBins; ++i)
            {
                expectClose (spectrum[i].real(), referenceSpectrum[i].real(), 1.0e-5f, where ("real part of bin", i));
                expectClose (spectrum[i].imag(), referenceSpectrum[i].imag(), 1.0e-5f, where ("imaginary part of bin", i));
            }

            if (HasFailure())
                return;

            ++comparedFrames;
        }
    }

    EXPECT_EQ (comparedFrames, 60 * 16);
}

TEST (BandGainsReference, OverlappingBandsCompoundWithinTheLimits)
{
    struct Case { float gainDb; int bands; float expectedGain; };

    const Case cases[] = {
        { 24.0f, 3, 32.0f },        // 3981 limited to 32
        { -60.0f, 3, 1.0e-6f },     // 1e-9 limited to 1e-6
        { -6.0f, 2, 0.25118864f },  // about -12 dB: bands multiply
        { 24.0f, 1, 15.848932f },
    };

    for (const auto& c : cases)
    {
        BandParameterValues parameters;

        for (int band = 1; band <= c.bands; ++band)
        {
            parameters.set (band, freqLowParam, 500.0f);
            parameters.set (band, freqHighParam, 1500.0f);
            parameters.set (band, gainParam, c.gainDb);
            parameters.set (band, attackParam, 1.0f);
            parameters.set (band, lookaheadParam, 0.0f);
        }

        const auto settings = computeBandSettings (parameters.cache, 48000.0);
        auto masks = unityMasks();
        BandMaskExtents extents {};
        const std::complex<float> tone { 3.0f, -4.0f }; // about -46 dB at bin 40 (937.5 Hz)
        std::vector<std::complex<float>> spectrum;

        for (int frame = 0; frame < 300; ++frame)
        {
            spectrum.assign (numProcessedBins, {});
            spectrum[40] = tone;
            planAndApplyBandGains (settings, masks, extents, spectrum.data(), 48000.0);
        }

        EXPECT_NEAR (spectrum[40].real() / tone.real(), c.expectedGain, c.expectedGain * 1.0e-5f) << c.gainDb << " dB x " << c.bands;
        EXPECT_NEAR (spectrum[40].imag() / tone.imag(), c.expectedGain, c.expectedGain * 1.0e-5f) << c.gainDb << " dB x " << c.bands;
        EXPECT_EQ (spectrum[100], std::complex<float> {}) << "silent bins stay silent";
    }
}

TEST (BandGainsReference, SkippingUntouchedBinsGivesTheBitsOfTheFullLoop)
{
    // Bands are moved, narrowed, widened, bypassed and silenced while their masks still relax:
    // the step that skips the bins outside the masks' extents and outside every ramp must give
    // exactly what the step that works through every bin gives and what the per-bin formulas give
    // bin by bin, and all of them what the reference gives.
    std::mt19937 generator (77);
    std::uniform_real_distribution<float> unit (0.0f, 1.0f);

    for (int trial = 0; trial < 40; ++trial)
    {
        const auto sampleRate = trial % 2 == 0 ? 48000.0 : 44100.0;
        BandParameterValues parameters;

        for (int band = 1; band <= numBands; ++band)
            randomiseBand (parameters, band, generator, trial % 3 == 0);

        auto skipping = unityMasks(), full = unityMasks(), plain = unityMasks(), reference = unityMasks();
        BandMaskExtents extents {};

        for (int frame = 0; frame < 24; ++frame)
        {
            for (int band = 1; band <= numBands; ++band)
            {
                const auto roll = unit (generator);

                if (roll < 0.15f)
                {
                    // Narrow to a few bins, or widen to most of the spectrum, around some frequency.
                    const auto centre = 20000.0f * unit (generator);
                    const auto halfWidth = unit (generator) < 0.5f ? 30.0f * unit (generator) : 12000.0f * unit (generator);
                    parameters.set (band, freqLowParam, centre - halfWidth);
                    parameters.set (band, freqHighParam, centre + halfWidth);
                    parameters.set (band, bypassParam, 0.0f);
                }
                else if (roll < 0.2f)
                    parameters.set (band, gainParam, 0.0f);
                else if (roll < 0.25f)
                    parameters.set (band, bypassParam, 1.0f - parameters.values[(size_t) band - 1][bypassParam].load());
                else if (roll < 0.3f)
                    randomiseBand (parameters, band, generator, trial % 3 == 0);
            }

            const auto settings = computeBandSettings (parameters.cache, sampleRate);
            const auto input = randomSpectrum (generator, settings);
            auto skipped = input, worked = input, byFormula = input, expected = input;

            auto everyBin = fullMaskExtents();
            planAndApplyBandGains (settings, skipping, extents, skipped.data(), sampleRate);
            planAndApplyBandGains (settings, full, everyBin, worked.data(), sampleRate);
            stepEveryBinByTheFormulas (settings, plain, byFormula, sampleRate);
            quarmont::testing::referenceApplyBandGains (settings, reference, expected, sampleRate);

            const auto where = ::testing::Message() << "trial " << trial << ", frame " << frame;

            for (size_t b = 0; b < (size_t) numBands; ++b)
            {
                ASSERT_EQ (0, std::memcmp (skipping[b].data(), full[b].data(), sizeof (float) * (size_t) numProcessedBins))
                    << "masks of band " << b << ", " << where;
                ASSERT_EQ (0, std::memcmp (skipping[b].data(), plain[b].data(), sizeof (float) * (size_t) numProcessedBins))
                    << "masks of band " << b << " against the formulas, " << where;

                for (int i = 0; i < numProcessedBins; ++i)
                {
                    if (i < extents[b].begin || i >= extents[b].end)
                    {
                        ASSERT_EQ (skipping[b][(size_t) i], 1.0f) << "bin " << i << " outside the extent of band " << b << ", " << where;
                    }

                    expectClose (skipping[b][(size_t) i], reference[b][(size_t) i], 1.0e-5f,
                                 "mask of band " + std::to_string (b) + ", bin " + std::to_string (i));
                }
            }

            ASSERT_EQ (0, std::memcmp (skipped.data(), worked.data(), sizeof (std::complex<float>) * (size_t) numProcessedBins))
                << "spectrum, " << where;
            ASSERT_EQ (0, std::memcmp (skipped.data(), byFormula.data(), sizeof (std::complex<float>) * (size_t) numProcessedBins))
                << "spectrum against the formulas, " << where;

            for (size_t i = 0; i < (size_t) numProcessedBins; ++i)
            {
                expectClose (skipped[i].real(), expected[i].real(), 1.0e-5f, "real part of bin " + std::to_string (i));
                expectClose (skipped[i].imag(), expected[i].imag(), 1.0e-5f, "imaginary part of bin " + std::to_string (i));
            }

            if (HasFailure())
                return;
        }
    }
}

TEST (BandGainsReference, ANarrowBandWorksOnlyInsideItsRamps)
{
    // A band of 1 kHz .. 1.1 kHz at 48 kHz: its ramps reach from 850 Hz to 1250 Hz, bins 37..53.
    BandParameterValues parameters;
    parameters.set (3, freqLowParam, 1000.0f);
    parameters.set (3, freqHighParam, 1100.0f);
    parameters.set (3, gainParam, -12.0f);
    const auto settings = computeBandSettings (parameters.cache, 48000.0);

    auto masks = unityMasks();
    BandMaskExtents extents {};
    std::vector<std::complex<float>> spectrum (numProcessedBins, { 10.0f, 0.0f }); // about -40 dB

    const auto changed = planAndApplyBandGains (settings, masks, extents, spectrum.data(), 48000.0);

    EXPECT_EQ (changed.begin, 37);
    EXPECT_EQ (changed.end, 54);
    EXPECT_EQ (extents[2].begin, 37);
    EXPECT_EQ (extents[2].end, 54);

    for (size_t b = 0; b < (size_t) numBands; ++b)
        EXPECT_TRUE (b == 2 || extents[b].isEmpty()) << "band " << b;

    EXPECT_EQ (spectrum[36], std::complex<float> (10.0f, 0.0f));
    EXPECT_EQ (spectrum[54], std::complex<float> (10.0f, 0.0f));
    EXPECT_LT (spectrum[45].real(), 10.0f);

    // Bypassed, the band's masks jump back to exactly 1 and it leaves the work.
    parameters.set (3, bypassParam, 1.0f);
    planAndApplyBandGains (computeBandSettings (parameters.cache, 48000.0), masks, extents, spectrum.data(), 48000.0);
    EXPECT_TRUE (extents[2].isEmpty());
    EXPECT_TRUE (std::all_of (masks[2].begin(), masks[2].end(), [] (float m) { return quarmont::isExactly (m, 1.0f); }));
}
} // namespace
