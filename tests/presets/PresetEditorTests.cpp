// The preset bar inside the real window: its place in the editor's life, late answers after the
// window closed, and the real menu and dialogs on a display.

#include "PresetTestSupport.h"

#include "../plugin/XErrorTolerance.h"
#include "support/MessageLoop.h"

using namespace quarmont;
using namespace quarmont::testing;

namespace
{
class PresetEditor : public ::testing::Test
{
protected:
    void SetUp() override { openEditor(); }
    void TearDown() override { closeEditor(); }

    void openEditor (bool scripted = true)
    {
        editor.reset (processor.createEditorIfNeeded());
        ASSERT_NE (editor, nullptr);

        if (scripted)
            presetBar().setDialogs (std::make_unique<ScriptedDialogs> (requests));
    }

    // As the plug-in wrappers do it.
    void closeEditor()
    {
        if (editor != nullptr)
        {
            processor.editorBeingDeleted (editor.get());
            editor.reset();
        }
    }

    PresetBar& presetBar() { return dynamic_cast<QuarmontAudioProcessorEditor&> (*editor).getPresetBar(); }

    juce::ComboBox& presetBox()
    {
        for (auto* child : editor->getChildren())
            if (auto* box = dynamic_cast<juce::ComboBox*> (child); box != nullptr && box->getTitle() == "Preset")
                return *box;

        throw std::runtime_error ("no preset list");
    }

    juce::Button& presetMenuButton()
    {
        for (auto* child : editor->getChildren())
            if (auto* button = dynamic_cast<juce::TextButton*> (child); button != nullptr && button->getButtonText() == "...")
                return *button;

        throw std::runtime_error ("no preset menu button");
    }

    juce::File presetFile (const juce::String& name) const
    {
        return getPresetFolderLocation().getChildFile (name + presetFileExtension);
    }

    void saveAs (const juce::String& name)
    {
        presetBar().handlePresetMenuResult (PresetBar::saveAs);
        ASSERT_FALSE (requests->choosers.empty());
        requests->choosers.back().complete (presetFile (name));
    }

    TemporaryHome home;
    QuarmontAudioProcessor processor;
    std::shared_ptr<DialogRequests> requests = std::make_shared<DialogRequests>();
    std::unique_ptr<juce::AudioProcessorEditor> editor;
};

TEST_F (PresetEditor, TheBarIsDressedAndWiredByTheWindow)
{
    auto& box = presetBox();
    auto& button = presetMenuButton();

    EXPECT_EQ (box.getParentComponent(), editor.get());
    EXPECT_EQ (button.getParentComponent(), editor.get());
    EXPECT_EQ (box.getTextWhenNothingSelected(), "Preset");
    EXPECT_EQ (box.getJustificationType().getFlags(), juce::Justification::centredLeft);
    EXPECT_EQ (box.findColour (juce::ComboBox::backgroundColourId), juce::Colour (0xff121b2c));
    EXPECT_EQ (box.findColour (juce::ComboBox::outlineColourId), juce::Colours::white.withAlpha (0.16f));
    EXPECT_EQ (box.findColour (juce::ComboBox::textColourId), juce::Colours::white.withAlpha (0.92f));
    EXPECT_EQ (box.findColour (juce::ComboBox::arrowColourId), juce::Colours::white.withAlpha (0.75f));
    EXPECT_EQ (button.getName(), "Presets");
    EXPECT_EQ (button.getTooltip(), "Preset menu");
    EXPECT_EQ (button.findColour (juce::TextButton::buttonColourId), juce::Colour (0xff1d2a43));
    EXPECT_EQ (button.findColour (juce::TextButton::buttonOnColourId), juce::Colour (0xff2d4368));
    EXPECT_EQ (button.findColour (juce::TextButton::textColourOffId), juce::Colours::white.withAlpha (0.88f));
    EXPECT_EQ (button.findColour (juce::TextButton::textColourOnId), juce::Colours::white);
    EXPECT_EQ (box.getText(), "Factory: Reset");

    button.triggerClick();
    ASSERT_TRUE (deliverPendingMessages());
    ASSERT_EQ (requests->menus.size(), 1u);
    EXPECT_EQ (requests->menus[0].target, &button);
}

TEST_F (PresetEditor, ReopeningShowsFactoryResetWhileTheLoadedValuesStay)
{
    setRaw (processor, "band4_gain", -15.0f);
    saveAs ("Deep");
    presetBar().resetToFactory();
    ASSERT_EQ (rawValue (processor, "band4_gain"), 0.0f);

    presetBox().setSelectedId (2, juce::sendNotificationSync);
    ASSERT_FLOAT_EQ (rawValue (processor, "band4_gain"), -15.0f);
    ASSERT_EQ (presetBox().getText(), "Deep");

    closeEditor();
    openEditor();

    EXPECT_EQ (presetBox().getText(), "Factory: Reset");
    EXPECT_EQ (presetBox().getSelectedId(), 1);
    EXPECT_EQ (selectedPresetPath (presetBox()), "");
    EXPECT_EQ (listEntries (presetBox()), (std::vector<ListEntry> { { 1, "Factory: Reset" }, { 2, "Deep" } }));
    EXPECT_FLOAT_EQ (rawValue (processor, "band4_gain"), -15.0f);
}

TEST_F (PresetEditor, AnswersArrivingAfterTheWindowClosedDoNothing)
{
    saveAs ("Keep");
    presetBox().setSelectedId (2, juce::sendNotificationSync);

    presetMenuButton().triggerClick();
    ASSERT_TRUE (deliverPendingMessages());
    presetBar().handlePresetMenuResult (PresetBar::saveAs);
    presetBar().handlePresetMenuResult (PresetBar::renamePreset);
    presetBar().handlePresetMenuResult (PresetBar::deletePreset);
    ASSERT_EQ (requests->menus.size(), 1u);
    ASSERT_EQ (requests->choosers.size(), 3u); // the first Save As, then the two above
    ASSERT_EQ (requests->confirmations.size(), 1u);

    closeEditor();

    requests->menus[0].complete (PresetBar::deletePreset);
    requests->menus[0].complete (PresetBar::refreshList);
    requests->choosers[1].complete (presetFile ("Late"));
    requests->choosers[2].complete (presetFile ("Renamed"));
    requests->confirmations[0].complete (true);

    EXPECT_TRUE (presetFile ("Keep").existsAsFile());
    EXPECT_FALSE (presetFile ("Late").existsAsFile());
    EXPECT_FALSE (presetFile ("Renamed").existsAsFile());
    EXPECT_EQ (requests->menus.size(), 1u);
    EXPECT_EQ (requests->confirmations.size(), 1u);
}

//==============================================================================
/** The real menu and dialogs, in windows on the display (the tests run under Xvfb). */
class PresetWindows : public PresetEditor
{
protected:
    void SetUp() override
    {
        openEditor (false);
        // Xvfb runs no window manager; the few X errors that follow from it are harmless.
        tolerateXErrors();
        editor->addToDesktop (0);
        editor->setVisible (true);
        // A menu stays open only while its program has the input focus, as on a desktop.
        editor->toFront (true);
        runMessagesUntil ([] { return juce::Process::isForegroundProcess(); });
    }

    static juce::Component* topModal()
    {
        return juce::ModalComponentManager::getInstance()->getModalComponent (0);
    }

    template <typename Type>
    static Type* findInside (juce::Component& parent)
    {
        if (auto* typed = dynamic_cast<Type*> (&parent))
            return typed;

        for (auto* child : parent.getChildren())
            if (auto* found = findInside<Type> (*child))
                return found;

        return nullptr;
    }

    /** The other windows on the display, newest last. */
    std::vector<juce::Component*> otherWindows() const
    {
        std::vector<juce::Component*> windows;
        auto& desktop = juce::Desktop::getInstance();

        for (int i = 0; i < desktop.getNumComponents(); ++i)
            if (auto* c = desktop.getComponent (i); c != editor.get() && c->isVisible())
                windows.push_back (c);

        return windows;
    }

    static void writeSnapshot (juce::Component& component, const juce::String& name)
    {
        writeImage (component.createComponentSnapshot (component.getLocalBounds(), true, 1.0f), name);
    }

    static void writeImage (const juce::Image& image, const juce::String& name)
    {
        const juce::File folder (QUARMONT_SNAPSHOT_DIR);
        folder.createDirectory();
        const auto file = folder.getChildFile (name + ".png");
        file.deleteFile();

        if (auto out = file.createOutputStream())
            juce::PNGImageFormat().writeImageToStream (image, *out);
    }
};

TEST_F (PresetWindows, TheMenuOpensOnTheDisplayAndMayOutliveTheWindow)
{
    presetMenuButton().triggerClick();
    ASSERT_TRUE (runMessagesUntil ([this] { return ! otherWindows().empty(); }));

    const auto windows = otherWindows();
    ASSERT_EQ (windows.size(), 1u) << "the menu's window";
    auto* menuWindow = windows[0];
    EXPECT_GT (menuWindow->getHeight(), 100) << "ten lines";
    EXPECT_TRUE (menuWindow->isOnDesktop());

    writeSnapshot (*editor, "preset-window");
    writeSnapshot (*menuWindow, "preset-menu");

    // The two together, as the screen shows them.
    auto screen = editor->createComponentSnapshot (editor->getLocalBounds(), true, 1.0f);
    {
        juce::Graphics g (screen);
        const auto offset = menuWindow->getScreenPosition() - editor->getScreenPosition();
        g.drawImageAt (menuWindow->createComponentSnapshot (menuWindow->getLocalBounds(), true, 1.0f), offset.x, offset.y);
    }
    writeImage (screen, "preset-menu-open");

    closeEditor();

    // The menu may outlive the window; whatever it hands on then must go nowhere.
    EXPECT_TRUE (juce::PopupMenu::dismissAllActiveMenus());
    EXPECT_TRUE (runMessagesUntil ([this] { return otherWindows().empty(); }));
}

TEST_F (PresetWindows, TheNameDialogAndTheConfirmationAnsweredAfterTheWindowClosedDoNothing)
{
    const auto keep = presetFile ("Keep");
    getPresetFolder();
    const auto state = stateOf (processor);
    ASSERT_TRUE (keep.replaceWithData (state.getData(), state.getSize()));
    presetBar().refreshPresetList();

    if (juce::FileChooser::isPlatformDialogAvailable())
        GTEST_SKIP() << "a native file dialog program is installed; these checks are for the framework's own";

    // The name dialog, as "Save Preset..." opens it on the factory entry.
    presetBar().handlePresetMenuResult (PresetBar::savePreset);
    ASSERT_TRUE (runMessagesUntil ([] { return topModal() != nullptr; }));
    auto* dialog = topModal();
    ASSERT_NE (dialog, nullptr) << "a name dialog";
    EXPECT_EQ (dialog->getName(), "Save Preset");
    auto* browser = findInside<juce::FileBrowserComponent> (*dialog);
    ASSERT_NE (browser, nullptr) << "the framework's own file dialog, as on a desktop without a native one";
    EXPECT_EQ (browser->getRoot(), getPresetFolder());
    EXPECT_EQ (browser->getSelectedFile (0), presetFile ("Factory_ Reset"));
    EXPECT_TRUE (browser->isSaveMode());
    writeSnapshot (*dialog, "preset-name-dialog");

    closeEditor();
    browser->setFileName ("Late");
    dialog->exitModalState (1);
    ASSERT_TRUE (deliverPendingMessages());
    EXPECT_FALSE (presetFile ("Late").existsAsFile());

    // The delete confirmation.
    openEditor (false);
    editor->addToDesktop (0);
    presetBox().setSelectedId (2, juce::sendNotificationSync);
    ASSERT_EQ (presetBox().getText(), "Keep");
    presetBar().handlePresetMenuResult (PresetBar::deletePreset);
    ASSERT_TRUE (runMessagesUntil ([] { return topModal() != nullptr; }));
    auto* confirmation = topModal();
    ASSERT_NE (confirmation, nullptr) << "a confirmation";
    auto* alertWindow = findInside<juce::AlertWindow> (*confirmation);
    ASSERT_NE (alertWindow, nullptr);
    EXPECT_EQ (alertWindow->getName(), "Delete Preset");
    EXPECT_EQ (alertWindow->getAlertType(), juce::MessageBoxIconType::WarningIcon);
    juce::StringArray buttonTexts;

    for (auto* child : alertWindow->getChildren())
        if (auto* button = dynamic_cast<juce::TextButton*> (child))
            buttonTexts.add (button->getButtonText());

    EXPECT_EQ (buttonTexts, juce::StringArray ({ "OK", "Cancel" }));
    writeSnapshot (*confirmation, "preset-delete-confirmation");

    closeEditor();
    confirmation->exitModalState (1);
    ASSERT_TRUE (deliverPendingMessages());
    EXPECT_TRUE (keep.existsAsFile());
}
} // namespace
