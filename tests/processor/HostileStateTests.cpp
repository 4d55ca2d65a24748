// State blocks a damaged project or a hostile file can hand over: the plug-in must refuse them
// calmly, leaving every parameter as it was or setting only what is valid.

#include <gtest/gtest.h>

#include <cstring>

#include "processor/PluginProcessor.h"
#include "processor/StateRestore.h"

namespace
{
juce::MemoryBlock wrapXmlText (const juce::String& xmlText)
{
    // The framework's binary wrapper: magic number, text size, UTF-8 text with its terminator.
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    out.writeInt (0x21324356);
    const auto size = (int) xmlText.getNumBytesAsUTF8();
    out.writeInt (size + 1);
    out.write (xmlText.toRawUTF8(), (size_t) size + 1);
    return block;
}

std::vector<float> rawValuesOf (QuarmontAudioProcessor& processor)
{
    std::vector<float> values;

    for (auto* parameter : processor.getParameters())
        values.push_back (parameter->getValue());

    return values;
}

class HostileState : public ::testing::Test
{
protected:
    HostileState()
    {
        processor.apvts.getParameter ("band4_gain")->setValueNotifyingHost (0.25f);
        before = rawValuesOf (processor);
    }

    void restore (const juce::MemoryBlock& block)
    {
        processor.setStateInformation (block.getData(), (int) block.getSize());
    }

    QuarmontAudioProcessor processor;
    std::vector<float> before;
};

TEST_F (HostileState, DeeplyNestedXmlIsRefused)
{
    // Unrefused, this document overflows the stack of the (recursive) XML parser.
    juce::MemoryOutputStream xml;
    xml << "<Parameters><PARAM id=\"band1_gain\" value=\"-6\"/>";

    for (int i = 0; i < 200000; ++i)
        xml << "<a>";

    restore (wrapXmlText (xml.toString()));
    EXPECT_EQ (rawValuesOf (processor), before);
}

TEST_F (HostileState, ThousandsOfUnknownChildrenLeaveOnlyTheValidValuesSet)
{
    juce::MemoryOutputStream xml;
    xml << "<Parameters>";

    for (int i = 0; i < 20000; ++i)
        xml << "<PARAM id=\"unknown" << i << "\" value=\"" << i << "\"/>";

    xml << "<PARAM id=\"band1_gain\" value=\"-6\"/></Parameters>";
    restore (wrapXmlText (xml.toString()));

    auto expected = before;
    expected[4] = processor.apvts.getParameter ("band1_gain")->convertTo0to1 (-6.0f);
    EXPECT_EQ (rawValuesOf (processor), expected);
}

TEST_F (HostileState, ManyMegabytesAreRefusedWithoutParsing)
{
    juce::MemoryOutputStream xml;
    xml << "<Parameters><PARAM id=\"band1_gain\" value=\"-6\" junk=\"";
    xml.writeRepeatedByte ('x', 64 * 1024 * 1024);
    xml << "\"/></Parameters>";
    restore (wrapXmlText (xml.toString()));
    EXPECT_EQ (rawValuesOf (processor), before);
}

TEST_F (HostileState, MalformedUtf8IsRefused)
{
    // Found by fuzzing: bytes that are not UTF-8 just before the end made the XML parser read
    // past the end of its buffer.
    const char text[] = "<Parameters><PARAM id=\"band1_gain\" value=\"-6\"/><Oth\xff\xff\xff";
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    out.writeInt (0x21324356);
    out.writeInt ((int) sizeof (text));
    out.write (text, sizeof (text));
    restore (block);
    EXPECT_EQ (rawValuesOf (processor), before);
}

TEST_F (HostileState, ProcessingInstructionInsideTheRootIsRefused)
{
    // Found by fuzzing: the XML parser loops forever on a processing instruction followed by text
    // inside an element, which would hang the host's thread.
    restore (wrapXmlText ("<Parameters><PARAM id=\"band1_gain\" value=\"-6\"/><?x?>b</Parameters>"));
    EXPECT_EQ (rawValuesOf (processor), before);
}

TEST (ProcessingInstructions, OnlyTheDeclarationInFrontOfTheRootIsAllowed)
{
    struct Case { const char* xml; bool refused; };
    const Case cases[] {
        { "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Parameters><PARAM id=\"x\"/></Parameters>", false },
        { "<?xml version=\"1.0\"?><!-- <?no?> --><!DOCTYPE p><Parameters/>", false },
        { "<Parameters><?x?>b</Parameters>", true },
        { "<Parameters><PARAM/><?x?></Parameters>", true },
        { "<Parameters/><?x?>", true },
    };

    for (const auto& c : cases)
        EXPECT_EQ (quarmont::hasProcessingInstructionAfterRootTag (c.xml, std::strlen (c.xml)), c.refused) << c.xml;
}

TEST (XmlNestingDepth, CountsElementsNotMarkup)
{
    struct Case { const char* xml; int depth; };
    const Case cases[] {
        { "", 0 },
        { "<a/>", 1 },
        { "<a></a><b/>", 1 },
        { "<a><b/><c><d/></c></a>", 3 },
        { "<?xml version=\"1.0\"?><a x=\"<b><c>\" y='/>'><b/></a>", 2 },
        { "<a><!-- <b><c><d> --><![CDATA[<e><f>]]></a>", 1 },
        { "<a><b><c>", 3 }, // unterminated still counts
    };

    for (const auto& c : cases)
        EXPECT_EQ (quarmont::xmlNestingDepth (c.xml, std::strlen (c.xml), 100), c.depth) << c.xml;
}

TEST (ParseStateBlock, AcceptsOurFormatAndRefusesWhatItCannotTrust)
{
    juce::MemoryBlock ours;
    juce::AudioProcessor::copyXmlToBinary (*juce::parseXML ("<Parameters><PARAM id=\"x\" value=\"1\"/></Parameters>"), ours);
    const auto parsed = quarmont::parseStateBlock (ours.getData(), (int) ours.getSize());
    ASSERT_NE (parsed, nullptr);
    EXPECT_TRUE (parsed->hasTagName ("Parameters"));

    juce::String nested;
    for (int i = 0; i < quarmont::maxStateNestingDepth + 1; ++i)
        nested << "<a>";

    const auto deep = wrapXmlText (nested);
    EXPECT_EQ (quarmont::parseStateBlock (deep.getData(), (int) deep.getSize()), nullptr);
    EXPECT_EQ (quarmont::parseStateBlock (ours.getData(), 8), nullptr);
    EXPECT_EQ (quarmont::parseStateBlock (nullptr, 100), nullptr);
}
} // namespace
