// The 55 band parameters as the processor exposes them: order, identifiers, names, ranges,
// defaults and types, and the raw-value cache the engine reads.

#include <gtest/gtest.h>

#include "processor/ParameterLayout.h"
#include "processor/PluginProcessor.h"

namespace
{
struct ExpectedParameter
{
    const char* key;
    const char* nameSuffix;
    float start, end, interval, defaultValue; // frequency defaults are per band, see below
};

const ExpectedParameter expectedRows[] {
    { "freqLow", " Frequency Low", 20.0f, 20000.0f, 0.0f, 0.0f },
    { "freqHigh", " Frequency High", 20.0f, 20000.0f, 0.0f, 0.0f },
    { "levelMin", " Level Min", -80.0f, 0.0f, 0.1f, -80.0f },
    { "levelMax", " Level Max", -80.0f, 0.0f, 0.1f, 0.0f },
    { "gain", " Gain", -60.0f, 24.0f, 0.1f, 0.0f },
    { "attackMs", " Attack", 1.0f, 300.0f, 0.1f, 25.0f },
    { "releaseMs", " Release", 10.0f, 2500.0f, 0.1f, 250.0f },
    { "lookaheadMs", " Lookahead", 0.0f, 20.0f, 0.1f, 10.0f },
    { "upperKneeDb", " Upper Knee", 0.0f, 24.0f, 0.1f, 0.0f },
    { "lowerKneeDb", " Lower Knee", 0.0f, 24.0f, 0.1f, 0.0f },
    { "bypass", " Bypass", 0.0f, 1.0f, 1.0f, 0.0f },
};

const float bandEdges[] { 20.0f, 120.0f, 600.0f, 2500.0f, 7000.0f, 20000.0f };

class ParameterLayout : public ::testing::Test
{
protected:
    QuarmontAudioProcessor processor;
};

TEST_F (ParameterLayout, FiftyFiveParametersInBandThenTableOrder)
{
    const auto& parameters = processor.getParameters();
    ASSERT_EQ (parameters.size(), 55);

    for (int band = 1; band <= 5; ++band)
    {
        for (int row = 0; row < 11; ++row)
        {
            const auto index = (band - 1) * 11 + row;
            const auto& expected = expectedRows[row];
            auto* parameter = dynamic_cast<juce::RangedAudioParameter*> (parameters[index]);
            ASSERT_NE (parameter, nullptr);
            SCOPED_TRACE ("parameter index " + std::to_string (index));

            // The published spelling, written out; everything else builds it with bandParameterId.
            EXPECT_EQ (parameter->getParameterID(), "band" + juce::String (band) + "_" + expected.key);
            EXPECT_EQ (quarmont::bandParameterId (band, (quarmont::BandParameter) row), parameter->getParameterID());
            EXPECT_EQ (parameter->getName (100), "Band " + juce::String (band) + expected.nameSuffix);
            EXPECT_EQ (parameter->getVersionHint(), 1);
            EXPECT_TRUE (parameter->isAutomatable());
            EXPECT_FALSE (parameter->isMetaParameter());
            EXPECT_EQ (parameter->getLabel(), juce::String());

            const auto& range = parameter->getNormalisableRange();
            EXPECT_FLOAT_EQ (range.start, expected.start);
            EXPECT_FLOAT_EQ (range.end, expected.end);
            EXPECT_FLOAT_EQ (range.interval, expected.interval);
            EXPECT_FLOAT_EQ (parameter->convertFrom0to1 (0.0f), expected.start);
            EXPECT_FLOAT_EQ (parameter->convertFrom0to1 (1.0f), expected.end);

            const auto expectedDefault = row == 0 ? bandEdges[band - 1]
                                       : row == 1 ? bandEdges[band]
                                                  : expected.defaultValue;
            EXPECT_NEAR (parameter->convertFrom0to1 (parameter->getDefaultValue()), expectedDefault, 1.0e-3f);
            EXPECT_NEAR (processor.apvts.getRawParameterValue (parameter->getParameterID())->load(), expectedDefault, 1.0e-3f);
        }
    }

    EXPECT_EQ (dynamic_cast<juce::RangedAudioParameter*> (parameters[11])->getParameterID(), "band2_freqLow");
}

TEST_F (ParameterLayout, FrequencyKnobCentreIs1000Hz)
{
    for (int band = 1; band <= 5; ++band)
    {
        for (const auto key : { quarmont::freqLowParam, quarmont::freqHighParam })
        {
            auto* parameter = processor.apvts.getParameter (quarmont::bandParameterId (band, key));
            ASSERT_NE (parameter, nullptr);
            EXPECT_NEAR (parameter->convertFrom0to1 (0.5f), 1000.0f, 0.05f);
            EXPECT_NEAR (parameter->getNormalisableRange().skew, 0.2299045f, 1.0e-6f);
        }
    }
}

TEST_F (ParameterLayout, BypassParametersAreBooleanReadingExactlyZeroOrOne)
{
    for (int band = 1; band <= 5; ++band)
    {
        const auto id = quarmont::bandParameterId (band, quarmont::bypassParam);
        auto* parameter = dynamic_cast<juce::AudioParameterBool*> (processor.apvts.getParameter (id));
        ASSERT_NE (parameter, nullptr) << id;
        EXPECT_TRUE (static_cast<juce::AudioProcessorParameter*> (parameter)->isBoolean());

        const auto* raw = processor.apvts.getRawParameterValue (id);
        EXPECT_EQ (raw->load(), 0.0f);
        parameter->setValueNotifyingHost (0.7f);
        EXPECT_EQ (raw->load(), 1.0f);
        parameter->setValueNotifyingHost (0.3f);
        EXPECT_EQ (raw->load(), 0.0f);
    }
}

TEST_F (ParameterLayout, CachePointsAtEveryRawValue)
{
    const auto cache = quarmont::cacheParameterPointers (processor.apvts);

    for (int band = 1; band <= 5; ++band)
        for (int row = 0; row < quarmont::numBandParameters; ++row)
        {
            ASSERT_NE (cache[(size_t) band - 1][(size_t) row], nullptr);
            EXPECT_EQ (cache[(size_t) band - 1][(size_t) row],
                       processor.apvts.getRawParameterValue (quarmont::bandParameterId (band, (quarmont::BandParameter) row)));
        }
}
} // namespace
