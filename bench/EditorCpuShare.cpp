// quarmont-editor-cpu: what the open window costs the host's message thread, measured as a user
// meets it. The built Quarmont.vst3 is loaded through JUCE's VST3 hosting (the host tool's code),
// its editor is shown under the X display, and a second thread plays noise in real time in blocks
// of 512 at 48 kHz. For each window state the message thread's CPU time over a stretch of wall
// time is printed as a share of one core, with the window closed for comparison.
//
//   quarmont-editor-cpu [--plugin PATH] [--seconds S]
//
// Run it under a virtual X server (xvfb-run -a) and with nothing else competing for the cores.

#include <atomic>
#include <chrono>
#include <ctime>
#include <iomanip>
#include <iostream>
#include <thread>

#include "hosting/PluginHost.h"
#include "XErrorTolerance.h"

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;

/** Plays noise through the instance at the pace of a real audio device, until destroyed. */
class RealTimeAudio
{
public:
    explicit RealTimeAudio (juce::AudioPluginInstance& instanceToPlay)
        : instance (instanceToPlay), thread ([this] { run(); }) {}

    ~RealTimeAudio()
    {
        running = false;
        thread.join();
    }

private:
    void run()
    {
        juce::AudioBuffer<float> buffer (2, blockSize);
        juce::MidiBuffer midi;
        juce::Random random (7);
        const auto period = std::chrono::duration<double> (blockSize / sampleRate);
        auto due = std::chrono::steady_clock::now();

        while (running)
        {
            for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
                for (int n = 0; n < blockSize; ++n)
                    buffer.setSample (ch, n, 0.3f * (2.0f * random.nextFloat() - 1.0f));

            instance.processBlock (buffer, midi);
            due += std::chrono::duration_cast<std::chrono::steady_clock::duration> (period);
            std::this_thread::sleep_until (due);
        }
    }

    juce::AudioPluginInstance& instance;
    std::atomic<bool> running { true };
    std::thread thread;
};

double threadCpuSeconds()
{
    timespec t {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &t);
    return (double) t.tv_sec + (double) t.tv_nsec * 1.0e-9;
}

/** The message thread's share of a core while it runs the message loop for the given time. */
double messageThreadShare (double seconds)
{
    const auto cpuStart = threadCpuSeconds();
    const auto wallStart = juce::Time::getMillisecondCounterHiRes();
    quarmont::hosting::pumpMessages ((int) (seconds * 1000.0));
    const auto wall = (juce::Time::getMillisecondCounterHiRes() - wallStart) * 0.001;
    return (threadCpuSeconds() - cpuStart) / wall;
}

struct WindowState
{
    const char* name;
    bool open;
    int width, height;
    float scale; // the content scale a HiDPI host sets
};

/** Opens the window in the given state (if any), lets it settle, and measures. */
double measure (juce::AudioPluginInstance& instance, const WindowState& state, bool withAudio, double seconds)
{
    std::unique_ptr<RealTimeAudio> audio;

    if (withAudio)
        audio = std::make_unique<RealTimeAudio> (instance);

    std::unique_ptr<juce::AudioProcessorEditor> editor;

    if (state.open)
    {
        editor.reset (instance.createEditorIfNeeded());

        if (editor == nullptr)
        {
            std::cerr << "The plug-in has no editor\n";
            return 0.0;
        }

        quarmont::testing::tolerateXErrors();

        if (state.scale > 1.0f)
            editor->setScaleFactor (state.scale);

        editor->addToDesktop (0);
        editor->setVisible (true);
        quarmont::hosting::pumpMessages (300);

        if (state.width > 0)
            editor->setSize (state.width, state.height);
    }

    // Opening, resizing and the first pictures are not what a user keeps paying for.
    quarmont::hosting::pumpMessages (1500);
    const auto share = messageThreadShare (seconds);

    if (editor != nullptr)
        std::cout << "    (" << state.name << ": host window " << editor->getWidth() << " x " << editor->getHeight() << ")\n";

    editor = nullptr;
    quarmont::hosting::pumpMessages (200);
    return share;
}

juce::String percent (double share)
{
    return juce::String (share * 100.0, 1) + " %";
}
} // namespace

int main (int argc, char* argv[])
{
    juce::File bundle { QUARMONT_VST3_BUNDLE };
    double seconds = 8.0;

    for (int i = 1; i + 1 < argc; i += 2)
    {
        const juce::String option (argv[i]);

        if (option == "--plugin")
            bundle = juce::File::getCurrentWorkingDirectory().getChildFile (argv[i + 1]);
        else if (option == "--seconds")
            seconds = juce::jmax (1.0, juce::String (argv[i + 1]).getDoubleValue());
    }

    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    quarmont::testing::tolerateXErrors();
    juce::String error;
    auto instance = quarmont::hosting::loadVst3 (bundle, sampleRate, blockSize, 2, error);

    if (instance == nullptr)
    {
        std::cerr << error << "\n";
        return 1;
    }

    const WindowState states[] { { "closed", false, 0, 0, 1.0f },
                                 { "1140 x 760 (default)", true, 0, 0, 1.0f },
                                 { "2280 x 1520", true, 2280, 1520, 1.0f },
                                 { "1140 x 760 at content scale 2", true, 0, 0, 2.0f } };

    std::cout << "Message thread's share of one core, " << seconds << " s per figure, " << bundle.getFullPathName() << "\n";
    double closed[2] {};
    juce::StringArray rows;

    for (const auto& state : states)
    {
        double shares[2] {};

        for (int withAudio = 1; withAudio >= 0; --withAudio)
            shares[withAudio] = measure (*instance, state, withAudio != 0, seconds);

        if (! state.open)
        {
            closed[0] = shares[0];
            closed[1] = shares[1];
        }

        const auto cell = [&] (int withAudio)
        {
            const auto share = shares[withAudio];
            return (state.open ? percent (share - closed[withAudio]) + " beyond closed (" + percent (share) + ")"
                               : percent (share))
                .paddedRight (' ', 34);
        };

        rows.add (juce::String (state.name).paddedRight (' ', 32) + cell (1) + cell (0));
    }

    std::cout << "\n" << juce::String ("window").paddedRight (' ', 32) << juce::String ("audio playing").paddedRight (' ', 34)
              << "no audio, nothing changing\n";

    for (const auto& row : rows)
        std::cout << row << "\n";

    return 0;
}
