#pragma once

// The two bundles a host may load, for the hosted tests that must hold for either format.

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "hosting/PluginHost.h"

namespace quarmont::testing
{
struct HostedBundle
{
    const char* format;
    const char* path;
    /** JUCE's LV2 client declares the default layout's ports, stereo in and out, and no other. */
    bool offersMono;
    /** JUCE's VST3 hosting lists the parameters in the plug-in's order; its LV2 hosting does not. */
    bool listsParametersInOrder;
    /** A VST3 host sees the plug-in's own mapping of normalised values; LV2 has only min and max. */
    bool hasPluginsNormalisation;

    juce::File file() const { return juce::File (path); }
};

inline const HostedBundle hostedBundles[] { { "VST3", QUARMONT_VST3_BUNDLE, true, true, true },
                                            { "LV2", QUARMONT_LV2_BUNDLE, false, false, false } };

/** Names the bundle by its format in test output. */
inline void PrintTo (const HostedBundle& bundle, std::ostream* os)
{
    *os << bundle.format;
}

inline std::string formatOf (const ::testing::TestParamInfo<HostedBundle>& info)
{
    return info.param.format;
}

/** The channel counts a test can ask of the bundle. */
inline std::vector<int> channelCountsOf (const HostedBundle& bundle)
{
    return bundle.offersMono ? std::vector<int> { 1, 2 } : std::vector<int> { 2 };
}

/** The raw parameter values in a plug-in state block, by parameter id. */
inline std::map<juce::String, float> valuesInState (const juce::MemoryBlock& state)
{
    std::map<juce::String, float> values;

    if (const auto xml = juce::AudioProcessor::getXmlFromBinary (state.getData(), (int) state.getSize()))
        for (auto* child : xml->getChildWithTagNameIterator ("PARAM"))
            values[child->getStringAttribute ("id")] = (float) child->getDoubleAttribute ("value");

    return values;
}

/** A test fixture run once for each bundle; load() fails the test when the bundle does not load. */
class EachBundle : public ::testing::TestWithParam<HostedBundle>
{
protected:
    std::unique_ptr<juce::AudioPluginInstance> load (double sampleRate = 48000.0, int blockSize = 512, int channels = 2)
    {
        juce::String error;
        auto instance = quarmont::hosting::loadPlugin (GetParam().file(), sampleRate, blockSize, channels, error);
        EXPECT_NE (instance, nullptr) << GetParam().format << ": " << error;
        return instance;
    }
};
} // namespace quarmont::testing
