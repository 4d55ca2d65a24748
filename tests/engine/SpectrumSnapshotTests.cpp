// The display spectra handed to the editor: when a snapshot is new, what it shows, which channel
// feeds it, and that a reader on another thread always gets a matching pair.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "EngineSignals.h"
#include "engine/ExactFloat.h"

namespace
{
using namespace quarmont;
using namespace quarmont::testing;

struct Snapshot
{
    bool fresh = false;
    float input[numDisplayBins] {};
    float output[numDisplayBins] {};
};

Snapshot takeSnapshot (const BandLevelingEngine& engine, int& serial)
{
    Snapshot snapshot;
    snapshot.fresh = engine.getSpectrumSnapshot (snapshot.input, snapshot.output, serial);
    return snapshot;
}

TEST (SpectrumSnapshot, IsNewExactlyOnceAfterEachPublish)
{
    EngineUnderTest test;
    int serial = 0;

    EXPECT_FALSE (takeSnapshot (test.engine, serial).fresh) << "nothing published before any audio";

    test.process (makeNoise (frameLength, 1));
    EXPECT_TRUE (takeSnapshot (test.engine, serial).fresh);
    EXPECT_FALSE (takeSnapshot (test.engine, serial).fresh) << "no new audio, nothing new";

    test.process (makeNoise (3 * hopSize, 2)); // three frames, one snapshot
    EXPECT_TRUE (takeSnapshot (test.engine, serial).fresh);
    EXPECT_EQ (serial, 4);
    EXPECT_FALSE (takeSnapshot (test.engine, serial).fresh);

    // A reset clears neither the arrays nor the serial: the editor just waits for new audio.
    test.engine.reset();
    EXPECT_FALSE (takeSnapshot (test.engine, serial).fresh);
}

TEST (SpectrumSnapshot, ShowsLevelsFromMinus100To0dB)
{
    struct Case { const char* name; float amplitude; int bin; float expectedAtBin, expectedElsewhere; };

    const Case cases[] = {
        { "full-scale sine at a bin centre: about -6 dB", 1.0f, 100, 0.9398f, 0.0f },
        { "a quieter one", 0.01f, 300, 0.5398f, 0.0f },
        { "digital silence", 0.0f, 100, 0.0f, 0.0f },
    };

    for (const auto& c : cases)
    {
        EngineUnderTest test;
        int serial = 0;
        test.process (makeBinSine (4 * frameLength, c.bin, 48000.0, c.amplitude));
        const auto snapshot = takeSnapshot (test.engine, serial);

        ASSERT_TRUE (snapshot.fresh) << c.name;
        EXPECT_NEAR (snapshot.input[c.bin], c.expectedAtBin, 0.002f) << c.name;
        EXPECT_NEAR (snapshot.input[c.bin + 200], c.expectedElsewhere, 0.002f) << c.name;

        for (size_t i = 0; i < (size_t) numDisplayBins; ++i)
        {
            ASSERT_GE (snapshot.input[i], 0.0f) << c.name << ", bin " << i;
            ASSERT_LE (snapshot.input[i], 1.0f) << c.name << ", bin " << i;
            ASSERT_EQ (snapshot.output[i], snapshot.input[i]) << c.name << ": neutral bands, bin " << i;
        }
    }
}

TEST (SpectrumSnapshot, OnlyChannelZeroFeedsTheDisplay)
{
    const auto sine = makeBinSine (4 * frameLength, 100, 48000.0, 1.0f);
    const std::vector<float> silence (sine.size(), 0.0f);

    for (const auto sineChannel : { 0, 1 })
    {
        EngineUnderTest test (48000.0, 2);
        int serial = 0;
        test.process (sineChannel == 0 ? sine : silence, 0);
        test.process (sineChannel == 1 ? sine : silence, 1);
        const auto snapshot = takeSnapshot (test.engine, serial);

        ASSERT_TRUE (snapshot.fresh);
        EXPECT_EQ (serial, 1 + (int) (sine.size() - frameLength) / hopSize) << "one publish per frame of channel 0";

        if (sineChannel == 0)
        {
            EXPECT_NEAR (snapshot.input[100], 0.9398f, 0.002f);
        }
        else
        {
            for (size_t i = 0; i < (size_t) numDisplayBins; ++i)
            {
                ASSERT_EQ (snapshot.input[i], 0.0f) << "bin " << i;
                ASSERT_EQ (snapshot.output[i], 0.0f) << "bin " << i;
            }
        }
    }
}

TEST (SpectrumSnapshot, OutputSpectrumShowsTheBandGains)
{
    EngineUnderTest test;
    setBand (test.parameters, 3, 600.0f, 2500.0f, -40.0f, 0.0f, -12.0f);
    int serial = 0;
    test.process (makeBinSine (48000, 43, 48000.0, 0.5f));
    const auto snapshot = takeSnapshot (test.engine, serial);

    ASSERT_TRUE (snapshot.fresh);
    EXPECT_NEAR (snapshot.input[43], (100.0f + binLevelOfSineDb (0.5f)) / 100.0f, 0.001f);
    EXPECT_NEAR (snapshot.output[43], snapshot.input[43] - 0.12f, 0.002f) << "-12 dB is 0.12 of the display's 100 dB";
    EXPECT_EQ (snapshot.output[500], snapshot.input[500]) << "outside band 3, nothing changes";
}

TEST (SpectrumSnapshot, AReaderOnAnotherThreadNeverSeesATornPair)
{
    // With neutral bands the two spectra of one frame are identical, while noise makes every
    // frame differ from the last: a pair taken from two different frames shows as a mismatch.
    EngineUnderTest test;
    const auto noise = makeNoise (frameLength + 3000 * hopSize, 17);
    std::atomic<bool> writing { true };
    int pairsRead = 0, mismatches = 0;

    std::thread reader ([&]
    {
        int serial = 0, previousSerial = 0;
        Snapshot snapshot;

        while (writing.load())
        {
            if (! test.engine.getSpectrumSnapshot (snapshot.input, snapshot.output, serial))
                continue;

            ++pairsRead;
            mismatches += serial > previousSerial ? 0 : 1;
            previousSerial = serial;

            for (size_t i = 0; i < (size_t) numDisplayBins; ++i)
                if (! quarmont::isExactly (snapshot.input[i], snapshot.output[i]))
                {
                    ++mismatches;
                    break;
                }
        }
    });

    for (size_t start = 0; start < noise.size(); start += hopSize)
    {
        std::vector<float> block (noise.begin() + (long) start, noise.begin() + (long) std::min (start + hopSize, noise.size()));
        test.engine.processChannel (0, block.data(), (int) block.size());
    }

    writing = false;
    reader.join();

    EXPECT_GT (pairsRead, 0);
    EXPECT_EQ (mismatches, 0);
}
} // namespace
