#include "presets/PresetBar.h"

#include "presets/PresetFiles.h"

namespace quarmont
{
namespace
{
const juce::String factoryResetText { "Factory: Reset" };
const juce::Identifier selectedPresetPathKey { "selectedPresetPath" };

juce::Identifier presetPathKey (int itemId)
{
    return "presetPath_" + juce::String (itemId);
}

bool isPresetPathKey (const juce::Identifier& key)
{
    return key.toString().startsWith ("presetPath_");
}
} // namespace

PresetBar::PresetBar (juce::AudioProcessor& processorToUse, juce::Component& windowToUse, juce::ComboBox& box,
                      juce::TextButton& menuButton, std::unique_ptr<PresetDialogs> dialogsToUse)
    : processor (processorToUse), window (windowToUse), presetBox (box), presetMenuButton (menuButton),
      dialogs (std::move (dialogsToUse))
{
}

PresetBar::~PresetBar()
{
    // The list and the button outlive the bar by a moment; nothing may reach it through them.
    presetBox.onChange = nullptr;
    presetMenuButton.onClick = nullptr;
}

void PresetBar::setDialogs (std::unique_ptr<PresetDialogs> newDialogs)
{
    dialogs = std::move (newDialogs);
}

void PresetBar::setUp()
{
    presetBox.setTextWhenNothingSelected ("Preset");
    presetBox.setJustificationType (juce::Justification::centredLeft);
    presetBox.setColour (juce::ComboBox::backgroundColourId, juce::Colour (0xff121b2c));
    presetBox.setColour (juce::ComboBox::outlineColourId, juce::Colours::white.withAlpha (0.16f));
    presetBox.setColour (juce::ComboBox::textColourId, juce::Colours::white.withAlpha (0.92f));
    presetBox.setColour (juce::ComboBox::arrowColourId, juce::Colours::white.withAlpha (0.75f));
    presetBox.addItem (factoryResetText, factoryResetItemId);
    showFactoryEntry();
    // A new window always starts on the factory entry, whatever was loaded before it opened.
    setSelectedPresetPath ({});
    presetBox.setTitle ("Preset");
    window.addAndMakeVisible (presetBox);

    presetMenuButton.setButtonText ("...");
    presetMenuButton.setTooltip ("Preset menu");
    presetMenuButton.setTitle ("Preset menu");
    window.addAndMakeVisible (presetMenuButton);
    presetMenuButton.setColour (juce::TextButton::buttonColourId, juce::Colour (0xff1d2a43));
    presetMenuButton.setColour (juce::TextButton::buttonOnColourId, juce::Colour (0xff2d4368));
    presetMenuButton.setColour (juce::TextButton::textColourOffId, juce::Colours::white.withAlpha (0.88f));
    presetMenuButton.setColour (juce::TextButton::textColourOnId, juce::Colours::white);

    presetBox.onChange = [this] { loadSelectedPreset(); };
    presetMenuButton.onClick = [this] { showPresetMenu(); };

    refreshPresetList();
}

//==============================================================================
void PresetBar::setSelectedPresetPath (const juce::String& path)
{
    presetBox.getProperties().set (selectedPresetPathKey, path);
}

void PresetBar::showFactoryEntry()
{
    presetBox.setSelectedId (0, juce::dontSendNotification);
    presetBox.setText (factoryResetText, juce::dontSendNotification);
}

void PresetBar::refreshPresetList()
{
    const auto remembered = presetBox.getProperties()[selectedPresetPathKey].toString();

    presetBox.clear (juce::dontSendNotification);
    presetBox.addItem (factoryResetText, factoryResetItemId);

    // Paths of entries that a shorter list no longer has would only mislead.
    auto& properties = presetBox.getProperties();

    for (int i = properties.size(); --i >= 0;)
        if (isPresetPathKey (properties.getName (i)))
            properties.remove (properties.getName (i));

    int idToSelect = 0;
    int itemId = factoryResetItemId + 1;

    for (const auto& file : listPresetFiles())
    {
        const auto name = getPresetName (file);
        const auto path = file.getFullPathName();

        // A file called just ".quarmontpreset" keeps its id but has no text to show.
        if (name.isNotEmpty())
            presetBox.addItem (name, itemId);

        properties.set (presetPathKey (itemId), path);

        if (remembered.isNotEmpty() && remembered == path)
            idToSelect = itemId;

        ++itemId;
    }

    presetBox.setSelectedId (idToSelect, juce::dontSendNotification);

    if (idToSelect == 0)
    {
        setSelectedPresetPath ({});
        presetBox.setText (factoryResetText, juce::dontSendNotification);
    }
}

juce::File PresetBar::getSelectedPresetFile() const
{
    const auto id = presetBox.getSelectedId();

    if (id <= factoryResetItemId)
        return {};

    const auto path = presetBox.getProperties()[presetPathKey (id)].toString();
    return path.isEmpty() ? juce::File() : juce::File (path);
}

void PresetBar::loadSelectedPreset()
{
    if (presetBox.getSelectedId() <= factoryResetItemId)
    {
        resetToFactory();
        return;
    }

    const auto file = getSelectedPresetFile();

    if (! file.existsAsFile())
        return;

    juce::MemoryBlock state;

    if (! readPresetData (file, state))
    {
        if (dialogs != nullptr)
            dialogs->alert ("Preset", "Failed to load preset:\n" + file.getFullPathName());

        return;
    }

    // The processor ignores what is not one of its state blocks; the entry counts as loaded anyway.
    processor.setStateInformation (state.getData(), (int) state.getSize());
    setSelectedPresetPath (file.getFullPathName());
    window.repaint();
}

void PresetBar::resetToFactory()
{
    setSelectedPresetPath ({});

    for (auto* parameter : processor.getParameters())
    {
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter))
        {
            // One gesture per parameter, so that the host records each reset as a single step.
            ranged->beginChangeGesture();
            ranged->setValueNotifyingHost (ranged->getDefaultValue());
            ranged->endChangeGesture();
        }
    }

    showFactoryEntry();
    window.repaint();
}

void PresetBar::writePresetFile (const juce::File& target)
{
    juce::MemoryBlock state;
    processor.getStateInformation (state);

    if (! writePresetData (target, state))
        return;

    setSelectedPresetPath (target.getFullPathName());
    refreshPresetList();
}

void PresetBar::savePresetNamed (const juce::String& name)
{
    // Names arrive sanitised; doing it again costs nothing and keeps any caller inside the folder.
    const auto safeName = sanitisePresetName (name);

    if (safeName.isEmpty())
        return;

    writePresetFile (getPresetFolder().getChildFile (safeName + presetFileExtension));
}

void PresetBar::renamePresetFile (const juce::File& oldFile, const juce::String& newName)
{
    const auto safeName = sanitisePresetName (newName);

    if (safeName.isEmpty())
        return;

    const auto target = oldFile.getSiblingFile (safeName + presetFileExtension);

    if (target == oldFile || ! oldFile.moveFileTo (target))
        return;

    setSelectedPresetPath (target.getFullPathName());
    refreshPresetList();
}

void PresetBar::deletePresetFile (const juce::File& file)
{
    if (! file.deleteFile())
        return;

    setSelectedPresetPath ({});
    refreshPresetList();
}

//==============================================================================
juce::PopupMenu PresetBar::createPresetMenu() const
{
    const auto presetSelected = presetBox.getSelectedId() > factoryResetItemId;

    juce::PopupMenu menu;
    menu.addSectionHeader ("Preset");
    menu.addItem (savePreset, "Save Preset...");
    menu.addItem (saveAs, "Save As...");
    menu.addSeparator();
    menu.addItem (renamePreset, "Rename...", presetSelected);
    menu.addItem (deletePreset, "Delete", presetSelected);
    menu.addSeparator();
    menu.addItem (openPresetFolder, "Open Preset Folder");
    menu.addSeparator();
    menu.addItem (refreshList, "Refresh List");
    return menu;
}

void PresetBar::showPresetMenu()
{
    if (dialogs != nullptr)
        dialogs->showMenu (createPresetMenu(), presetMenuButton,
                           whileAlive ([this] (int itemId) { handlePresetMenuResult (itemId); }));
}

juce::String PresetBar::suggestedSaveName() const
{
    const auto shown = presetBox.getText();
    return sanitisePresetName (shown.isNotEmpty() ? shown : juce::String ("New Preset"));
}

void PresetBar::handlePresetMenuResult (int itemId)
{
    switch (itemId)
    {
        case savePreset:
        {
            const auto file = getSelectedPresetFile();

            if (file.existsAsFile())
                writePresetFile (file);
            else
                promptForPresetName ("Save Preset", suggestedSaveName(), [this] (const juce::String& name) { savePresetNamed (name); });

            break;
        }

        case saveAs:
            promptForPresetName ("Save Preset As", suggestedSaveName(), [this] (const juce::String& name) { savePresetNamed (name); });
            break;

        case renamePreset:
        {
            // The file is fixed now; the list may change while the dialog is open.
            const auto file = getSelectedPresetFile();

            if (file.existsAsFile())
                promptForPresetName ("Rename Preset", getPresetName (file),
                                     [this, file] (const juce::String& name) { renamePresetFile (file, name); });

            break;
        }

        case deletePreset:
        {
            const auto file = getSelectedPresetFile();

            if (file.existsAsFile() && dialogs != nullptr)
                dialogs->confirm ("Delete Preset", "Delete '" + getPresetName (file) + "'?", &window,
                                  whileAlive ([this, file] (bool ok) { if (ok) deletePresetFile (file); }));

            break;
        }

        case openPresetFolder:
        {
            const auto folder = getPresetFolder();

            if (dialogs != nullptr)
                dialogs->showInFileManager (folder);

            break;
        }

        case refreshList:
            refreshPresetList();
            break;

        default:
            break;
    }
}

void PresetBar::promptForPresetName (const juce::String& title, const juce::String& suggestedName,
                                     std::function<void (const juce::String&)> onNameChosen)
{
    const auto name = sanitisePresetName (suggestedName.isNotEmpty() ? suggestedName : juce::String ("New Preset"));
    const auto initialFile = getPresetFolder().getChildFile (name + presetFileExtension);

    if (dialogs == nullptr)
    {
        onNameChosen ({});
        return;
    }

    // Only the chosen name counts: a preset never leaves the preset folder, wherever the user
    // browsed to.
    dialogs->chooseFile (title, initialFile, whileAlive ([handOn = std::move (onNameChosen)] (const juce::File& chosen)
    {
        handOn (chosen == juce::File() ? juce::String() : sanitisePresetName (chosen.getFileNameWithoutExtension()));
    }));
}
} // namespace quarmont
