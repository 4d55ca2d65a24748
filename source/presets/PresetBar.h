#pragma once

#include <functional>
#include <memory>

#include <juce_audio_processors/juce_audio_processors.h>

#include "presets/PresetDialogs.h"

namespace quarmont
{
/** The preset bar's behaviour: fills a preset list from the preset folder, loads the chosen
    entry into the processor, and runs the preset menu's commands with their dialogs.

    The list and the menu button belong to the window, which places them; the bar dresses them,
    adds them to the window and wires them. All of it runs on the message thread. Completions of
    the menu and the dialogs that arrive after the bar is gone do nothing. */
class PresetBar
{
public:
    /** Item ids of the preset menu. */
    enum PresetMenuCommand
    {
        savePreset = 1,
        saveAs,
        renamePreset,
        deletePreset,
        openPresetFolder,
        refreshList
    };

    static constexpr int factoryResetItemId = 1;

    PresetBar (juce::AudioProcessor& processor, juce::Component& window, juce::ComboBox& presetBox,
               juce::TextButton& presetMenuButton, std::unique_ptr<PresetDialogs> dialogs = makeNativePresetDialogs());
    ~PresetBar();

    /** Dresses the list and the button, adds both to the window, wires them and fills the list. */
    void setUp();

    /** Replaces the menu and dialogs, for example with stand-ins that answer on demand. */
    void setDialogs (std::unique_ptr<PresetDialogs> newDialogs);

    void refreshPresetList();
    juce::File getSelectedPresetFile() const;
    void loadSelectedPreset();
    void resetToFactory();
    void writePresetFile (const juce::File& target);
    void savePresetNamed (const juce::String& name);
    void renamePresetFile (const juce::File& oldFile, const juce::String& newName);
    void deletePresetFile (const juce::File& file);

    /** The preset menu as it stands for the current selection. */
    juce::PopupMenu createPresetMenu() const;
    void showPresetMenu();
    void handlePresetMenuResult (int itemId);
    void promptForPresetName (const juce::String& title, const juce::String& suggestedName,
                              std::function<void (const juce::String&)> onNameChosen);

private:
    void setSelectedPresetPath (const juce::String& path);
    juce::String suggestedSaveName() const;
    void showFactoryEntry();

    /** Wraps a completion so that it runs only while this bar exists. */
    template <typename Completion>
    auto whileAlive (Completion completion) const
    {
        return [alive = std::weak_ptr<const int> (aliveToken), run = std::move (completion)] (auto&&... args)
        {
            if (! alive.expired())
                run (std::forward<decltype (args)> (args)...);
        };
    }

    juce::AudioProcessor& processor;
    juce::Component& window;
    juce::ComboBox& presetBox;
    juce::TextButton& presetMenuButton;
    std::unique_ptr<PresetDialogs> dialogs;
    std::shared_ptr<const int> aliveToken = std::make_shared<const int> (0);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PresetBar)
};
} // namespace quarmont
