// The processor shell: identity, buses, latency, lifecycle and the real-time rules of processBlock.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>

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

TEST (ProcessorFrame, ProcessBlockBeforePrepareIsSafeAndAlreadyDelays)
{
    QuarmontAudioProcessor processor;
    auto input = makeNoise (2, 8192);
    auto audio = input;
    processInBlocks (processor, audio, 512);

    // Exact silence while the first frame fills, then the input 2048 samples late (the first hop
    // after that is rebuilt from one frame over a tiny window sum, hence the looser tolerance).
    for (int ch = 0; ch < 2; ++ch)
        for (int n = 0; n < 8192; ++n)
            if (n < 2048 + 21)
                ASSERT_EQ (audio.getSample (ch, n), 0.0f) << n;
            else
                ASSERT_NEAR (audio.getSample (ch, n), input.getSample (ch, n - 2048), n < 2560 ? 1.0e-3f : 2.0e-5f) << n;
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

    for (const auto blockSize : { 512, 1, 37, 4096, 0 })
    {
        quarmont::testing::ScopedAllocationCounter allocations;
        juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), 2, 0, blockSize);

        for (int i = 0; i < 12; ++i)
            processor.processBlock (block, midi);

        EXPECT_EQ (allocations.getCount(), 0u) << "block size " << blockSize;
    }
}
} // namespace
