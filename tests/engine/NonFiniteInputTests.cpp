// Garbage in: NaN and infinite samples from a broken plug-in upstream, and non-finite parameter
// values from a host or a damaged project. Quarmont must come back by itself, and no damaged
// value may settle in the band masks, where it would stay until a reset.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "EngineSignals.h"

namespace
{
using namespace quarmont;
using namespace quarmont::testing;

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

template <typename Values>
bool allFinite (const Values& values, size_t begin = 0)
{
    return std::all_of (values.begin() + (long) begin, values.end(), [] (float x) { return std::isfinite (x); });
}

void activateBands (BandParameterValues& parameters)
{
    setBand (parameters, 2, 120.0f, 600.0f, -70.0f, -10.0f, -12.0f);
    setBand (parameters, 4, 2500.0f, 7000.0f, -80.0f, 0.0f, 6.0f);
    parameters.set (4, lowerKneeParam, 10.0f);
}

TEST (NonFiniteInput, ABurstOfNaNOrInfinityPassesAndTheOutputRecovers)
{
    // 64 bad samples ending on a hop boundary, after some noise and before more noise.
    constexpr int burstEnd = 12 * hopSize;
    constexpr int burstStart = burstEnd - 64;
    constexpr int recovered = 8192; // samples after the burst from which all must be well again

    const auto before = makeNoise (burstStart, 31);
    const auto after = makeNoise (6 * frameLength + recovered, 32);

    for (const auto bad : { nan, inf, -inf })
    {
        for (const auto activeBands : { false, true })
        {
            SCOPED_TRACE (::testing::Message() << "burst of " << bad << (activeBands ? ", active bands" : ", default settings"));

            auto input = before;
            input.insert (input.end(), (size_t) (burstEnd - burstStart), bad);
            input.insert (input.end(), after.begin(), after.end());

            EngineUnderTest damaged (48000.0, 1);
            EngineUnderTest fresh (48000.0, 1);

            if (activeBands)
            {
                activateBands (damaged.parameters);
                activateBands (fresh.parameters);
            }

            // Hop by hop, so that every frame's masks and published spectra can be looked at.
            auto output = input;
            int serial = 0;
            float shownInput[numDisplayBins], shownOutput[numDisplayBins];

            for (size_t start = 0; start < output.size(); start += hopSize)
            {
                damaged.engine.processChannel (0, output.data() + start, (int) std::min<size_t> (hopSize, output.size() - start));

                for (int band = 1; band <= numBands; ++band)
                    ASSERT_TRUE (allFinite (damaged.mask (band))) << "band " << band << " after sample " << start;

                if (! damaged.engine.getSpectrumSnapshot (shownInput, shownOutput, serial))
                    continue;

                for (size_t i = 0; i < (size_t) numDisplayBins; ++i)
                    ASSERT_TRUE (shownInput[i] >= 0.0f && shownInput[i] <= 1.0f && shownOutput[i] >= 0.0f && shownOutput[i] <= 1.0f)
                        << "display bin " << i << " after sample " << start;
            }

            const auto reference = fresh.process (after);
            EXPECT_TRUE (allFinite (output, burstEnd + recovered));

            // With neutral bands nothing remembers the burst: the output is what an instance that
            // never saw it makes of the same noise. (Active bands remember it in their masks.)
            if (! activeBands)
            {
                for (size_t n = recovered; n < after.size(); ++n)
                    ASSERT_NEAR (output[(size_t) burstEnd + n], reference[n], 1.0e-4f) << "sample " << n << " after the burst";
            }
        }
    }
}

TEST (NonFiniteInput, ANonFiniteParameterSilencesOnlyItsOwnBand)
{
    // Two sines, one in band 2 (cut by 12 dB) and one in band 4 (boosted by 6 dB).
    constexpr double sampleRate = 48000.0;
    constexpr int lowBin = 10, highBin = 200;   // 234 Hz and 4.69 kHz
    const auto lowHz = lowBin * sampleRate / frameLength, highHz = highBin * sampleRate / frameLength;

    auto input = makeBinSine (48000, lowBin, sampleRate, 0.25f);
    const auto high = makeBinSine (48000, highBin, sampleRate, 0.25f);

    for (size_t n = 0; n < input.size(); ++n)
        input[n] += high[n];

    const auto gainAt = [&] (const std::vector<float>& output, double frequency)
    {
        return toDecibels (amplitudeAt (output, 24000, 24000, frequency, sampleRate)
                           / amplitudeAt (input, 24000 - frameLength, 24000, frequency, sampleRate));
    };

    for (int parameter = 0; parameter < bypassParam; ++parameter)
    {
        for (const auto damaged : { nan, inf, -inf })
        {
            SCOPED_TRACE (::testing::Message() << "band 2, parameter " << parameter << " = " << damaged);
            EngineUnderTest test;
            activateBands (test.parameters);
            const auto healthy = test.parameters.values[1][(size_t) parameter].load();

            test.parameters.set (2, (BandParameter) parameter, damaged);
            const auto output = test.process (input);

            ASSERT_TRUE (allFinite (output));
            EXPECT_NEAR (gainAt (output, lowHz), 0.0, 0.1) << "band 2 neutral";
            EXPECT_NEAR (gainAt (output, highHz), 6.0, 0.1) << "band 4 still working";

            for (const auto m : test.mask (2))
                ASSERT_EQ (m, 1.0f);

            // Once the value is whole again, so is the band.
            test.parameters.set (2, (BandParameter) parameter, healthy);
            EXPECT_NEAR (gainAt (test.process (input), lowHz), -12.0, 0.1) << "band 2 working again";
        }
    }
}
} // namespace
