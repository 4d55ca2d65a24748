// The host's bypass of Quarmont.vst3 (the bypass parameter JUCE's wrapper adds for hosts) and of
// Quarmont.lv2 (its `enabled` port, which JUCE's LV2 hosting offers as the bypass parameter),
// through JUCE's hosting of the built bundles: the track stays in time, and each switch is click-free.

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

#include "engine/EngineConstants.h"
#include "engine/LatencyAlignedBypass.h"
#include "hosting/PluginHost.h"
#include "plugin/HostedBundles.h"

namespace
{
constexpr double sampleRate = 48000.0;

// 997 Hz: no delay short of a second maps the sine onto itself, so a wrong delay cannot hide.
// Band 3 (600 .. 2500 Hz, the whole level range) takes it down by 12 dB.
constexpr double sineHz = 997.0;

std::unique_ptr<juce::AudioPluginInstance> loadCuttingBand3By12Db (const juce::File& bundle, int channels, int blockSize)
{
    juce::String error;
    auto instance = quarmont::hosting::loadPlugin (bundle, sampleRate, blockSize, channels, error);
    EXPECT_NE (instance, nullptr) << error;

    if (instance != nullptr)
        for (auto* parameter : instance->getParameters())
            if (parameter->getName (100) == "Band 3 Gain")
                parameter->setValueNotifyingHost (parameter->getValueForText ("-12"));

    return instance;
}

/** A sine per channel, each with its own amplitude and phase, so that swapped channels show. */
juce::AudioBuffer<float> makeSines (int channels, int samples)
{
    juce::AudioBuffer<float> audio (channels, samples);

    for (int ch = 0; ch < channels; ++ch)
        for (int n = 0; n < samples; ++n)
            audio.setSample (ch, n, (ch == 0 ? 0.5f : 0.3f)
                                        * (float) std::sin (2.0 * juce::MathConstants<double>::pi * sineHz * n / sampleRate + ch));

    return audio;
}

struct BypassedRun
{
    juce::AudioBuffer<float> output;
    int enteredAt = -1, leftAt = -1; // the first sample of the first block bypassed / not any more
};

/** Renders the input block by block, switching the host's bypass parameter on before the first
    block that starts at or after enterAt, and off again before the first one at or after leaveAt. */
BypassedRun renderWithHostBypass (juce::AudioPluginInstance& instance, const juce::AudioBuffer<float>& input,
                                  int blockSize, int enterAt, int leaveAt)
{
    auto* bypass = instance.getBypassParameter();
    EXPECT_NE (bypass, nullptr) << "the wrapper offers hosts no bypass parameter";
    BypassedRun run { input, -1, -1 };
    juce::MidiBuffer midi;

    for (int start = 0; start < input.getNumSamples(); start += blockSize)
    {
        if (bypass != nullptr && run.enteredAt < 0 && start >= enterAt)
        {
            bypass->setValueNotifyingHost (1.0f);
            run.enteredAt = start;
        }

        if (bypass != nullptr && run.enteredAt >= 0 && run.leftAt < 0 && start >= leaveAt)
        {
            bypass->setValueNotifyingHost (0.0f);
            run.leftAt = start;
        }

        juce::AudioBuffer<float> block (run.output.getArrayOfWritePointers(), run.output.getNumChannels(), start,
                                        std::min (blockSize, input.getNumSamples() - start));
        instance.processBlock (block, midi);
        midi.clear();
    }

    return run;
}

float largestStep (const juce::AudioBuffer<float>& audio, int channel, int begin, int end)
{
    float largest = 0.0f;

    for (int n = std::max (begin, 1); n < std::min (end, audio.getNumSamples()); ++n)
        largest = std::max (largest, std::abs (audio.getSample (channel, n) - audio.getSample (channel, n - 1)));

    return largest;
}

class HostBypass : public quarmont::testing::EachBundle {};
INSTANTIATE_TEST_SUITE_P (EachFormat, HostBypass, ::testing::ValuesIn (quarmont::testing::hostedBundles),
                          quarmont::testing::formatOf);

TEST_P (HostBypass, KeepsTheLatencyAndSwitchesWithoutAClick)
{
    const auto fade = (int) std::ceil (quarmont::LatencyAlignedBypass::bypassFadeSeconds * sampleRate);
    constexpr int latency = quarmont::latencySamples;
    constexpr int total = 48000;

    // Switches at block starts: 24064 and 36352 for blocks of 512 (neither a frame boundary),
    // 24000 and 36000 for 300, and so on.
    struct Case { int channels, blockSize; };
    const Case cases[] { { 1, 512 }, { 2, 512 }, { 2, 300 }, { 1, 441 }, { 2, 37 }, { 2, 1024 } };

    for (const auto& c : cases)
    {
        if (c.channels == 1 && ! GetParam().offersMono)
            continue;

        SCOPED_TRACE ("channels " + std::to_string (c.channels) + ", blocks of " + std::to_string (c.blockSize));
        auto toggled = loadCuttingBand3By12Db (GetParam().file(), c.channels, c.blockSize);
        auto neverBypassed = loadCuttingBand3By12Db (GetParam().file(), c.channels, c.blockSize);
        ASSERT_TRUE (toggled != nullptr && neverBypassed != nullptr);
        ASSERT_NE (toggled->getBypassParameter(), nullptr) << "the wrapper offers hosts no bypass parameter";

        const auto input = makeSines (c.channels, total);
        const auto run = renderWithHostBypass (*toggled, input, c.blockSize, 24000, 36000);
        const auto reference = renderWithHostBypass (*neverBypassed, input, c.blockSize, total, total);
        ASSERT_GE (run.enteredAt, 24000);
        ASSERT_GT (run.leftAt, run.enteredAt + fade);

        for (int ch = 0; ch < c.channels; ++ch)
        {
            float bypassedDeviation = 0.0f, afterDeviation = 0.0f, beforeDeviation = 0.0f;

            for (int n = 0; n < run.enteredAt; ++n)
                beforeDeviation = std::max (beforeDeviation, std::abs (run.output.getSample (ch, n) - reference.output.getSample (ch, n)));

            for (int n = run.enteredAt + fade; n < run.leftAt; ++n)
                bypassedDeviation = std::max (bypassedDeviation, std::abs (run.output.getSample (ch, n) - input.getSample (ch, n - latency)));

            for (int n = run.leftAt + fade; n < total; ++n)
                afterDeviation = std::max (afterDeviation, std::abs (run.output.getSample (ch, n) - reference.output.getSample (ch, n)));

            // The band really cuts: the processed sine is a quarter of the input's amplitude.
            const auto processedPeak = reference.output.getMagnitude (ch, 20000, 4000);
            const auto inputPeak = input.getMagnitude (ch, 0, total);
            EXPECT_NEAR (processedPeak / inputPeak, 0.25f, 0.02f);

            EXPECT_EQ (beforeDeviation, 0.0f);
            EXPECT_EQ (bypassedDeviation, 0.0f) << "while bypassed, the input 2048 samples late";
            EXPECT_EQ (afterDeviation, 0.0f) << "after bypass, as if it had never been";

            // The loudest of the two signals is the dry input: no switch may step further than it does.
            const auto ownStep = largestStep (input, ch, 0, total);
            const auto enterStep = largestStep (run.output, ch, run.enteredAt - 64, run.enteredAt + fade + 64);
            const auto leaveStep = largestStep (run.output, ch, run.leftAt - 64, run.leftAt + fade + 64);
            EXPECT_LE (enterStep, ownStep);
            EXPECT_LE (leaveStep, ownStep);

            std::cout << "[ bypass   ] " << GetParam().format << ", " << c.channels << " ch, blocks of " << c.blockSize << ", channel " << ch
                      << ": switched at " << run.enteredAt << " and " << run.leftAt << "; largest deviation while bypassed "
                      << bypassedDeviation << ", after " << afterDeviation << "; largest step entering " << enterStep
                      << ", leaving " << leaveStep << ", the input's own " << ownStep << "\n";
        }
    }
}
} // namespace
