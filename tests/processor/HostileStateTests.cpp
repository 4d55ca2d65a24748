// State blocks a damaged project or a hostile file can hand over: the plug-in must refuse them
// calmly, leaving every parameter as it was or setting only what is valid.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "processor/PluginProcessor.h"
#include "processor/StateRestore.h"
#include "processor/StateXmlReader.h"

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

TEST_F (HostileState, DeepNestingIsRefusedInPlainSightAndBehindADoctype)
{
    // Each of these, read by a recursive XML parser, overflows the thread's stack. The second
    // hid its nesting from the scan that guarded that parser: inside a DOCTYPE the parser
    // balances '<' and '>' while the scan stopped at the first '>' and then sat inside a quoted
    // attribute of a tag the parser never saw.
    juce::String deep;
    deep << juce::String::repeatedString ("<a>", 100000) << juce::String::repeatedString ("</a>", 100000);

    for (const auto& prefix : { juce::String ("<Parameters><PARAM id=\"band1_gain\" value=\"-6\"/>"),
                                juce::String ("<?xml version=\"1.0\"?><!DOCTYPE P <a> <z '>><Parameters><PARAM id=\"band1_gain\" value=\"-6\"/>") })
    {
        restore (wrapXmlText (prefix + deep + "</Parameters>"));
        EXPECT_EQ (rawValuesOf (processor), before) << prefix;
    }
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

/** The tree JUCE's own parser makes of a document: what the plug-in restored before it had a
    reader of its own. */
void removeTextElements (juce::XmlElement& element)
{
    element.deleteAllTextElements();

    for (auto* child : element.getChildIterator())
        removeTextElements (*child);
}

/** The tree JUCE's own readers make of a document. A tree has no place for text between
    elements: JUCE leaves it out (asserting on the way where its assertions are compiled in), so
    it is taken out before the conversion. */
juce::ValueTree readByJuce (const char* xml)
{
    const auto parsed = juce::parseXML (juce::String::fromUTF8 (xml));

    if (parsed == nullptr)
        return {};

    removeTextElements (*parsed);
    return juce::ValueTree::fromXml (*parsed);
}

TEST (StateXmlReader, ReadsWhatAStateMayHoldExactlyAsJuceDoes)
{
    const char* const documents[] {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Parameters><PARAM id=\"band1_gain\" value=\"-6\"/></Parameters>",
        "<Parameters/>",
        "  \n<?xml version='1.0' standalone=\"yes\" ?>\r\n<!-- by hand -->\n<Parameters\n id = 'p' >\n"
        "  <PARAM id=\"band1_gain\" value=\"-6\" />\n  <!-- a note -->\n  <PARAM id=\"band2_gain\" value=\"-3\"></PARAM >\n"
        "</Parameters>\n<!-- after -->\n",
        // Escapes and character references in values, as JUCE writes characters it does not keep.
        "<Parameters><PARAM id=\"a&amp;b&lt;c&gt;d&quot;e&apos;f\" value=\"&#45;1&#x2E;5\" x=\"&#1;&#233;&#x1F39B;\"/></Parameters>",
        "<Parameters><PARAM id=\"caf\xc3\xa9 \xf0\x9f\x8e\x9b\" value=\"a > b\" tab=\"\t\" nl=\"\r\n\"/></Parameters>",
        // Text between elements is dropped, as the tree has no place for it.
        "<Parameters>text &amp; more<PARAM id=\"band1_gain\" value=\"-6\"/>tail</Parameters>",
        // Other elements and nesting within the bound: kept as trees code may add.
        "<Parameters><Other id=\"band2_levelMax\" value=\"-nan\"><PARAM id=\"x\"/></Other><a><b><c><d><e><f><g><h><i><j><k><l><m><n><o/>"
        "</n></m></l></k></j></i></h></g></f></e></d></c></b></a></Parameters>",
        "<Preset><PARAM id=\"band1_gain\" value=\"-12\"/></Preset>",
    };

    for (const auto* document : documents)
    {
        const auto ours = quarmont::readStateXml (document);
        ASSERT_TRUE (ours.isValid()) << document;
        EXPECT_TRUE (ours.isEquivalentTo (readByJuce (document))) << document << "\nours: " << ours.toXmlString();
    }

    const auto tree = quarmont::readStateXml (documents[3]).getChild (0);
    EXPECT_EQ (tree["id"].toString(), "a&b<c>d\"e'f");
    EXPECT_EQ (tree["value"].toString(), "-1.5");
    EXPECT_EQ (tree["x"].toString(), juce::String::fromUTF8 ("\x01\xc3\xa9\xf0\x9f\x8e\x9b"));
}

TEST (StateXmlReader, RefusesEverythingBesideItsGrammar)
{
    const auto nested = [] (int levels)
    {
        return juce::String::repeatedString ("<a>", levels) + juce::String::repeatedString ("</a>", levels);
    };

    struct Case { const char* what; juce::String xml; };
    const Case cases[] {
        { "a DOCTYPE", "<!DOCTYPE p><Parameters/>" },
        { "a DOCTYPE with an entity", "<!DOCTYPE p [<!ENTITY e \"<PARAM id='band1_gain' value='9'/>\">]><Parameters>&e;</Parameters>" },
        { "a DOCTYPE inside the root", "<Parameters><!DOCTYPE p></Parameters>" },
        { "an entity of its own", "<Parameters><PARAM id=\"&e;\"/></Parameters>" },
        { "an escape in capitals", "<Parameters><PARAM id=\"&AMP;\"/></Parameters>" },
        { "a bare ampersand", "<Parameters><PARAM id=\"a&b\"/></Parameters>" },
        { "a reference without its semicolon", "<Parameters><PARAM id=\"&#65\"/></Parameters>" },
        { "a reference to NUL", "<Parameters><PARAM id=\"&#0;\"/></Parameters>" },
        { "a reference to half a surrogate pair", "<Parameters><PARAM id=\"&#xD800;\"/></Parameters>" },
        { "a reference past Unicode", "<Parameters><PARAM id=\"&#x110000;\"/></Parameters>" },
        { "a reference with too many digits", "<Parameters><PARAM id=\"&#x0000041;\"/></Parameters>" },
        { "a reference without digits", "<Parameters><PARAM id=\"&#x;\"/></Parameters>" },
        { "CDATA", "<Parameters><![CDATA[<PARAM/>]]></Parameters>" },
        { "a processing instruction inside the root", "<Parameters><?x?></Parameters>" },
        { "a processing instruction after the root", "<Parameters/><?x?>" },
        { "a processing instruction before the root", "<?xml version=\"1.0\"?><?x?><Parameters/>" },
        { "a declaration that is not first", "<!-- c --><?xml version=\"1.0\"?><Parameters/>" },
        { "a declaration without its end", "<?xml version=\"1.0\"<Parameters/>" },
        { "a byte order mark", juce::String::charToString (0xfeff) + "<Parameters/>" },
        { "text before the root", "x<Parameters/>" },
        { "text after the root", "<Parameters/>x" },
        { "two roots", "<Parameters/><Parameters/>" },
        { "no root", "<!-- only a comment -->" },
        { "nothing", "" },
        { "an end tag of another name", "<Parameters><PARAM></Other></Parameters>" },
        { "an unclosed element", "<Parameters><PARAM>" },
        { "an end tag too many", "<Parameters></PARAM></Parameters>" },
        { "a repeated attribute", "<Parameters><PARAM id=\"band1_gain\" id=\"band2_gain\"/></Parameters>" },
        { "attributes without space between", "<Parameters><PARAM id=\"a\"value=\"1\"/></Parameters>" },
        { "an unquoted value", "<Parameters><PARAM id=band1_gain/></Parameters>" },
        { "a '<' inside a value", "<Parameters><PARAM id=\"<\"/></Parameters>" },
        { "an unterminated value", "<Parameters><PARAM id=\"band1_gain/></Parameters>" },
        { "a name starting with a digit", "<Parameters><1PARAM/></Parameters>" },
        { "a comment inside a tag", "<Parameters><PARAM <!-- c --> id=\"x\"/></Parameters>" },
        { "a double dash inside a comment", "<Parameters><!-- a -- b --></Parameters>" },
        { "an unterminated comment", "<Parameters><!-- c </Parameters>" },
        { "a base64 attribute", "<Parameters><PARAM base64:blob=\"2000000000.AAAA\"/></Parameters>" },
        { "a control character", "<Parameters><PARAM id=\"a\x01\"/></Parameters>" },
        { "nesting one past the bound", "<Parameters>" + nested (quarmont::maxStateNestingDepth) + "</Parameters>" },
    };

    for (const auto& c : cases)
        EXPECT_FALSE (quarmont::readStateXml (c.xml.toStdString()).isValid()) << c.what;

    EXPECT_TRUE (quarmont::readStateXml (("<Parameters>" + nested (quarmont::maxStateNestingDepth - 1) + "</Parameters>").toStdString()).isValid());

    // Bytes a juce::String never holds, straight to the reader.
    const std::string_view badBytes[] {
        "<Parameters><PARAM id=\"\xff\"/></Parameters>",
        "<Parameters><PARAM id=\"\xc0\xbc\"/></Parameters>",        // an overlong '<'
        "<Parameters><PARAM id=\"\xed\xa0\x80\"/></Parameters>",    // a surrogate
        "<Parameters><PARAM id=\"x\"/></Parameters>\xe2\x82",       // cut short
        std::string_view ("<Parameters><PARAM id=\"\0\"/></Parameters>", 40),
    };

    for (const auto bytes : badBytes)
        EXPECT_FALSE (quarmont::readStateXml (bytes).isValid()) << std::string (bytes);
}

TEST (StateXmlReader, BoundsTheNamesAndAttributesADocumentBrings)
{
    std::string manyNames ("<Parameters>"), manyAttributes ("<Parameters><PARAM");

    for (int i = 0; i < 300; ++i)
        manyNames += "<e" + std::to_string (i) + "/>";

    for (int i = 0; i < 65; ++i)
        manyAttributes += " a" + std::to_string (i) + "=\"1\"";

    EXPECT_FALSE (quarmont::readStateXml (manyNames + "</Parameters>").isValid());
    EXPECT_FALSE (quarmont::readStateXml (manyAttributes + "/></Parameters>").isValid());

    // Many elements of the same few names are what a state is made of.
    std::string manyChildren ("<Parameters>");
    for (int i = 0; i < 100000; ++i)
        manyChildren += "<PARAM id=\"unknown" + std::to_string (i) + "\" value=\"" + std::to_string (i) + "\"/>";

    EXPECT_EQ (quarmont::readStateXml (manyChildren + "</Parameters>").getNumChildren(), 100000);
}

TEST (ParseStateBlock, ReadsEveryStateThePluginWritesAsJuceDid)
{
    // States as the plug-in writes them, at defaults and at random settings, and blocks from
    // older builds kept with the fuzzing corpus.
    std::vector<juce::MemoryBlock> blocks;

    for (int seed = 0; seed < 4; ++seed)
    {
        QuarmontAudioProcessor processor;
        juce::Random random (seed);

        for (auto* parameter : processor.getParameters())
            if (seed > 0)
                parameter->setValueNotifyingHost (random.nextFloat());

        blocks.emplace_back();
        processor.getStateInformation (blocks.back());
    }

    for (const auto* name : { "defaults", "band3_levelling", "non_finite", "partial_band2_gain", "unknown_ids", "other_root" })
    {
        blocks.emplace_back();
        ASSERT_TRUE (juce::File (QUARMONT_STATE_CORPUS_DIR).getChildFile (name).loadFileAsData (blocks.back())) << name;
    }

    for (const auto& block : blocks)
    {
        const auto ours = quarmont::parseStateBlock (block.getData(), (int) block.getSize());
        const auto juces = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());
        ASSERT_NE (juces, nullptr);
        ASSERT_TRUE (ours.isValid());
        EXPECT_TRUE (ours.isEquivalentTo (juce::ValueTree::fromXml (*juces))) << ours.toXmlString();
    }

    EXPECT_FALSE (quarmont::parseStateBlock (blocks[0].getData(), 8).isValid());
    EXPECT_FALSE (quarmont::parseStateBlock (nullptr, 100).isValid());
    EXPECT_FALSE (quarmont::parseStateBlock ("VC2!\xff\xff\xff\xff<a/>", 13).isValid()) << "a negative length";
}
} // namespace
