// The preset menu's commands and what they leave in the folder and in the list.

#include "PresetTestSupport.h"
#include "support/InertProcessor.h"
#include "support/MessageLoop.h"

#include <signal.h>
#include <sys/resource.h>

using namespace quarmont;
using namespace quarmont::testing;

namespace
{
using PresetMenu = PresetBarFixture;

struct MenuLine
{
    int id;
    juce::String text;
    bool header, separator, enabled, ticked;
    bool operator== (const MenuLine& o) const
    {
        return id == o.id && text == o.text && header == o.header && separator == o.separator && enabled == o.enabled && ticked == o.ticked;
    }
};

std::ostream& operator<< (std::ostream& os, const MenuLine& l)
{
    return os << "{" << l.id << " \"" << l.text << "\"" << (l.header ? " header" : "") << (l.separator ? " separator" : "")
              << (l.enabled ? " enabled" : " disabled") << (l.ticked ? " ticked" : "") << "}";
}

std::vector<MenuLine> linesOf (const juce::PopupMenu& menu)
{
    std::vector<MenuLine> lines;

    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        const auto& item = it.getItem();
        EXPECT_EQ (item.subMenu, nullptr);
        lines.push_back ({ item.itemID, item.text, item.isSectionHeader, item.isSeparator, item.isEnabled, item.isTicked });
    }

    return lines;
}

std::vector<MenuLine> expectedMenu (bool presetSelected)
{
    return { { 0, "Preset", true, false, true, false },
             { 1, "Save Preset...", false, false, true, false },
             { 2, "Save As...", false, false, true, false },
             { 0, "", false, true, true, false },
             { 3, "Rename...", false, false, presetSelected, false },
             { 4, "Delete", false, false, presetSelected, false },
             { 0, "", false, true, true, false },
             { 5, "Open Preset Folder", false, false, true, false },
             { 0, "", false, true, true, false },
             { 6, "Refresh List", false, false, true, false } };
}

TEST_F (PresetMenu, OpensAtTheButtonWithRenameAndDeleteOnlyForAPresetFile)
{
    menuButton.triggerClick();
    ASSERT_TRUE (quarmont::testing::deliverPendingMessages());

    ASSERT_EQ (requests->menus.size(), 1u);
    EXPECT_EQ (requests->menus[0].target, &menuButton);
    EXPECT_EQ (linesOf (requests->menus[0].menu), expectedMenu (false));

    writePresetWithGain ("Soft", -3.0f);
    bar->refreshPresetList();
    pick ("Soft");
    EXPECT_EQ (linesOf (bar->createPresetMenu()), expectedMenu (true));

    // Dismissing the menu runs nothing.
    requests->menus[0].complete (0);
    EXPECT_TRUE (requests->choosers.empty());
    EXPECT_TRUE (requests->confirmations.empty());
    EXPECT_EQ (box.getText(), "Soft");
}

TEST_F (PresetMenu, SaveOnFactoryResetAsksForANameAndWritesTheStateBlock)
{
    setRaw (processor, "band2_gain", -9.0f);
    bar->handlePresetMenuResult (PresetBar::savePreset);

    ASSERT_EQ (requests->choosers.size(), 1u);
    EXPECT_EQ (requests->choosers[0].title, "Save Preset");
    EXPECT_EQ (requests->choosers[0].initialFile, presetFile ("Factory_ Reset"));

    requests->choosers[0].complete (presetFile ("Warm"));

    juce::MemoryBlock written;
    ASSERT_TRUE (presetFile ("Warm").loadFileAsData (written));
    EXPECT_EQ (written, stateOf (processor)) << "a preset file is exactly the state block";
    EXPECT_EQ (listEntries (box), (std::vector<ListEntry> { { 1, "Factory: Reset" }, { 2, "Warm" } }));
    EXPECT_EQ (box.getSelectedId(), 2);
    EXPECT_EQ (selectedPresetPath (box), presetFile ("Warm").getFullPathName());
}

TEST_F (PresetMenu, SaveOverwritesTheShownPresetAtOnce)
{
    writePresetWithGain ("Warm", -3.0f);
    bar->refreshPresetList();
    pick ("Warm");
    setRaw (processor, "band1_gain", -12.0f);

    bar->handlePresetMenuResult (PresetBar::savePreset);

    EXPECT_TRUE (requests->choosers.empty()) << "no dialog";
    EXPECT_TRUE (requests->confirmations.empty()) << "no confirmation";
    EXPECT_FLOAT_EQ (band1GainIn (presetFile ("Warm")), -12.0f);
    EXPECT_EQ (listEntries (box), (std::vector<ListEntry> { { 1, "Factory: Reset" }, { 2, "Warm" } }));
    EXPECT_EQ (box.getText(), "Warm");
}

TEST_F (PresetMenu, APresetWhoseFileVanishedIsSavedUnderANameAndCannotBeRenamedOrDeleted)
{
    writePresetWithGain ("Warm", -3.0f);
    bar->refreshPresetList();
    pick ("Warm");
    presetFile ("Warm").deleteFile();

    bar->handlePresetMenuResult (PresetBar::renamePreset);
    bar->handlePresetMenuResult (PresetBar::deletePreset);
    EXPECT_TRUE (requests->choosers.empty());
    EXPECT_TRUE (requests->confirmations.empty());

    bar->handlePresetMenuResult (PresetBar::savePreset);
    ASSERT_EQ (requests->choosers.size(), 1u);
    EXPECT_EQ (requests->choosers[0].title, "Save Preset");
    EXPECT_EQ (requests->choosers[0].initialFile, presetFile ("Warm"));

    requests->choosers[0].complete (presetFile ("Warm"));
    EXPECT_TRUE (presetFile ("Warm").existsAsFile());
    EXPECT_EQ (box.getText(), "Warm");
}

TEST_F (PresetMenu, SaveAsAlwaysAsksAndReplacesAPresetOfTheSameName)
{
    writePresetWithGain ("Warm", -3.0f);
    bar->refreshPresetList();
    pick ("Warm");

    setRaw (processor, "band1_gain", 5.0f);
    runAndChoose (PresetBar::saveAs, presetFile ("Cold"));
    EXPECT_EQ (requests->choosers[0].title, "Save Preset As");
    EXPECT_EQ (requests->choosers[0].initialFile, presetFile ("Warm"));
    EXPECT_EQ (box.getText(), "Cold");

    setRaw (processor, "band1_gain", 6.0f);
    runAndChoose (PresetBar::saveAs, presetFile ("Cold"));

    EXPECT_EQ (listEntries (box), (std::vector<ListEntry> { { 1, "Factory: Reset" }, { 2, "Cold" }, { 3, "Warm" } }));
    EXPECT_EQ (box.getSelectedId(), 2);
    EXPECT_FLOAT_EQ (band1GainIn (presetFile ("Cold")), 6.0f);
    EXPECT_FLOAT_EQ (band1GainIn (presetFile ("Warm")), -3.0f);
}

TEST_F (PresetMenu, OnlyTheChosenNameCountsWhereverTheDialogBrowsed)
{
    const auto elsewhere = home.getFolder().getChildFile ("Elsewhere");
    ASSERT_TRUE (elsewhere.createDirectory());

    runAndChoose (PresetBar::saveAs, elsewhere.getChildFile ("Bright.wav"));
    runAndChoose (PresetBar::saveAs, elsewhere.getChildFile ("Lead: wide .quarmontpreset"));

    EXPECT_TRUE (presetFile ("Bright").existsAsFile());
    EXPECT_TRUE (presetFile ("Lead_ wide").existsAsFile());
    EXPECT_EQ (elsewhere.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
    EXPECT_EQ (listEntries (box), (std::vector<ListEntry> { { 1, "Factory: Reset" }, { 2, "Bright" }, { 3, "Lead_ wide" } }));
}

TEST_F (PresetMenu, RenameOntoAnotherPresetLeavesOneEntryWithTheRenamedContent)
{
    writePresetWithGain ("X", -6.0f);
    writePresetWithGain ("Y", 3.0f);
    writePresetWithGain ("Z", 1.0f);
    bar->refreshPresetList();
    pick ("X");

    bar->handlePresetMenuResult (PresetBar::renamePreset);
    ASSERT_EQ (requests->choosers.size(), 1u);
    EXPECT_EQ (requests->choosers[0].title, "Rename Preset");
    EXPECT_EQ (requests->choosers[0].initialFile, presetFile ("X"));

    // The file to rename was fixed when the command started.
    pick ("Z");
    const auto valuesBeforeRename = allRawValues (processor);
    requests->choosers[0].complete (presetFile ("Y"));

    EXPECT_FALSE (presetFile ("X").existsAsFile());
    EXPECT_FLOAT_EQ (band1GainIn (presetFile ("Y")), -6.0f);
    EXPECT_FLOAT_EQ (band1GainIn (presetFile ("Z")), 1.0f);
    EXPECT_EQ (listEntries (box), (std::vector<ListEntry> { { 1, "Factory: Reset" }, { 2, "Y" }, { 3, "Z" } }));
    EXPECT_EQ (box.getText(), "Y");
    EXPECT_EQ (selectedPresetPath (box), presetFile ("Y").getFullPathName());
    EXPECT_EQ (allRawValues (processor), valuesBeforeRename) << "renaming loads nothing";
}

TEST_F (PresetMenu, RenameToTheSameNameChangesNothing)
{
    writePresetWithGain ("X", -6.0f);
    bar->refreshPresetList();
    pick ("X");
    const auto pathBefore = selectedPresetPath (box);

    runAndChoose (PresetBar::renamePreset, presetFile ("X"));

    EXPECT_FLOAT_EQ (band1GainIn (presetFile ("X")), -6.0f);
    EXPECT_EQ (listEntries (box), (std::vector<ListEntry> { { 1, "Factory: Reset" }, { 2, "X" } }));
    EXPECT_EQ (selectedPresetPath (box), pathBefore);
}

TEST_F (PresetMenu, DeleteAfterOkRemovesTheFileAndShowsFactoryResetWithTheSoundUnchanged)
{
    writePresetWithGain ("X", -6.0f);
    bar->refreshPresetList();
    pick ("X");
    const auto before = allRawValues (processor);
    ASSERT_FLOAT_EQ (rawValue (processor, "band1_gain"), -6.0f);

    bar->handlePresetMenuResult (PresetBar::deletePreset);
    ASSERT_EQ (requests->confirmations.size(), 1u);
    EXPECT_EQ (requests->confirmations[0].title, "Delete Preset");
    EXPECT_EQ (requests->confirmations[0].message, "Delete 'X'?");
    EXPECT_EQ (requests->confirmations[0].associated, &window);
    EXPECT_TRUE (presetFile ("X").existsAsFile()) << "nothing before the answer";

    requests->confirmations[0].complete (true);

    EXPECT_FALSE (presetFile ("X").existsAsFile());
    EXPECT_EQ (listEntries (box), (std::vector<ListEntry> { { 1, "Factory: Reset" } }));
    EXPECT_EQ (box.getText(), "Factory: Reset");
    EXPECT_EQ (box.getSelectedId(), 1);
    EXPECT_EQ (selectedPresetPath (box), "");
    EXPECT_EQ (allRawValues (processor), before);
}

TEST_F (PresetMenu, CancelledDialogsChangeNothing)
{
    writePresetWithGain ("X", -6.0f);
    bar->refreshPresetList();
    pick ("X");
    const auto entries = listEntries (box);
    const auto folderBefore = folder().findChildFiles (juce::File::findFilesAndDirectories, false, "*");

    bar->handlePresetMenuResult (PresetBar::deletePreset);
    requests->confirmations.back().complete (false);

    for (auto command : { PresetBar::saveAs, PresetBar::renamePreset })
        runAndChoose (command, juce::File());

    EXPECT_EQ (folder().findChildFiles (juce::File::findFilesAndDirectories, false, "*"), folderBefore);
    EXPECT_EQ (listEntries (box), entries);
    EXPECT_EQ (box.getText(), "X");
    EXPECT_EQ (selectedPresetPath (box), presetFile ("X").getFullPathName());
}

TEST_F (PresetMenu, OpenPresetFolderCreatesAMissingFolderAndShowsIt)
{
    ASSERT_TRUE (home.getFolder().getChildFile (".config").deleteRecursively());

    bar->handlePresetMenuResult (PresetBar::openPresetFolder);

    EXPECT_TRUE (folder().isDirectory());
    ASSERT_EQ (requests->revealedFolders.size(), 1u);
    EXPECT_EQ (requests->revealedFolders[0], folder());
}

TEST_F (PresetMenu, RefreshListPicksUpWhatChangedBehindItsBack)
{
    writePresetWithGain ("Late", -1.0f);
    EXPECT_EQ (box.getNumItems(), 1);

    bar->handlePresetMenuResult (PresetBar::refreshList);

    EXPECT_EQ (listEntries (box), (std::vector<ListEntry> { { 1, "Factory: Reset" }, { 2, "Late" } }));
}

/** Lets the process write files no larger than a few bytes while it lives. */
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit (rlim_t bytes)
    {
        previousHandler = ::signal (SIGXFSZ, SIG_IGN);
        ::getrlimit (RLIMIT_FSIZE, &previous);
        auto limited = previous;
        limited.rlim_cur = bytes;
        ::setrlimit (RLIMIT_FSIZE, &limited);
    }

    ~ScopedFileSizeLimit()
    {
        ::setrlimit (RLIMIT_FSIZE, &previous);
        ::signal (SIGXFSZ, previousHandler);
    }

private:
    rlimit previous {};
    void (*previousHandler) (int) = nullptr;
};

TEST_F (PresetMenu, AWriteThatCannotCompleteKeepsTheOldPresetAndTheSelection)
{
    const auto original = writePresetWithGain ("Keep", -6.0f);
    juce::MemoryBlock before;
    ASSERT_TRUE (original.loadFileAsData (before));
    bar->refreshPresetList();
    pick ("Keep");
    setRaw (processor, "band1_gain", 12.0f);

    {
        // A full disk, as far as this process can tell.
        ScopedFileSizeLimit limit (64);
        bar->handlePresetMenuResult (PresetBar::savePreset);
        runAndChoose (PresetBar::saveAs, presetFile ("New"));
    }

    juce::MemoryBlock after;
    ASSERT_TRUE (original.loadFileAsData (after));
    EXPECT_EQ (after, before);
    EXPECT_FALSE (presetFile ("New").existsAsFile());
    EXPECT_EQ (folder().getNumberOfChildFiles (juce::File::findFiles | juce::File::ignoreHiddenFiles, "*"), 1)
        << "no temporary file left behind";
    EXPECT_EQ (folder().getNumberOfChildFiles (juce::File::findFiles, "*"), 1);
    EXPECT_EQ (box.getText(), "Keep");
    EXPECT_EQ (selectedPresetPath (box), original.getFullPathName());
}

/** A processor that has nothing to save, as when its state cannot be turned into XML. */
struct StatelessProcessor : quarmont::testing::InertProcessor {};

TEST (PresetWrite, AnEmptyStateNeverReplacesAPreset)
{
    TemporaryHome home;
    StatelessProcessor stateless;
    juce::Component window;
    juce::ComboBox box;
    juce::TextButton button;
    auto requests = std::make_shared<DialogRequests>();
    PresetBar bar (stateless, window, box, button, std::make_unique<ScriptedDialogs> (requests));
    bar.setUp();

    const auto file = getPresetFolder().getChildFile ("Keep.quarmontpreset");
    ASSERT_TRUE (file.replaceWithText ("old"));
    bar.refreshPresetList();
    box.setSelectedId (2, juce::sendNotificationSync);

    bar.handlePresetMenuResult (PresetBar::savePreset);

    EXPECT_EQ (file.loadFileAsString(), "old");
    EXPECT_EQ (box.getText(), "Keep");
}
} // namespace
