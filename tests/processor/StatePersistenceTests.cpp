// Saving and restoring the parameter state: round trips, partial and damaged documents.

#include <gtest/gtest.h>

#include <random>

#include "processor/PluginProcessor.h"

namespace
{
using RawValues = std::vector<float>;

RawValues rawValuesOf (QuarmontAudioProcessor& processor)
{
    RawValues values;

    for (auto* parameter : processor.getParameters())
        values.push_back (processor.apvts.getRawParameterValue (
                              dynamic_cast<juce::RangedAudioParameter*> (parameter)->getParameterID())->load());

    return values;
}

void randomiseParameters (QuarmontAudioProcessor& processor, unsigned seed)
{
    std::mt19937 generator (seed);
    std::uniform_real_distribution<float> distribution (0.0f, 1.0f);

    for (auto* parameter : processor.getParameters())
        parameter->setValueNotifyingHost (distribution (generator));
}

juce::MemoryBlock saveState (QuarmontAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    return block;
}

juce::MemoryBlock stateFromXml (const juce::String& xmlText)
{
    juce::MemoryBlock block;
    const auto xml = juce::parseXML (xmlText);
    juce::AudioProcessor::copyXmlToBinary (*xml, block);
    return block;
}

void restore (QuarmontAudioProcessor& processor, const juce::MemoryBlock& block)
{
    processor.setStateInformation (block.getData(), (int) block.getSize());
}

float raw (QuarmontAudioProcessor& processor, const char* id)
{
    return processor.apvts.getRawParameterValue (id)->load();
}

class StatePersistence : public ::testing::Test
{
protected:
    StatePersistence() { randomiseParameters (processor, 42); }

    QuarmontAudioProcessor processor;
};

TEST_F (StatePersistence, RoundTripBetweenInstancesKeepsAll55Values)
{
    QuarmontAudioProcessor other;
    restore (other, saveState (processor));
    EXPECT_EQ (rawValuesOf (other), rawValuesOf (processor));

    const auto xml = juce::AudioProcessor::getXmlFromBinary (saveState (processor).getData(),
                                                            (int) saveState (processor).getSize());
    ASSERT_NE (xml, nullptr);
    EXPECT_TRUE (xml->hasTagName ("Parameters"));
    EXPECT_EQ (xml->getNumChildElements(), 55);
    EXPECT_NE (xml->getChildByAttribute ("id", "band3_gain"), nullptr);
}

TEST_F (StatePersistence, UnreadableOrForeignDataChangesNothing)
{
    const auto before = rawValuesOf (processor);
    const char garbage[] = "\x01\x02not a state at all\xff";

    struct Case { const char* what; juce::MemoryBlock block; };
    const Case cases[] {
        { "empty", {} },
        { "garbage", juce::MemoryBlock (garbage, sizeof (garbage)) },
        { "other root", stateFromXml (R"(<Preset><PARAM id="band1_gain" value="-12"/></Preset>)") },
        { "malformed xml", [] { juce::MemoryBlock b; const juce::String text ("<Parameters><PARAM id="); 
                                juce::MemoryOutputStream out (b, false); out.writeInt (0x21324356); out.writeInt ((int) text.length() + 1);
                                out.write (text.toRawUTF8(), (size_t) text.length() + 1); return b; }() },
    };

    for (const auto& c : cases)
    {
        restore (processor, c.block);
        EXPECT_EQ (rawValuesOf (processor), before) << c.what;
    }

    processor.setStateInformation (nullptr, 0);
    EXPECT_EQ (rawValuesOf (processor), before);
}

TEST_F (StatePersistence, PartialStateChangesOnlyWhatItHoldsAndSurvivesTheNextSave)
{
    auto expected = rawValuesOf (processor);
    restore (processor, stateFromXml (R"(<Parameters><PARAM id="band2_gain" value="-12.5"/></Parameters>)"));

    expected[11 + 4] = -12.5f;
    EXPECT_EQ (rawValuesOf (processor), expected);

    QuarmontAudioProcessor fresh;
    restore (fresh, saveState (processor));
    EXPECT_EQ (rawValuesOf (fresh), expected);
}

TEST_F (StatePersistence, NonFiniteValuesFallBackToTheDefaultAndTheRestStillLoads)
{
    restore (processor, stateFromXml (R"(<Parameters>
        <PARAM id="band1_gain" value="nan"/>
        <PARAM id="band2_attackMs" value="inf"/>
        <PARAM id="band3_freqLow" value="-inf"/>
        <PARAM id="band4_releaseMs" value="1e400"/>
        <PARAM id="band5_gain" value="-7"/>
        <PARAM id="band2_levelMax" value="-3"/>
        <Other id="band2_levelMax" value="-nan"/>
    </Parameters>)"));

    EXPECT_EQ (raw (processor, "band1_gain"), 0.0f);
    EXPECT_EQ (raw (processor, "band2_attackMs"), 25.0f);
    EXPECT_NEAR (raw (processor, "band3_freqLow"), 600.0f, 0.01f);
    EXPECT_EQ (raw (processor, "band4_releaseMs"), 250.0f);
    EXPECT_EQ (raw (processor, "band5_gain"), -7.0f);
    EXPECT_EQ (raw (processor, "band2_levelMax"), 0.0f) << "a later child with the same id is applied too";

    for (auto value : rawValuesOf (processor))
        EXPECT_TRUE (std::isfinite (value));
}

TEST_F (StatePersistence, ValuesAreClampedMissingValuesResetAndUnknownIdsKept)
{
    restore (processor, stateFromXml (R"(<Parameters>
        <PARAM id="band1_gain" value="99"/>
        <PARAM id="band1_attackMs" value="-5"/>
        <PARAM id="band2_releaseMs"/>
        <PARAM id="band9_colour" value="3"/>
    </Parameters>)"));

    EXPECT_EQ (raw (processor, "band1_gain"), 24.0f);
    EXPECT_EQ (raw (processor, "band1_attackMs"), 1.0f);
    EXPECT_EQ (raw (processor, "band2_releaseMs"), 250.0f);

    const auto block = saveState (processor);
    const auto xml = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());
    ASSERT_NE (xml, nullptr);
    EXPECT_NE (xml->getChildByAttribute ("id", "band9_colour"), nullptr);
}

TEST (StateRestore, DoesNotResetTheRunningAudioPath)
{
    QuarmontAudioProcessor neutral;
    neutral.prepareToPlay (48000.0, 512);
    juce::AudioBuffer<float> audio (2, 4096);
    audio.clear();
    audio.setSample (0, 100, 1.0f);
    juce::MidiBuffer midi;
    juce::AudioBuffer<float> first (audio.getArrayOfWritePointers(), 2, 0, 1024);
    neutral.processBlock (first, midi);

    restore (neutral, saveState (neutral));

    // The impulse fed before the restore still comes out 2048 samples later.
    juce::AudioBuffer<float> rest (audio.getArrayOfWritePointers(), 2, 1024, 3072);
    neutral.processBlock (rest, midi);
    EXPECT_NEAR (audio.getSample (0, 2148), 1.0f, 1.0e-4f);
}
} // namespace
