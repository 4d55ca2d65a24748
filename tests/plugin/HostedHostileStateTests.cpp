// Damaged and crafted states handed to the built Quarmont.vst3 the way a host restores a project
// (the component state, through JUCE's VST3 wrapper) and as preset files: nothing may crash, and
// nothing may change but what the plug-in's own block validly says. Also the wrapper's own
// trailer at the end of a state, which the wrapper reads before the plug-in sees anything.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "hosting/PluginHost.h"
#include "support/TemporaryHome.h"

namespace
{
const juce::File bundle { QUARMONT_VST3_BUNDLE };
constexpr const char* trailerIdentifier = "JUCEPrivateData";

std::unique_ptr<juce::AudioPluginInstance> load()
{
    juce::String error;
    auto instance = quarmont::hosting::loadVst3 (bundle, 48000.0, 512, 2, error);
    EXPECT_NE (instance, nullptr) << error;
    return instance;
}

/** The framework's wrapper of a state's XML text: magic number, length, UTF-8 text, NUL. */
juce::MemoryBlock wrapXmlText (const juce::String& xmlText)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    out.writeInt (0x21324356);
    const auto size = (int) xmlText.getNumBytesAsUTF8();
    out.writeInt (size + 1);
    out.write (xmlText.toRawUTF8(), (size_t) size + 1);
    return block;
}

/** The raw parameter values in a plug-in state block, by parameter id. */
std::map<juce::String, double> valuesInState (const juce::MemoryBlock& state)
{
    std::map<juce::String, double> values;

    if (const auto xml = juce::AudioProcessor::getXmlFromBinary (state.getData(), (int) state.getSize()))
        for (auto* child : xml->getChildWithTagNameIterator ("PARAM"))
            values[child->getStringAttribute ("id")] = child->getDoubleAttribute ("value");

    return values;
}

std::map<juce::String, double> valuesOf (juce::AudioPluginInstance& instance)
{
    quarmont::hosting::pumpMessages (10);
    return valuesInState (quarmont::hosting::getPluginState (instance));
}

/** The state block with the wrapper's trailer appended: a 64-bit zero, the private data, its
    size as a 64-bit number (given, or the private data's), the identifier. */
juce::MemoryBlock withTrailer (const juce::MemoryBlock& state, const juce::MemoryBlock& privateData,
                               std::optional<juce::uint64> claimedSize = std::nullopt)
{
    juce::MemoryBlock block (state);
    juce::MemoryOutputStream out (block, true);
    out.writeInt64 (0);
    out.write (privateData.getData(), privateData.getSize());
    out.writeInt64 ((juce::int64) claimedSize.value_or (privateData.getSize()));
    out << trailerIdentifier;
    return block;
}

juce::MemoryBlock privateDataTree (const juce::ValueTree& tree)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    tree.writeToStream (out);
    return block;
}

juce::ValueTree bypassTree (const juce::var& bypass)
{
    juce::ValueTree tree (trailerIdentifier);
    tree.setProperty ("Bypass", bypass, nullptr);
    return tree;
}

/** A trailer tree nested this deep, written iteratively (JUCE's writer would recurse). */
juce::MemoryBlock nestedPrivateData (int levels)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    out.writeString (trailerIdentifier);
    out.writeCompressedInt (0); // no properties

    for (int i = 0; i < levels; ++i)
    {
        out.writeCompressedInt (1); // one child
        out.writeString ("a");
        out.writeCompressedInt (0);
    }

    out.writeCompressedInt (0);
    return block;
}

/** The bypass the wrapper keeps, as its own trailer of a saved state says. */
std::optional<bool> bypassInSavedState (juce::AudioPluginInstance& instance)
{
    const auto saved = quarmont::hosting::getPluginState (instance);
    const auto* bytes = static_cast<const char*> (saved.getData());
    const auto identifierSize = std::strlen (trailerIdentifier);

    if (saved.getSize() < identifierSize + 16)
        return std::nullopt;

    const auto privateSize = (size_t) juce::ByteOrder::littleEndianInt64 (bytes + saved.getSize() - identifierSize - 8);
    const auto tree = juce::ValueTree::readFromData (bytes + saved.getSize() - identifierSize - 8 - privateSize, privateSize);

    if (! tree.hasProperty ("Bypass"))
        return std::nullopt;

    return (bool) tree["Bypass"];
}

juce::MemoryBlock stateSettingBand2Gain()
{
    return wrapXmlText (R"(<?xml version="1.0" encoding="UTF-8"?>)" "\n"
                        R"(<Parameters><PARAM id="band2_gain" value="-12"/></Parameters>)");
}

/** Hostile state blocks; each one, unguarded, crashed or hung the host (or would read
    something other than what the plug-in ever wrote). */
std::vector<std::pair<const char*, juce::MemoryBlock>> hostileStateBlocks()
{
    const auto param = juce::String (R"(<PARAM id="band2_gain" value="-12"/>)");
    const auto deep = juce::String::repeatedString ("<a>", 100000) + juce::String::repeatedString ("</a>", 100000);
    const char badUtf8[] = "<Parameters><PARAM id=\"band2_gain\" value=\"-12\"/><Oth\xff\xff\xff";

    return {
        { "nesting hidden behind a DOCTYPE", wrapXmlText ("<?xml version=\"1.0\"?><!DOCTYPE P <a> <z '>><Parameters>" + param + deep + "</Parameters>") },
        { "nesting in plain sight", wrapXmlText ("<Parameters>" + param + deep + "</Parameters>") },
        { "an entity from a DOCTYPE", wrapXmlText ("<!DOCTYPE p [<!ENTITY e \"<PARAM id='band2_gain' value='-12'/>\">]><Parameters>&e;</Parameters>") },
        { "a processing instruction inside the root", wrapXmlText ("<Parameters>" + param + "<?x?>b</Parameters>") },
        { "CDATA", wrapXmlText ("<Parameters>" + param + "<![CDATA[x]]></Parameters>") },
        { "a length past the block", [&] { auto b = wrapXmlText ("<Parameters>" + param); b.removeSection (b.getSize() - 1, 1); return b; }() },
        { "malformed UTF-8 at the end", juce::MemoryBlock ([&] {
              juce::MemoryBlock b; juce::MemoryOutputStream out (b, false);
              out.writeInt (0x21324356); out.writeInt ((int) sizeof (badUtf8)); out.write (badUtf8, sizeof (badUtf8));
              return b; }()) },
        { "a base64 attribute of 2 GB", wrapXmlText ("<Parameters><PARAM id=\"band2_gain\" value=\"-12\" base64:blob=\"2000000000.AAAA\"/></Parameters>") },
    };
}

class HostedHostileState : public ::testing::Test
{
protected:
    void SetUp() override
    {
        instance = load();
        ASSERT_NE (instance, nullptr);
        // Settings of its own, so that a restore to defaults would show.
        quarmont::hosting::restorePluginState (*instance, wrapXmlText (R"(<Parameters><PARAM id="band4_gain" value="-6"/>)"
                                                                       R"(<PARAM id="band3_attackMs" value="40"/></Parameters>)"));
        before = valuesOf (*instance);
        ASSERT_EQ (before["band4_gain"], -6.0);
        ASSERT_EQ (before.size(), 55u);
    }

    std::unique_ptr<juce::AudioPluginInstance> instance;
    std::map<juce::String, double> before;
};

TEST_F (HostedHostileState, HostileStateBlocksChangeNothing)
{
    for (const auto& [what, block] : hostileStateBlocks())
    {
        quarmont::hosting::restorePluginState (*instance, block);
        EXPECT_EQ (valuesOf (*instance), before) << what;
    }

    // The instance still restores a sound state afterwards.
    quarmont::hosting::restorePluginState (*instance, stateSettingBand2Gain());
    auto expected = before;
    expected["band2_gain"] = -12.0;
    EXPECT_EQ (valuesOf (*instance), expected);
}

TEST_F (HostedHostileState, HostileStateBlocksAsPresetFilesChangeNothing)
{
    quarmont::testing::TemporaryHome home;
    const auto folder = home.getFolder().getChildFile ("presets");
    ASSERT_TRUE (folder.createDirectory());

    for (const auto& [what, block] : hostileStateBlocks())
    {
        const auto file = folder.getChildFile (juce::String (what).replaceCharacter (' ', '-') + ".quarmontpreset");
        ASSERT_TRUE (file.replaceWithData (block.getData(), block.getSize())) << what;

        juce::String error;
        ASSERT_TRUE (quarmont::hosting::restoreStateFromFile (*instance, file, error)) << what << ": " << error;
        EXPECT_EQ (valuesOf (*instance), before) << what;
    }
}

TEST_F (HostedHostileState, ABadWrapperTrailerLeavesExactlyWhatThePluginsBlockSays)
{
    const auto state = stateSettingBand2Gain();
    auto expected = before;
    expected["band2_gain"] = -12.0;

    const auto valid = privateDataTree (bypassTree (false));
    auto withChild = bypassTree (true);
    withChild.appendChild (juce::ValueTree ("a"), nullptr);

    struct Case { const char* what; juce::MemoryBlock block; };
    const Case cases[] {
        // Sizes that do not fit: there is no trailer, and the whole block is the plug-in's.
        { "a size one past the block", withTrailer (state, valid, valid.getSize() + state.getSize() + 1) },
        { "a size of 2^63", withTrailer (state, valid, (juce::uint64) 1 << 63) },
        { "a size of 2^64 - 1", withTrailer (state, valid, ~(juce::uint64) 0) },
        // A size one too large still fits: the plug-in's block loses its last byte (the NUL after
        // its text), the private data gains one in front and so is not what the wrapper wrote.
        { "a size one byte too large", withTrailer (state, valid, valid.getSize() + 1) },
        // A trailer that fits but is not what the wrapper writes: ignored.
        { "a tree nested 200 000 deep", withTrailer (state, nestedPrivateData (200000)) },
        { "a tree with a child", withTrailer (state, privateDataTree (withChild)) },
        { "Bypass as a number", withTrailer (state, privateDataTree (bypassTree (1))) },
        { "another property", withTrailer (state, privateDataTree (juce::ValueTree (trailerIdentifier).setProperty ("Other", true, nullptr))) },
        { "a tree of another type", withTrailer (state, privateDataTree (juce::ValueTree ("Other").setProperty ("Bypass", true, nullptr))) },
        { "bytes that are no tree", withTrailer (state, juce::MemoryBlock ("\xff\xff\xff\xff\xff\xff", 6)) },
        { "a tree cut short", withTrailer (state, juce::MemoryBlock (valid.getData(), valid.getSize() - 1)) },
    };

    for (const auto& c : cases)
    {
        quarmont::hosting::restorePluginState (*instance, wrapXmlText ("<Parameters><PARAM id=\"band2_gain\" value=\"0\"/></Parameters>"));
        const auto bypassBefore = bypassInSavedState (*instance);
        ASSERT_TRUE (bypassBefore.has_value());

        quarmont::hosting::restorePluginState (*instance, c.block);
        EXPECT_EQ (valuesOf (*instance), expected) << c.what;
        EXPECT_EQ (bypassInSavedState (*instance), bypassBefore) << c.what;
    }

    // Only a trailer and its frame, with nothing of the plug-in in front: nothing changes.
    for (const auto size : { (juce::uint64) 0, (juce::uint64) 8, (juce::uint64) 1000 })
    {
        juce::MemoryBlock bare;
        juce::MemoryOutputStream out (bare, false);
        out.writeInt64 ((juce::int64) size);
        out << trailerIdentifier;
        const auto current = valuesOf (*instance);
        quarmont::hosting::restorePluginState (*instance, bare);
        EXPECT_EQ (valuesOf (*instance), current) << "size " << size;
    }
}

TEST_F (HostedHostileState, TheTrailerTheWrapperWritesStillSetsItsBypass)
{
    // Through a saved state and back: the wrapper's own trailer is the one shape it still reads.
    for (const auto bypass : { true, false, true })
    {
        quarmont::hosting::restorePluginState (*instance, withTrailer (stateSettingBand2Gain(), privateDataTree (bypassTree (bypass))));
        EXPECT_EQ (bypassInSavedState (*instance), std::optional<bool> (bypass));
        EXPECT_EQ (valuesOf (*instance)["band2_gain"], -12.0);
    }

    auto other = load();
    ASSERT_NE (other, nullptr);
    quarmont::hosting::restorePluginState (*other, quarmont::hosting::getPluginState (*instance));
    EXPECT_EQ (bypassInSavedState (*other), std::optional<bool> (true));
    EXPECT_EQ (valuesOf (*other), valuesOf (*instance));
}
} // namespace
