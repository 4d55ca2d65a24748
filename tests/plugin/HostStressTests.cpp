// What real hosts do to a plug-in, through the built Quarmont.vst3: any block size, any sample
// rate, endless prepare/release cycles, automation from another thread, state and editors while
// audio runs on its own thread. In all of it the output must stay finite and the latency exact.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "hosting/PluginHost.h"
#include "support/AllocationCounter.h"
#include "XErrorTolerance.h"

namespace
{
const juce::File bundle { QUARMONT_VST3_BUNDLE };

std::unique_ptr<juce::AudioPluginInstance> load (double sampleRate = 48000.0, int blockSize = 512, int channels = 2)
{
    juce::String error;
    auto instance = quarmont::hosting::loadVst3 (bundle, sampleRate, blockSize, channels, error);
    EXPECT_NE (instance, nullptr) << error;
    return instance;
}

void fillNoise (juce::AudioBuffer<float>& buffer, juce::Random& random, float amplitude = 0.5f)
{
    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
        for (int n = 0; n < buffer.getNumSamples(); ++n)
            buffer.setSample (ch, n, amplitude * (2.0f * random.nextFloat() - 1.0f));
}

/** Counts output samples that are NaN, infinite or subnormal. */
int countUnsoundSamples (const juce::AudioBuffer<float>& buffer)
{
    int unsound = 0;

    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
        for (int n = 0; n < buffer.getNumSamples(); ++n)
        {
            const auto x = buffer.getSample (ch, n);
            unsound += (! std::isfinite (x) || std::fpclassify (x) == FP_SUBNORMAL) ? 1 : 0;
        }

    return unsound;
}

/** Runs audio on its own thread, as a host's audio thread would, until stopped. */
class AudioThread
{
public:
    AudioThread (juce::AudioPluginInstance& instanceToRun, int blockSize)
        : instance (instanceToRun), thread ([this, blockSize] { run (blockSize); }) {}

    ~AudioThread() { stop(); }

    void stop()
    {
        running = false;

        if (thread.joinable())
            thread.join();
    }

    std::atomic<int> blocks { 0 }, unsoundSamples { 0 };

private:
    void run (int blockSize)
    {
        juce::AudioBuffer<float> buffer (instance.getTotalNumInputChannels(), blockSize);
        juce::MidiBuffer midi;
        juce::Random random (3);

        while (running)
        {
            fillNoise (buffer, random);
            instance.processBlock (buffer, midi);
            unsoundSamples += countUnsoundSamples (buffer);
            ++blocks;
        }
    }

    juce::AudioPluginInstance& instance;
    std::atomic<bool> running { true };
    std::thread thread;
};

//==============================================================================
TEST (HostStress, AnyBlockSizeAtAnySampleRateKeepsTheDelayExact)
{
    auto instance = load();
    ASSERT_NE (instance, nullptr);
    juce::Random random (11);
    int blocks = 0;

    for (const auto rate : { 8000.0, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0, 384000.0 })
    {
        instance->releaseResources();
        instance->prepareToPlay (rate, 512);

        // An impulse at a known position, fed in blocks of every size from 0 to 8192 (most of
        // them larger than the 512 announced to prepareToPlay).
        constexpr int total = 160000, impulseAt = 100011;
        juce::AudioBuffer<float> audio (2, total);
        audio.clear();
        audio.setSample (0, impulseAt, 1.0f);
        audio.setSample (1, impulseAt, -1.0f);
        juce::MidiBuffer midi;

        for (int start = 0; start < total;)
        {
            const int sizes[] { 0, 1, 7, 511, 512, 513, 4096, 8192, random.nextInt (8193) };
            const auto size = std::min (sizes[random.nextInt ((int) std::size (sizes))], total - start);
            juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), 2, start, size);
            instance->processBlock (block, midi);
            start += size;
            ++blocks;
        }

        EXPECT_EQ (countUnsoundSamples (audio), 0) << rate;
        EXPECT_NEAR (audio.getSample (0, impulseAt + 2048), 1.0f, 1.0e-5f) << rate;
        EXPECT_NEAR (audio.getSample (1, impulseAt + 2048), -1.0f, 1.0e-5f) << rate;
        audio.setSample (0, impulseAt + 2048, 0.0f);
        audio.setSample (1, impulseAt + 2048, 0.0f);
        EXPECT_LT (audio.getMagnitude (0, total), 1.0e-5f) << rate;
        quarmont::hosting::pumpMessages (5);
        EXPECT_EQ (instance->getLatencySamples(), 2048) << rate;
    }

    std::cout << "[ stress   ] " << blocks << " blocks of 0..8192 samples at 7 sample rates\n";
}

TEST (HostStress, PrepareReleaseCyclesWithChannelCountChanges)
{
    auto instance = load();
    ASSERT_NE (instance, nullptr);
    juce::Random random (12);
    juce::MidiBuffer midi;
    constexpr int cycles = 150;

    for (int cycle = 0; cycle < cycles; ++cycle)
    {
        const auto channels = cycle % 3 == 2 ? 1 : 2;
        instance->releaseResources();

        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (juce::AudioChannelSet::canonicalChannelSet (channels));
        layout.outputBuses.add (juce::AudioChannelSet::canonicalChannelSet (channels));
        ASSERT_TRUE (instance->setBusesLayout (layout)) << cycle;

        instance->prepareToPlay (cycle % 2 == 0 ? 48000.0 : 44100.0, 256 + cycle);
        juce::AudioBuffer<float> audio (channels, 3000);
        fillNoise (audio, random);
        instance->processBlock (audio, midi);

        // Every prepare starts again from silence.
        for (int ch = 0; ch < channels; ++ch)
            ASSERT_EQ (audio.getMagnitude (ch, 0, 2048), 0.0f) << "cycle " << cycle;

        ASSERT_EQ (countUnsoundSamples (audio), 0) << "cycle " << cycle;
    }

    std::cout << "[ stress   ] " << cycles << " prepare/release cycles, mono and stereo\n";
}

TEST (HostStress, AutomationFromAnotherThreadWhileAudioRuns)
{
    auto instance = load();
    ASSERT_NE (instance, nullptr);
    AudioThread audio (*instance, 480);

    std::thread automation ([&instance]
    {
        juce::Random random (13);
        const auto& parameters = instance->getParameters();

        for (int round = 0; round < 400; ++round)
            for (int i = 0; i < 55; ++i)
            {
                const float extremes[] { 0.0f, 1.0f, random.nextFloat() };
                parameters[i]->setValueNotifyingHost (extremes[random.nextInt (3)]);
            }
    });

    automation.join();
    while (audio.blocks < 200)
        std::this_thread::yield();
    audio.stop();

    EXPECT_EQ (audio.unsoundSamples.load(), 0);
    std::cout << "[ stress   ] 400 rounds of 55 parameter changes on one thread, "
              << audio.blocks.load() << " audio blocks on another\n";
}

// VST3 has a host save and restore state on its message thread (JUCE's hosting asserts so), while
// its audio thread goes on processing: the two meet in the plug-in.
TEST (HostStress, StateSavedAndRestoredWhileAudioRuns)
{
    auto instance = load();
    auto donor = load();
    ASSERT_TRUE (instance != nullptr && donor != nullptr);

    juce::Random random (14);
    std::vector<juce::MemoryBlock> states;

    for (int i = 0; i < 8; ++i)
    {
        for (int p = 0; p < 55; ++p)
            donor->getParameters()[p]->setValueNotifyingHost (random.nextFloat());

        states.push_back (quarmont::hosting::getPluginState (*donor));
    }

    AudioThread audio (*instance, 512);
    int restores = 0;

    for (; restores < 300; ++restores)
    {
        quarmont::hosting::restorePluginState (*instance, states[(size_t) restores % states.size()]);
        [[maybe_unused]] const auto saved = quarmont::hosting::getPluginState (*instance);

        if (restores % 10 == 0)
            quarmont::hosting::pumpMessages (1);
    }

    while (audio.blocks < 200)
        std::this_thread::yield();
    audio.stop();

    EXPECT_EQ (audio.unsoundSamples.load(), 0);
    std::cout << "[ stress   ] " << restores << " state restores and saves on the message thread, "
              << audio.blocks.load() << " audio blocks on another\n";
}

TEST (HostStress, EditorOpenedAndClosedWhileAudioRuns)
{
    auto instance = load();
    ASSERT_NE (instance, nullptr);
    AudioThread audio (*instance, 512);
    constexpr int openings = 25;

    for (int i = 0; i < openings; ++i)
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor (instance->createEditorIfNeeded());
        ASSERT_NE (editor, nullptr);
        quarmont::testing::tolerateXErrors();
        editor->addToDesktop (0);
        editor->setVisible (true);
        quarmont::hosting::pumpMessages (40);
        editor = nullptr;
        quarmont::hosting::pumpMessages (5);
    }

    audio.stop();
    EXPECT_EQ (audio.unsoundSamples.load(), 0);
    std::cout << "[ stress   ] " << openings << " editor windows opened and closed during "
              << audio.blocks.load() << " audio blocks\n";
}

TEST (HostStress, DecaysIntoSilenceAndTinyInputsStayClean)
{
    auto instance = load();
    ASSERT_NE (instance, nullptr);

    // A band that pulls everything down hard, so that its masks move a long way.
    for (auto* parameter : instance->getParameters())
        if (parameter->getName (100) == "Band 3 Gain")
            parameter->setValueNotifyingHost (0.0f);

    juce::Random random (15);
    juce::MidiBuffer midi;
    juce::AudioBuffer<float> block (2, 512);
    int unsound = 0;

    for (int b = 0; b < 200; ++b)  // noise, then ten seconds of silence
    {
        if (b < 40) fillNoise (block, random); else block.clear();
        instance->processBlock (block, midi);
        unsound += countUnsoundSamples (block);
    }

    EXPECT_EQ (block.getMagnitude (0, 512), 0.0f) << "silence in, silence out";

    for (int b = 0; b < 200; ++b)  // then a signal around 1e-30
    {
        fillNoise (block, random, 1.0e-30f);
        instance->processBlock (block, midi);
        unsound += countUnsoundSamples (block);
    }

    EXPECT_EQ (unsound, 0);
}

TEST (HostStress, ProcessBlockAllocatesNothingOnceRunning)
{
    auto instance = load();
    ASSERT_NE (instance, nullptr);
    juce::AudioBuffer<float> block (2, 512);
    juce::MidiBuffer midi;
    juce::Random random (16);

    for (int b = 0; b < 20; ++b) // let the host side settle its own buffers
    {
        fillNoise (block, random);
        instance->processBlock (block, midi);
    }

    quarmont::testing::ScopedAllocationCounter allocations;

    for (int b = 0; b < 200; ++b)
    {
        fillNoise (block, random);
        instance->processBlock (block, midi);
    }

    EXPECT_EQ (allocations.getCount(), 0u);
}
} // namespace
