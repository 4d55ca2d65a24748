// Opening and closing the window repeatedly while the audio thread runs and the host automates.

#include "EditorTestSupport.h"

#include <malloc.h>

#include <array>
#include <atomic>
#include <iostream>
#include <random>
#include <thread>

using namespace quarmont::testing;

namespace
{
// Bytes in use on the message thread's heap. JUCE's leak detector is compiled out of release
// builds, so the heap itself is watched; sanitizer builds (where this reads 0) have LeakSanitizer.
long heapInUse()
{
    return (long) mallinfo2().uordblks;
}

/** Runs blocks of noise through the processor and automates a gain and a bypass parameter,
    as a host's audio thread does, until stopped. The gain steps through eight values so that
    the texts the knob shows, and the glyphs cached for them, stop changing after a while. */
class AudioThread
{
public:
    explicit AudioThread (QuarmontAudioProcessor& p) : processor (p)
    {
        processor.prepareToPlay (48000.0, blockSize);
        thread = std::thread ([this] { run(); });
    }

    ~AudioThread()
    {
        running = false;
        thread.join();
        processor.releaseResources();
    }

    int blocksProcessed() const { return blocks.load(); }

private:
    void run()
    {
        juce::AudioBuffer<float> buffer (2, blockSize);
        juce::MidiBuffer midi;
        std::mt19937 generator (7);
        std::uniform_real_distribution<float> noise (-0.5f, 0.5f);
        auto* gain = processor.apvts.getParameter ("band1_gain");
        auto* bypass = processor.apvts.getParameter ("band2_bypass");

        while (running)
        {
            for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
                for (int n = 0; n < blockSize; ++n)
                    buffer.setSample (ch, n, noise (generator));

            processor.processBlock (buffer, midi);
            const auto block = ++blocks;

            if (block % 4 == 0)
                gain->setValueNotifyingHost ((float) (block / 4 % 8) / 8.0f);

            if (block % 16 == 0)
                bypass->setValueNotifyingHost (block % 32 == 0 ? 1.0f : 0.0f);

            std::this_thread::sleep_for (std::chrono::microseconds (200));
        }
    }

    static constexpr int blockSize = 512;
    QuarmontAudioProcessor& processor;
    std::atomic<bool> running { true };
    std::atomic<int> blocks { 0 };
    std::thread thread;
};

void openPaintAndClose (QuarmontAudioProcessor& processor)
{
    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());
    ASSERT_NE (editor, nullptr);
    ASSERT_EQ (processor.getActiveEditor(), editor.get());

    pumpMessages (3);
    const auto image = renderSnapshot (*editor);
    ASSERT_EQ (image.getWidth(), 1140);
    processor.editorBeingDeleted (editor.get());
    editor.reset();
    pumpMessages (2);
}
} // namespace

TEST (EditorLifecycle, OpeningAndClosingFiftyTimesWhileAudioRunsLeavesNothingBehind)
{
    QuarmontAudioProcessor processor;
    AudioThread audio (processor);

    // The first windows fill the caches that outlive them (typefaces, glyphs, message queue).
    for (int i = 0; i < 20; ++i)
        openPaintAndClose (processor);

    pumpMessages (20);

    long oneEditorFootprint = 0;
    {
        const auto before = heapInUse();
        std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());
        oneEditorFootprint = heapInUse() - before;
        processor.editorBeingDeleted (editor.get());
    }

    // Two rounds of 50: caches still settling show in the first round and fade in the second,
    // whereas anything left behind by every window grows both rounds alike.
    std::array<long, 2> growth {};

    for (auto& roundGrowth : growth)
    {
        pumpMessages (20);
        const auto before = heapInUse();

        for (int i = 0; i < 50; ++i)
            openPaintAndClose (processor);

        pumpMessages (20);
        roundGrowth = heapInUse() - before;
    }

    EXPECT_EQ (processor.getActiveEditor(), nullptr);
    EXPECT_GT (audio.blocksProcessed(), 100) << "the audio thread ran alongside";

    // Neither a window's worth nor ~0.3 KB per window may remain.
    constexpr long allowedGrowth = 16 * 1024;

    if (oneEditorFootprint > 0)
    {
        EXPECT_GT (oneEditorFootprint, allowedGrowth) << "a single leaked window would be noticed";
        EXPECT_LT (growth[1], allowedGrowth) << "first round " << growth[0] << " bytes; one window takes " << oneEditorFootprint;
    }

    std::cout << "heap growth over 50 windows: " << growth[0] << " then " << growth[1] << " bytes\n";
}
