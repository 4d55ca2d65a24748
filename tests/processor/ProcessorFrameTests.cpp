// The processor shell: identity, buses, latency, lifecycle and the real-time rules of processBlock.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>

#include "engine/LatencyAlignedBypass.h"
#include "processor/ParameterLayout.h"
#include "processor/PluginProcessor.h"
#include "support/AllocationCounter.h"

namespace
{
juce::AudioBuffer<float> makeNoise (int channels, int samples, unsigned seed = 1)
{
    std::mt19937 generator (seed);
    std::uniform_real_distribution<float> distribution (-0.5f, 0.5f);
    juce::AudioBuffer<float> buffer (channels, samples);

    for (int ch = 0; ch < channels; ++ch)
        for (int n = 0; n < samples; ++n)
            buffer.setSample (ch, n, distribution (generator));

    return buffer;
}

void processInBlocks (juce::AudioProcessor& processor, juce::AudioBuffer<float>& audio, int blockSize)
{
    juce::MidiBuffer midi;

    for (int start = 0; start < audio.getNumSamples(); start += blockSize)
    {
        juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), audio.getNumChannels(), start,
                                        std::min (blockSize, audio.getNumSamples() - start));
        processor.processBlock (block, midi);
    }
}

juce::AudioProcessor::BusesLayout layoutOf (const juce::AudioChannelSet& in, const juce::AudioChannelSet& out)
{
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (in);
    layout.outputBuses.add (out);
    return layout;
}

TEST (ProcessorFrame, IdentityAndFixedAnswers)
{
    QuarmontAudioProcessor processor;
    EXPECT_EQ (processor.getName(), "Quarmont");
    EXPECT_EQ (processor.getLatencySamples(), 2048);
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), "Default");
    processor.setCurrentProgram (3);
    processor.changeProgramName (0, "Renamed");
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), "Default");

    EXPECT_EQ (processor.getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (processor.getBus (false, 0)->getName(), "Output");
    EXPECT_EQ (processor.getMainBusNumInputChannels(), 2);
    EXPECT_EQ (processor.getMainBusNumOutputChannels(), 2);
}

TEST (ProcessorFrame, LatencyStays2048AtEverySampleRate)
{
    QuarmontAudioProcessor processor;

    for (const auto rate : { 44100.0, 48000.0, 96000.0, 192000.0, 0.0, -1.0 })
    {
        processor.prepareToPlay (rate, 256);
        EXPECT_EQ (processor.getLatencySamples(), 2048) << rate;
    }
}

// The bands sit at their frequencies for the host's sample rate, and at 44.1 kHz when the host
// names no usable rate: the processor sounds exactly like an engine prepared at that rate on the
// same parameters, and unlike one prepared at another rate.
TEST (ProcessorFrame, EngineRunsAtTheHostsSampleRate)
{
    struct Case { double hostRate, engineRate, otherRate; };
    const Case cases[] {
        { 44100.0, 44100.0, 48000.0 },
        { 96000.0, 96000.0, 48000.0 },
        { 0.0, 44100.0, 48000.0 },
        { -1.0, 44100.0, 48000.0 },
        { std::numeric_limits<double>::infinity(), 44100.0, 48000.0 },
    };

    constexpr int numSamples = 8192;

    for (const auto& c : cases)
    {
        SCOPED_TRACE ("host rate " + std::to_string (c.hostRate));
        QuarmontAudioProcessor processor;
        auto& gain = *processor.apvts.getParameter (quarmont::bandParameterId (3, quarmont::gainParam));
        gain.setValueNotifyingHost (gain.convertTo0to1 (-24.0f));
        processor.prepareToPlay (c.hostRate, 512);

        auto processed = makeNoise (2, numSamples);
        processInBlocks (processor, processed, 512);

        const auto engineOutput = [&] (double rate)
        {
            quarmont::BandLevelingEngine engine;
            engine.setParameterCache (quarmont::cacheParameterPointers (processor.apvts));
            engine.prepare (rate, 2);
            auto audio = makeNoise (2, numSamples);

            for (int ch = 0; ch < 2; ++ch)
                engine.processChannel (ch, audio.getWritePointer (ch), numSamples);

            return audio;
        };

        const auto sameSamples = [&] (const juce::AudioBuffer<float>& other)
        {
            for (int ch = 0; ch < 2; ++ch)
                if (! std::equal (processed.getReadPointer (ch), processed.getReadPointer (ch) + numSamples, other.getReadPointer (ch)))
                    return false;

            return true;
        };

        EXPECT_TRUE (sameSamples (engineOutput (c.engineRate)));
        EXPECT_FALSE (sameSamples (engineOutput (c.otherRate)));
    }
}

TEST (ProcessorFrame, AcceptsOnlyMatchingMonoOrStereo)
{
    using Set = juce::AudioChannelSet;
    QuarmontAudioProcessor processor;

    struct Case { Set in, out; bool accepted; };
    const Case cases[] {
        { Set::mono(), Set::mono(), true },
        { Set::stereo(), Set::stereo(), true },
        { Set::mono(), Set::stereo(), false },
        { Set::stereo(), Set::mono(), false },
        { Set::create5point1(), Set::create5point1(), false },
        { Set::discreteChannels (6), Set::discreteChannels (6), false },
        { Set::stereo(), Set::disabled(), false },
    };

    for (const auto& c : cases)
        EXPECT_EQ (processor.checkBusesLayoutSupported (layoutOf (c.in, c.out)), c.accepted)
            << c.in.getDescription() << " -> " << c.out.getDescription();
}

TEST (ProcessorFrame, ChannelsNotPreparedForAreSilentAndAllocateNothing)
{
    // Host orders that reach processBlock with channels prepareToPlay made no room for: none at
    // all yet, or a layout grown since. Those channels are silent; the audio thread allocates nothing.
    struct Case
    {
        const char* order;
        std::function<void (QuarmontAudioProcessor&)> setUp;
        int processedChannels;
    };

    const Case cases[] {
        { "before any prepareToPlay", [] (QuarmontAudioProcessor&) {}, 0 },
        { "stereo after preparing mono",
          [] (QuarmontAudioProcessor& p)
          {
              ASSERT_TRUE (p.setBusesLayout (layoutOf (juce::AudioChannelSet::mono(), juce::AudioChannelSet::mono())));
              p.prepareToPlay (48000.0, 512);
              ASSERT_TRUE (p.setBusesLayout (layoutOf (juce::AudioChannelSet::stereo(), juce::AudioChannelSet::stereo())));
          },
          1 },
    };

    for (const auto& c : cases)
    {
        for (const auto bypassed : { false, true })
        {
            SCOPED_TRACE (std::string (c.order) + (bypassed ? ", bypassed" : ""));
            QuarmontAudioProcessor processor;
            c.setUp (processor);
            auto audio = makeNoise (2, 8192);
            juce::MidiBuffer midi;

            {
                quarmont::testing::ScopedAllocationCounter allocations;

                for (int start = 0; start < 8192; start += 512)
                {
                    juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), 2, start, 512);

                    if (bypassed)
                        processor.processBlockBypassed (block, midi);
                    else
                        processor.processBlock (block, midi);
                }

                EXPECT_EQ (allocations.getCount(), 0u);
            }

            for (int ch = 0; ch < 2; ++ch)
                if (ch < c.processedChannels)
                    EXPECT_GT (audio.getMagnitude (ch, 4096, 4096), 0.1f) << ch;
                else
                    EXPECT_EQ (audio.getMagnitude (ch, 0, 8192), 0.0f) << ch;
        }
    }
}

TEST (ProcessorFrame, ExtraOutputChannelsAreSilent)
{
    QuarmontAudioProcessor processor;
    ASSERT_TRUE (processor.setBusesLayout (layoutOf (juce::AudioChannelSet::mono(), juce::AudioChannelSet::mono())));
    processor.prepareToPlay (48000.0, 512);

    // A host that nonetheless hands over two channels for a mono layout.
    auto audio = makeNoise (2, 4096);
    processInBlocks (processor, audio, 512);
    EXPECT_EQ (audio.getMagnitude (1, 0, 4096), 0.0f);
    EXPECT_GT (audio.getMagnitude (0, 2048 + 100, 4096 - 2148), 0.1f);
}

TEST (ProcessorFrame, ReleaseResourcesRestartsFromSilence)
{
    QuarmontAudioProcessor processor;
    processor.prepareToPlay (48000.0, 512);
    auto first = makeNoise (2, 6000, 1);
    processInBlocks (processor, first, 512);
    processor.releaseResources();

    const auto input = makeNoise (2, 6000, 2);
    auto afterRelease = input;
    processInBlocks (processor, afterRelease, 333);

    QuarmontAudioProcessor fresh;
    fresh.prepareToPlay (48000.0, 512);
    auto reference = input;
    processInBlocks (fresh, reference, 333);

    for (int ch = 0; ch < 2; ++ch)
        for (int n = 0; n < 6000; ++n)
            ASSERT_EQ (afterRelease.getSample (ch, n), reference.getSample (ch, n)) << ch << "/" << n;
}

TEST (ProcessorFrame, ProcessBlockDoesNotAllocateOnceRunning)
{
    QuarmontAudioProcessor processor;
    processor.prepareToPlay (48000.0, 512);
    auto audio = makeNoise (2, 48000);
    juce::MidiBuffer midi;

    // Blocks of every size, larger than announced too, in and out of the host's bypass and
    // through its fades.
    for (const auto blockSize : { 512, 1, 37, 4096, 0, 20000 })
    {
        quarmont::testing::ScopedAllocationCounter allocations;
        juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), 2, 0, blockSize);

        for (int i = 0; i < 12; ++i)
        {
            if (i % 3 == 1)
                processor.processBlockBypassed (block, midi);
            else
                processor.processBlock (block, midi);
        }

        EXPECT_EQ (allocations.getCount(), 0u) << "block size " << blockSize;
    }
}

juce::AudioBuffer<float> makeSine (int channels, int samples, double hz, double rate)
{
    juce::AudioBuffer<float> buffer (channels, samples);

    for (int ch = 0; ch < channels; ++ch)
        for (int n = 0; n < samples; ++n)
            buffer.setSample (ch, n, 0.5f * (float) std::sin (2.0 * juce::MathConstants<double>::pi * hz * n / rate + ch));

    return buffer;
}

float largestStep (const juce::AudioBuffer<float>& audio, int channel, int begin, int end)
{
    float largest = 0.0f;

    for (int n = begin + 1; n < end; ++n)
        largest = std::max (largest, std::abs (audio.getSample (channel, n) - audio.getSample (channel, n - 1)));

    return largest;
}

TEST (ProcessorFrame, HostBypassTurnedFasterThanItsFadeStaysSmoothAndInTime)
{
    // Band 3 takes a 997 Hz sine down by 12 dB. The host turns its bypass on and off every 100
    // samples (a quarter of the fade) for a while, then bypasses one block much larger than
    // announced, then lets the plug-in process again.
    auto makeCutting = []
    {
        auto p = std::make_unique<QuarmontAudioProcessor>();
        p->apvts.getParameter ("band3_gain")->setValueNotifyingHost (
            p->apvts.getParameterRange ("band3_gain").convertTo0to1 (-12.0f));
        p->prepareToPlay (48000.0, 100);
        return p;
    };

    auto processor = makeCutting();
    auto reference = makeCutting();
    const auto fade = (int) std::ceil (quarmont::LatencyAlignedBypass::bypassFadeSeconds * 48000.0);
    const auto input = makeSine (2, 60000, 997.0, 48000.0);
    auto output = input, referenceOutput = input;
    juce::MidiBuffer midi;
    processInBlocks (*reference, referenceOutput, 100);

    auto render = [&] (int start, int length, bool bypassed)
    {
        juce::AudioBuffer<float> block (output.getArrayOfWritePointers(), 2, start, length);

        if (bypassed)
            processor->processBlockBypassed (block, midi);
        else
            processor->processBlock (block, midi);
    };

    constexpr int togglingFrom = 20000, bigBlockFrom = 24000, bigBlockLength = 12000, processedFrom = bigBlockFrom + bigBlockLength;

    for (int start = 0; start < togglingFrom; start += 100)
        render (start, 100, false);

    for (int start = togglingFrom; start < bigBlockFrom; start += 100)
        render (start, 100, (start / 100) % 2 == 0);

    render (bigBlockFrom, bigBlockLength, true);

    for (int start = processedFrom; start < 60000; start += 100)
        render (start, 100, false);

    for (int ch = 0; ch < 2; ++ch)
    {
        EXPECT_LE (largestStep (output, ch, togglingFrom - 100, processedFrom + fade + 100), largestStep (input, ch, 0, 60000));

        for (int n = bigBlockFrom + fade; n < processedFrom; ++n)
            ASSERT_EQ (output.getSample (ch, n), input.getSample (ch, n - 2048)) << ch << "/" << n;

        for (int n = processedFrom + fade; n < 60000; ++n)
            ASSERT_EQ (output.getSample (ch, n), referenceOutput.getSample (ch, n)) << ch << "/" << n;
    }
}
} // namespace
