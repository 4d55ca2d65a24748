// The two formats are one plug-in: the same settings (as quarmont-host takes them) render the same
// audio through Quarmont.vst3 and Quarmont.lv2, and a state saved by either restores in the other.
// (Stereo: the LV2 plug-in has stereo ports only.)

#include <gtest/gtest.h>

#include <map>

#include "hosting/DemoSignal.h"
#include "hosting/HostCommandLine.h"
#include "hosting/PluginHost.h"
#include "plugin/HostedBundles.h"
#include "presets/PresetFiles.h"

namespace
{
using quarmont::testing::HostedBundle;
using quarmont::testing::valuesInState;
const auto& vst3 = quarmont::testing::hostedBundles[0];
const auto& lv2 = quarmont::testing::hostedBundles[1];

std::unique_ptr<juce::AudioPluginInstance> load (const HostedBundle& bundle)
{
    juce::String error;
    auto instance = quarmont::hosting::loadPlugin (bundle.file(), 48000.0, 512, 2, error);
    EXPECT_NE (instance, nullptr) << bundle.format << ": " << error;
    return instance;
}

/** What quarmont-host renders through one bundle with the given options. */
juce::AudioBuffer<float> renderWithHostTool (const HostedBundle& bundle, quarmont::hosting::HostOptions options)
{
    const juce::TemporaryFile output (".wav");
    options.plugin = bundle.file();
    options.output = output.getFile();
    EXPECT_EQ (quarmont::hosting::runHost (options), 0) << bundle.format;

    juce::AudioBuffer<float> audio;
    double rate = 0.0;
    juce::String error;
    EXPECT_TRUE (quarmont::hosting::readAudioFile (output.getFile(), audio, rate, error)) << error;
    return audio;
}

float largestDifference (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    float largest = 0.0f;

    for (int ch = 0; ch < a.getNumChannels(); ++ch)
        for (int n = 0; n < a.getNumSamples(); ++n)
            largest = std::max (largest, std::abs (a.getSample (ch, n) - b.getSample (ch, n)));

    return largest;
}

TEST (FormatParity, TheHostToolRendersTheSameSettingsAlikeThroughBothFormats)
{
    // A preset of the user's, read by --preset NAME from the (temporary) home's preset folder.
    const auto presetFile = quarmont::getPresetFolder().getChildFile ("Low Cut.quarmontpreset");
    ASSERT_TRUE (presetFile.getParentDirectory().createDirectory());
    ASSERT_TRUE (presetFile.replaceWithText (R"(<?xml version="1.0" encoding="UTF-8"?>)"
                                             R"(<Parameters><PARAM id="band1_freqHigh" value="200"/>)"
                                             R"(<PARAM id="band1_gain" value="-18"/></Parameters>)"));

    struct Case { const char* what; int channels, block; const char* preset; juce::StringArray settings; };
    const Case cases[] {
        { "band 3 levelled down, as the demo", 2, 512, "",
          { "Band 3 Level Min=-40", "Band 3 Level Max=-10", "Band 3 Gain=-9", "Band 3 Lower Knee=6", "Band 3 Upper Knee=6" } },
        { "a preset, then two settings on top", 2, 300, "Low Cut", { "Band 5 Gain=6", "Band 5 Frequency Low=5000" } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        quarmont::hosting::HostOptions options;
        options.channels = c.channels;
        options.block = c.block;
        options.preset = c.preset;
        options.settings = c.settings;

        const auto throughVst3 = renderWithHostTool (vst3, options);
        const auto throughLv2 = renderWithHostTool (lv2, options);
        ASSERT_EQ (throughVst3.getNumChannels(), c.channels);
        ASSERT_EQ (throughLv2.getNumChannels(), c.channels);
        ASSERT_EQ (throughVst3.getNumSamples(), throughLv2.getNumSamples());

        // The settings did something (so that alike is not merely "both untouched")...
        const auto input = quarmont::hosting::makeDemoSignal (options.rate, c.channels, 6.0);
        EXPECT_GT (largestDifference (throughVst3, input), 0.01f);

        // ...and the same in both formats, to the 24-bit file's resolution.
        EXPECT_LE (largestDifference (throughVst3, throughLv2), 2.0f / (1 << 23));
    }
}

TEST (FormatParity, StateSavedByOneFormatRestoresInTheOther)
{
    struct Case { const HostedBundle& from; const HostedBundle& to; int seed; };
    const Case cases[] { { vst3, lv2, 3 }, { lv2, vst3, 4 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (std::string (c.from.format) + " to " + c.to.format);
        auto source = load (c.from);
        auto target = load (c.to);
        ASSERT_TRUE (source != nullptr && target != nullptr);

        juce::Random random (c.seed);
        for (auto* parameter : source->getParameters())
            if (parameter != source->getBypassParameter())
                parameter->setValueNotifyingHost (random.nextFloat());

        // An LV2 instance hears of a parameter change in its next block.
        juce::AudioBuffer<float> silence (2, 512);
        silence.clear();
        quarmont::hosting::renderInPlace (*source, silence, 512);
        quarmont::hosting::pumpMessages (20);

        const auto saved = valuesInState (quarmont::hosting::getPluginState (*source));
        ASSERT_EQ (saved.size(), 55u);

        quarmont::hosting::restorePluginState (*target, quarmont::hosting::getPluginState (*source));
        quarmont::hosting::pumpMessages (20);
        EXPECT_EQ (valuesInState (quarmont::hosting::getPluginState (*target)), saved);
    }
}
} // namespace
