// A preset saved from the window, rendered by quarmont-host's code through the built bundle,
// sounds exactly like the instance that saved it.

#include "PresetTestSupport.h"

#include "hosting/DemoSignal.h"
#include "hosting/HostCommandLine.h"
#include "hosting/PluginHost.h"

using namespace quarmont;
using namespace quarmont::testing;

namespace
{
double maxDifference (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    EXPECT_EQ (a.getNumChannels(), b.getNumChannels());
    EXPECT_EQ (a.getNumSamples(), b.getNumSamples());
    double worst = 0.0;

    for (int ch = 0; ch < std::min (a.getNumChannels(), b.getNumChannels()); ++ch)
        for (int n = 0; n < std::min (a.getNumSamples(), b.getNumSamples()); ++n)
            worst = std::max (worst, std::abs ((double) a.getSample (ch, n) - (double) b.getSample (ch, n)));

    return worst;
}

TEST (PresetThroughTheHost, APresetSavedByTheWindowRendersTheSameThroughTheBundle)
{
    TemporaryHome home;
    constexpr double rate = 48000.0;
    constexpr int blockSize = 512;

    // The input, as quarmont-host will read it back from a 24-bit file.
    const auto inputFile = home.getFolder().getChildFile ("input.wav");
    juce::String error;
    ASSERT_TRUE (hosting::writeWavFile (inputFile, hosting::makeDemoSignal (rate, 2, 2.0), rate, error)) << error;
    juce::AudioBuffer<float> input;
    double inputRate = 0.0;
    ASSERT_TRUE (hosting::readAudioFile (inputFile, input, inputRate, error)) << error;

    // The instance that saves the preset, from its window.
    QuarmontAudioProcessor writer;
    setRaw (writer, "band1_gain", -18.0f);
    setRaw (writer, "band3_gain", 9.0f);
    setRaw (writer, "band3_levelMin", -70.0f);
    setRaw (writer, "band5_gain", -30.0f);
    setRaw (writer, "band5_bypass", 0.0f);
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor (writer.createEditorIfNeeded());
        auto requests = std::make_shared<DialogRequests>();
        auto& bar = dynamic_cast<QuarmontAudioProcessorEditor&> (*editor).getPresetBar();
        bar.setDialogs (std::make_unique<ScriptedDialogs> (requests));
        bar.handlePresetMenuResult (PresetBar::saveAs);
        ASSERT_EQ (requests->choosers.size(), 1u);
        requests->choosers[0].complete (getPresetFolder().getChildFile ("Render Check.quarmontpreset"));
        writer.editorBeingDeleted (editor.get());
    }
    ASSERT_TRUE (getPresetFolder().getChildFile ("Render Check.quarmontpreset").existsAsFile());

    writer.setRateAndBufferSizeDetails (rate, blockSize);
    writer.prepareToPlay (rate, blockSize);
    const auto expected = hosting::renderWithoutLatency (writer, input, blockSize);

    QuarmontAudioProcessor untouched;
    untouched.setRateAndBufferSizeDetails (rate, blockSize);
    untouched.prepareToPlay (rate, blockSize);
    ASSERT_GT (maxDifference (hosting::renderWithoutLatency (untouched, input, blockSize), expected), 0.01)
        << "the preset must change the sound for this comparison to mean anything";

    // quarmont-host --preset "Render Check"
    const auto outputFile = home.getFolder().getChildFile ("output.wav");
    hosting::HostOptions options;
    ASSERT_TRUE (hosting::parseHostOptions ({ "--plugin", QUARMONT_VST3_BUNDLE, "--input", inputFile.getFullPathName(),
                                              "--output", outputFile.getFullPathName(), "--preset", "Render Check",
                                              "--block", juce::String (blockSize) },
                                            options));
    ASSERT_EQ (hosting::runHost (options), 0);

    juce::AudioBuffer<float> rendered;
    double renderedRate = 0.0;
    ASSERT_TRUE (hosting::readAudioFile (outputFile, rendered, renderedRate, error)) << error;
    EXPECT_EQ (renderedRate, rate);

    // The output file holds 24 bits: half a step of rounding apart at most.
    EXPECT_LE (maxDifference (rendered, expected), 1.0 / (1 << 23));
}

TEST (PresetThroughTheHost, AnUnknownPresetNameIsAClearErrorNamingThePath)
{
    TemporaryHome home;
    juce::File file;
    juce::String error;

    EXPECT_FALSE (hosting::findPresetFile ("Nowhere", file, error));
    EXPECT_TRUE (error.contains (getPresetFolderLocation().getChildFile ("Nowhere.quarmontpreset").getFullPathName())) << error;

    for (auto name : { "", "../Nowhere", "a/b" })
    {
        error.clear();
        EXPECT_FALSE (hosting::findPresetFile (name, file, error)) << name;
        EXPECT_TRUE (error.isNotEmpty());
    }

    hosting::HostOptions options;
    ASSERT_TRUE (hosting::parseHostOptions ({ "--plugin", QUARMONT_VST3_BUNDLE, "--demo", "--preset", "Nowhere",
                                              "--output", home.getFolder().getChildFile ("out.wav").getFullPathName() },
                                            options));
    EXPECT_EQ (options.preset, "Nowhere");
    EXPECT_EQ (hosting::runHost (options), 1);
    EXPECT_FALSE (home.getFolder().getChildFile ("out.wav").existsAsFile());

    getPresetFolder().getChildFile ("There.quarmontpreset").replaceWithText ("x");
    EXPECT_TRUE (hosting::findPresetFile ("There", file, error)) << error;
    EXPECT_EQ (file, getPresetFolder().getChildFile ("There.quarmontpreset"));
}
} // namespace
