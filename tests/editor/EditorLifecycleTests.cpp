// Opening and closing the window repeatedly while the audio thread runs and the host automates.

#include "EditorTestSupport.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "support/MessageLoop.h"

using namespace quarmont::testing;

namespace
{
/** A host's audio thread: processes blocks of noise through the processor and automates a gain
    and a bypass parameter, as many blocks as it is asked for, while the message thread goes on
    with the windows. The gain steps through eight values so that the texts the knob shows stop
    changing after a while. */
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
        {
            const std::lock_guard<std::mutex> lock (mutex);
            running = false;
        }

        wake.notify_all();
        thread.join();
        processor.releaseResources();
    }

    void processMoreBlocks (int count)
    {
        {
            const std::lock_guard<std::mutex> lock (mutex);
            requested += count;
        }

        wake.notify_all();
    }

    /** Waits until every block asked for has been processed; false only if the generous bound
        passes first (a hung audio thread). */
    bool waitUntilIdle()
    {
        std::unique_lock<std::mutex> lock (mutex);
        return done.wait_for (lock, std::chrono::seconds (60), [this] { return processed == requested; });
    }

    int blocksProcessed()
    {
        const std::lock_guard<std::mutex> lock (mutex);
        return processed;
    }

private:
    void run()
    {
        juce::AudioBuffer<float> buffer (2, blockSize);
        juce::MidiBuffer midi;
        std::mt19937 generator (7);
        std::uniform_real_distribution<float> noise (-0.5f, 0.5f);
        auto* gain = processor.apvts.getParameter (quarmont::bandParameterId (1, quarmont::gainParam));
        auto* bypass = processor.apvts.getParameter (quarmont::bandParameterId (2, quarmont::bypassParam));

        for (int block = 1;; ++block)
        {
            {
                std::unique_lock<std::mutex> lock (mutex);
                wake.wait (lock, [this] { return ! running || processed < requested; });

                if (! running)
                    return;
            }

            for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
                for (int n = 0; n < blockSize; ++n)
                    buffer.setSample (ch, n, noise (generator));

            processor.processBlock (buffer, midi);

            if (block % 4 == 0)
                gain->setValueNotifyingHost ((float) (block / 4 % 8) / 8.0f);

            if (block % 16 == 0)
                bypass->setValueNotifyingHost (block % 32 == 0 ? 1.0f : 0.0f);

            {
                const std::lock_guard<std::mutex> lock (mutex);
                ++processed;
            }

            done.notify_all();
        }
    }

    static constexpr int blockSize = 512;
    QuarmontAudioProcessor& processor;
    std::mutex mutex;
    std::condition_variable wake, done;
    bool running = true;
    int requested = 0, processed = 0;
    std::thread thread;
};

void collectComponents (juce::Component& component, std::vector<juce::Component::SafePointer<juce::Component>>& found)
{
    found.emplace_back (&component);

    for (auto* child : component.getChildren())
        collectComponents (*child, found);
}

/** Opens a window, lets it run and paints it while the audio thread works through blocksPerWindow
    blocks, closes it, and returns how many of the window's components (the editor, every child
    and so every timer among them) are still alive afterwards. */
int openPaintAndCloseLeavingAlive (QuarmontAudioProcessor& processor, AudioThread& audio, int blocksPerWindow)
{
    audio.processMoreBlocks (blocksPerWindow);

    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());
    EXPECT_NE (editor, nullptr);

    if (editor == nullptr)
        return -1;

    EXPECT_EQ (processor.getActiveEditor(), editor.get());
    std::vector<juce::Component::SafePointer<juce::Component>> components;
    collectComponents (*editor, components);
    EXPECT_GT (components.size(), 40u) << "the window with its controls";

    EXPECT_TRUE (deliverPendingMessages());
    EXPECT_EQ (renderSnapshot (*editor).getWidth(), 1140);

    processor.editorBeingDeleted (editor.get());
    editor.reset();
    EXPECT_TRUE (audio.waitUntilIdle());
    EXPECT_TRUE (deliverPendingMessages());

    return (int) std::count_if (components.begin(), components.end(), [] (auto& c) { return c != nullptr; });
}
} // namespace

TEST (EditorLifecycle, OpeningAndClosingAHundredTimesWhileAudioRunsLeavesNothingBehind)
{
    QuarmontAudioProcessor processor;
    AudioThread audio (processor);
    constexpr int windows = 100, blocksPerWindow = 8;

    for (int i = 0; i < windows; ++i)
    {
        ASSERT_EQ (openPaintAndCloseLeavingAlive (processor, audio, blocksPerWindow), 0) << "window " << i;
        ASSERT_EQ (processor.getActiveEditor(), nullptr) << "window " << i;
    }

    EXPECT_EQ (audio.blocksProcessed(), windows * blocksPerWindow) << "the audio thread ran alongside every window";
}
