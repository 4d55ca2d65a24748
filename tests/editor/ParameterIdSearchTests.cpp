// Finding a band's bypass parameter and a global lookahead parameter in parameter trees that
// name them differently, and reading the bypass state.

#include <gtest/gtest.h>

#include <juce_audio_processors/juce_audio_processors.h>

#include "editor/BandColour.h"
#include "editor/ParameterIdSearch.h"
#include "processor/ParameterLayout.h"
#include "processor/PluginProcessor.h"
#include "support/InertProcessor.h"

namespace
{
/** Just enough of a processor to own a parameter tree with the given float parameters. */
class TreeHost : public quarmont::testing::InertProcessor
{
public:
    explicit TreeHost (const juce::StringArray& ids) : apvts (*this, nullptr, "Parameters", makeLayout (ids)) {}

    juce::AudioProcessorValueTreeState apvts;

private:
    static juce::AudioProcessorValueTreeState::ParameterLayout makeLayout (const juce::StringArray& ids)
    {
        juce::AudioProcessorValueTreeState::ParameterLayout layout;

        for (const auto& id : ids)
            layout.add (std::make_unique<juce::AudioParameterFloat> (juce::ParameterID { id, 1 }, id,
                                                                     juce::NormalisableRange<float> (0.0f, 1.0f), 0.0f));
        return layout;
    }
};
} // namespace

TEST (ParameterIdSearch, BypassCandidatesInOrder)
{
    struct Case { int bandIndex; juce::StringArray tree; const char* expected; };
    const Case cases[] {
        { 1, { "b2_bypass", "bypass_band2" }, "b2_bypass" },
        { 1, { "bypass_band2", "Band2Bypass", "band2Bypass" }, "band2Bypass" },
        { 1, { "band_2_bypass", "band2_bypass" }, "band2_bypass" },
        { 4, { "bypass_band5" }, "bypass_band5" },
        { 1, { "band1_bypass", "band3_bypass" }, "" },      // other bands' parameters do not count
        { 1, { "BAND2_BYPASS", "band2_Bypass" }, "" },      // identifiers compare exactly
    };

    for (const auto& c : cases)
    {
        TreeHost host (c.tree);
        EXPECT_EQ (quarmont::findBypassParameterId (host.apvts, c.bandIndex), juce::String (c.expected))
            << c.tree.joinIntoString (", ").toStdString();
    }
}

TEST (ParameterIdSearch, BypassStateReadsHalfAsOn)
{
    TreeHost host ({ "band1_bypass" });
    auto* bypass = host.apvts.getParameter ("band1_bypass");

    struct Case { float value; bool bypassed; };
    for (const auto& c : { Case { 0.0f, false }, Case { 0.49f, false }, Case { 0.5f, true }, Case { 1.0f, true } })
    {
        bypass->setValueNotifyingHost (c.value);
        EXPECT_EQ (quarmont::isBandBypassed (host.apvts, 0), c.bypassed) << c.value;
    }

    // A band without a bypass parameter is never bypassed.
    EXPECT_FALSE (quarmont::isBandBypassed (host.apvts, 3));
}

TEST (ParameterIdSearch, LookaheadCandidatesInOrder)
{
    struct Case { juce::StringArray tree; const char* expected; };
    const Case cases[] {
        { { "lookahead" }, "lookahead" },
        { { "global_lookahead_ms", "Lookahead" }, "Lookahead" },
        { { "analysisLookaheadMs", "detectorLookaheadMs" }, "detectorLookaheadMs" },
        { { "lookahead_ms", "lookaheadMs" }, "lookaheadMs" },
        { { "band1_lookaheadMs" }, "" },
        { { "LOOKAHEAD" }, "" },
    };

    for (const auto& c : cases)
    {
        TreeHost host (c.tree);
        EXPECT_EQ (quarmont::findLookaheadParameterId (host.apvts), juce::String (c.expected))
            << c.tree.joinIntoString (", ").toStdString();
    }
}

TEST (ParameterIdSearch, OurParameterSetHasPerBandBypassAndNoGlobalLookahead)
{
    QuarmontAudioProcessor processor;

    for (int band = 0; band < 5; ++band)
        EXPECT_EQ (quarmont::findBypassParameterId (processor.apvts, band), quarmont::bandParameterId (band + 1, quarmont::bypassParam));

    EXPECT_TRUE (quarmont::findLookaheadParameterId (processor.apvts).isEmpty());
}

TEST (BandColour, FixedColourPerBandAndClampedIndex)
{
    const juce::uint32 expected[] { 0xff61b8ff, 0xff5fd67e, 0xffffc95a, 0xffff9550, 0xffdf79ff };

    for (int i = 0; i < 5; ++i)
        EXPECT_EQ (quarmont::bandColour (i).getARGB(), expected[i]) << i;

    EXPECT_EQ (quarmont::bandColour (-3).getARGB(), expected[0]);
    EXPECT_EQ (quarmont::bandColour (9).getARGB(), expected[4]);
}
