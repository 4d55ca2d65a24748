// The preset folder and its listing, names, loading and the factory values.

#include "PresetTestSupport.h"

#include <cmath>

#include <sys/stat.h>
#include <unistd.h>

using namespace quarmont;
using namespace quarmont::testing;

namespace
{
using PresetList = PresetBarFixture;

TEST_F (PresetList, AnEmptyFolderListsOnlyFactoryResetSelected)
{
    EXPECT_TRUE (folder().isDirectory()) << "the folder is created when first asked for";
    EXPECT_EQ (listEntries (box), (std::vector<ListEntry> { { 1, "Factory: Reset" } }));
    EXPECT_EQ (box.getSelectedId(), 1);
    EXPECT_EQ (box.getText(), "Factory: Reset");
    EXPECT_EQ (selectedPresetPath (box), "");
}

TEST_F (PresetList, SortsByNameIgnoringCaseAndNumbersFromTwo)
{
    for (auto name : { "b", "A", "a2" })
        writePresetWithGain (name, -1.0f);

    bar->refreshPresetList();

    EXPECT_EQ (listEntries (box), (std::vector<ListEntry> { { 1, "Factory: Reset" }, { 2, "A" }, { 3, "a2" }, { 4, "b" } }));
    EXPECT_EQ (box.getProperties()["presetPath_2"].toString(), presetFile ("A").getFullPathName());
    EXPECT_EQ (box.getProperties()["presetPath_3"].toString(), presetFile ("a2").getFullPathName());
    EXPECT_EQ (box.getProperties()["presetPath_4"].toString(), presetFile ("b").getFullPathName());
    EXPECT_EQ (box.getText(), "Factory: Reset");
}

TEST_F (PresetList, ListsOnlyPresetFilesDirectlyInTheFolder)
{
    writePresetWithGain ("Pad.bright", -1.0f);
    writePresetWithGain (".hidden", -1.0f);
    folder().getChildFile ("notes.txt").replaceWithText ("x");
    folder().getChildFile ("Old.quarmontpreset.bak").replaceWithText ("x");
    folder().getChildFile ("Folder.quarmontpreset").createDirectory();
    folder().getChildFile ("Sub").getChildFile ("Inner.quarmontpreset").create();

    // A link to a preset kept elsewhere counts as a preset.
    const auto elsewhere = home.getFolder().getChildFile ("Linked.quarmontpreset");
    ASSERT_TRUE (elsewhere.replaceWithText ("x"));
    ASSERT_TRUE (elsewhere.createSymbolicLink (folder().getChildFile ("Linked.quarmontpreset"), false));

    bar->refreshPresetList();

    EXPECT_EQ (listEntries (box), (std::vector<ListEntry> { { 1, "Factory: Reset" }, { 2, ".hidden" }, { 3, "Linked" }, { 4, "Pad.bright" } }));
}

TEST_F (PresetList, AFileNamedJustTheExtensionUsesAnIdButShowsNoEntry)
{
    writePresetWithGain ("", -1.0f);
    writePresetWithGain ("b", -1.0f);

    bar->refreshPresetList();

    EXPECT_EQ (listEntries (box), (std::vector<ListEntry> { { 1, "Factory: Reset" }, { 3, "b" } }));
    EXPECT_EQ (box.getProperties()["presetPath_2"].toString(), folder().getChildFile (".quarmontpreset").getFullPathName());
}

TEST (PresetNames, AreMadeSafeForFileNames)
{
    const struct { const char* input; const char* expected; } cases[] {
        { "  Lead: bright/wide?  ", "Lead_ bright_wide_" },
        { "   ", "" },
        { "", "" },
        { "a\\b/c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j" },
        { "\t| Pipe |\n", "_ Pipe _" },
        { "Pad.bright.", "Pad.bright." },   // trailing dots pass
        { "CON", "CON" },                   // reserved device names too
        { "../up", ".._up" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (sanitisePresetName (c.input), juce::String (c.expected)) << "input: \"" << c.input << "\"";
}

//==============================================================================
using PresetLoad = PresetBarFixture;

TEST_F (PresetLoad, APresetRestoresAll55Values)
{
    // Every parameter away from its default, each to its own value.
    int index = 0;

    for (auto* parameter : processor.getParameters())
        parameter->setValueNotifyingHost (std::fmod (0.37f + 0.113f * (float) index++, 1.0f));

    const auto saved = allRawValues (processor);
    ASSERT_EQ (saved.size(), 55u);
    runAndChoose (PresetBar::saveAs, presetFile ("Everything"));

    bar->resetToFactory();
    ASSERT_NE (allRawValues (processor), saved);

    pick ("Everything");

    const auto restored = allRawValues (processor);

    for (size_t i = 0; i < saved.size(); ++i)
        EXPECT_FLOAT_EQ (restored[i], saved[i]) << processor.getParameters()[(int) i]->getName (64);
    EXPECT_EQ (selectedPresetPath (box), presetFile ("Everything").getFullPathName());
    EXPECT_EQ (box.getText(), "Everything");
}

TEST_F (PresetLoad, AMissingFileDoesNothing)
{
    const auto file = writePresetWithGain ("Gone", -20.0f);
    bar->refreshPresetList();
    file.deleteFile();

    pick ("Gone");

    EXPECT_EQ (rawValue (processor, "band1_gain"), 0.0f);
    EXPECT_TRUE (requests->alerts.empty());
    EXPECT_EQ (box.getText(), "Gone");
    EXPECT_EQ (selectedPresetPath (box), "");
}

TEST_F (PresetLoad, ContentThatIsNotAStateBlockLeavesTheParametersAndCountsAsSelected)
{
    setRaw (processor, "band2_gain", -7.0f);
    const auto before = allRawValues (processor);
    ASSERT_TRUE (presetFile ("Junk").replaceWithText ("<Parameters>not a state block</Parameters>"));
    bar->refreshPresetList();

    pick ("Junk");

    EXPECT_EQ (allRawValues (processor), before);
    EXPECT_TRUE (requests->alerts.empty());
    EXPECT_EQ (selectedPresetPath (box), presetFile ("Junk").getFullPathName());
}

// As root, permission bits stop no read. What the system does refuse: a named pipe (opening it
// would wait for a writer and freeze the window), and what is too big to be a state block.
TEST_F (PresetLoad, AFileThatExistsButCannotBeReadRaisesTheAlert)
{
    const auto pipe = presetFile ("Pipe");
    ASSERT_EQ (::mkfifo (pipe.getFullPathName().toRawUTF8(), 0644), 0);

    const auto huge = presetFile ("Huge");
    ASSERT_TRUE (huge.create());
    ASSERT_EQ (::truncate (huge.getFullPathName().toRawUTF8(), (off_t) maxPresetFileBytes + 1), 0);

    bar->refreshPresetList();
    setRaw (processor, "band3_gain", 4.0f);
    const auto before = allRawValues (processor);

    for (const auto& file : { pipe, huge })
    {
        requests->alerts.clear();
        pick (file.getFileNameWithoutExtension());

        ASSERT_EQ (requests->alerts.size(), 1u) << file.getFileName();
        EXPECT_EQ (requests->alerts[0].title, "Preset");
        EXPECT_EQ (requests->alerts[0].message, "Failed to load preset:\n" + file.getFullPathName());
        EXPECT_EQ (allRawValues (processor), before);
        EXPECT_EQ (selectedPresetPath (box), "");
    }
}

TEST (PresetFiles, ReadingRefusesWhatCannotBeAPresetAndReadsTheRest)
{
    TemporaryHome home;
    const auto folder = getPresetFolder();
    juce::MemoryBlock block;

    const auto exact = folder.getChildFile ("Largest.quarmontpreset");
    ASSERT_TRUE (exact.create());
    ASSERT_EQ (::truncate (exact.getFullPathName().toRawUTF8(), (off_t) maxPresetFileBytes), 0);
    EXPECT_TRUE (readPresetData (exact, block));
    EXPECT_EQ ((juce::int64) block.getSize(), maxPresetFileBytes);

    EXPECT_FALSE (readPresetData (folder, block)) << "a folder";
    EXPECT_FALSE (readPresetData (folder.getChildFile ("Absent.quarmontpreset"), block));

    // A file that claims to be empty but has content (as /proc files do) is not trusted.
    const juce::File procStatus ("/proc/self/status");

    if (procStatus.existsAsFile() && procStatus.getSize() == 0)
    {
        EXPECT_FALSE (readPresetData (procStatus, block));
    }
}

//==============================================================================
using FactoryReset = PresetBarFixture;

/** Records gestures and value changes as the host sees them, in order. */
struct HostEvents : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override
    {
        events.push_back ("value " + std::to_string (index) + " " + juce::String (value, 4).toStdString());
    }

    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override
    {
        events.push_back ("begin " + std::to_string (index));
    }

    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override
    {
        events.push_back ("end " + std::to_string (index));
    }

    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

    std::vector<std::string> events;
};

TEST_F (FactoryReset, SendsOneGesturePerParameterWithItsDefault)
{
    for (auto* parameter : processor.getParameters())
        parameter->setValueNotifyingHost (0.9f);

    runAndChoose (PresetBar::saveAs, presetFile ("Loud"));
    ASSERT_EQ (box.getText(), "Loud");

    HostEvents host;
    processor.addListener (&host);
    pick ("Factory: Reset");
    processor.removeListener (&host);

    std::vector<std::string> expected;
    const auto& parameters = processor.getParameters();
    ASSERT_EQ (parameters.size(), 55);

    for (int i = 0; i < parameters.size(); ++i)
    {
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameters[i]);
        ASSERT_NE (ranged, nullptr);
        EXPECT_NEAR (ranged->getValue(), ranged->getDefaultValue(), 1.0e-5f) << ranged->paramID;
        expected.push_back ("begin " + std::to_string (i));
        expected.push_back ("value " + std::to_string (i) + " " + juce::String (ranged->getDefaultValue(), 4).toStdString());
        expected.push_back ("end " + std::to_string (i));
    }

    EXPECT_EQ (host.events, expected);
    EXPECT_EQ (box.getText(), "Factory: Reset");
    EXPECT_EQ (box.getSelectedId(), 1);
    EXPECT_EQ (selectedPresetPath (box), "");
    EXPECT_TRUE (presetFile ("Loud").existsAsFile());
}
} // namespace
