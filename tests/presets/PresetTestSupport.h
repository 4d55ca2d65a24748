#pragma once

// Shared by the preset tests: menu and dialogs that answer when the test says so, a scratch
// HOME per test, and ways to read the preset list.

#include <gtest/gtest.h>

#include <juce_audio_processors/juce_audio_processors.h>

#include "editor/PluginEditor.h"
#include "presets/PresetBar.h"
#include "presets/PresetFiles.h"
#include "processor/PluginProcessor.h"
#include "support/TemporaryHome.h"

namespace quarmont::testing
{
/** Everything the bar asked for, and the completions still waiting for an answer. Shared, so
    that a test can answer after the bar (and the stand-in it owned) is gone. */
struct DialogRequests
{
    struct Menu { juce::PopupMenu menu; juce::Component* target; std::function<void (int)> complete; };
    struct Chooser { juce::String title; juce::File initialFile; std::function<void (const juce::File&)> complete; };
    struct Confirmation { juce::String title, message; juce::Component* associated; std::function<void (bool)> complete; };
    struct Alert { juce::String title, message; };

    std::vector<Menu> menus;
    std::vector<Chooser> choosers;
    std::vector<Confirmation> confirmations;
    std::vector<Alert> alerts;
    std::vector<juce::File> revealedFolders;
};

class ScriptedDialogs final : public PresetDialogs
{
public:
    explicit ScriptedDialogs (std::shared_ptr<DialogRequests> r) : requests (std::move (r)) {}

    void showMenu (juce::PopupMenu menu, juce::Component& target, std::function<void (int)> onResult) override
    {
        requests->menus.push_back ({ std::move (menu), &target, std::move (onResult) });
    }

    void chooseFile (const juce::String& title, const juce::File& initialFile,
                     std::function<void (const juce::File&)> onChosen) override
    {
        requests->choosers.push_back ({ title, initialFile, std::move (onChosen) });
    }

    void confirm (const juce::String& title, const juce::String& message, juce::Component* associated,
                  std::function<void (bool)> onAnswer) override
    {
        requests->confirmations.push_back ({ title, message, associated, std::move (onAnswer) });
    }

    void alert (const juce::String& title, const juce::String& message) override { requests->alerts.push_back ({ title, message }); }

    void showInFileManager (const juce::File& folder) override { requests->revealedFolders.push_back (folder); }

private:
    std::shared_ptr<DialogRequests> requests;
};

struct ListEntry
{
    int id;
    juce::String text;
    bool operator== (const ListEntry& other) const { return id == other.id && text == other.text; }
};

inline std::ostream& operator<< (std::ostream& os, const ListEntry& e) { return os << "{" << e.id << ", " << e.text << "}"; }

inline std::vector<ListEntry> listEntries (const juce::ComboBox& box)
{
    std::vector<ListEntry> entries;

    for (int i = 0; i < box.getNumItems(); ++i)
        entries.push_back ({ box.getItemId (i), box.getItemText (i) });

    return entries;
}

inline juce::String selectedPresetPath (juce::ComboBox& box)
{
    return box.getProperties()["selectedPresetPath"].toString();
}

inline juce::File presetFolderIn (const juce::File& home)
{
    return home.getChildFile (".config/Quarmont/Presets");
}

inline juce::MemoryBlock stateOf (juce::AudioProcessor& processor)
{
    juce::MemoryBlock state;
    processor.getStateInformation (state);
    return state;
}

/** Sets a parameter by its raw value (Hz, dB, ms), as the host would. */
inline void setRaw (QuarmontAudioProcessor& processor, const juce::String& id, float value)
{
    auto* parameter = processor.apvts.getParameter (id);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}

inline float rawValue (QuarmontAudioProcessor& processor, const juce::String& id)
{
    return processor.apvts.getRawParameterValue (id)->load();
}

/** The raw values of all parameters, in the processor's order. */
inline std::vector<float> allRawValues (QuarmontAudioProcessor& processor)
{
    std::vector<float> values;

    for (auto* parameter : processor.getParameters())
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter))
            values.push_back (ranged->convertFrom0to1 (ranged->getValue()));

    return values;
}

/** A preset bar on a stand-in window, list and button, with a fresh HOME and scripted dialogs. */
class PresetBarFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        bar = std::make_unique<PresetBar> (processor, window, box, menuButton, std::make_unique<ScriptedDialogs> (requests));
        bar->setUp();
    }

    void TearDown() override { bar.reset(); }

    juce::File folder() const { return presetFolderIn (home.getFolder()); }
    juce::File presetFile (const juce::String& name) const { return folder().getChildFile (name + presetFileExtension); }

    /** Writes a preset file behind the bar's back holding the processor's state with one gain changed. */
    juce::File writePresetWithGain (const juce::String& name, float band1Gain)
    {
        QuarmontAudioProcessor other;
        setRaw (other, "band1_gain", band1Gain);
        const auto file = presetFile (name);
        folder().createDirectory();
        const auto state = stateOf (other);
        EXPECT_TRUE (file.replaceWithData (state.getData(), state.getSize()));
        return file;
    }

    /** The gain a preset file holds, read back through a fresh processor. */
    static float band1GainIn (const juce::File& file)
    {
        juce::MemoryBlock block;
        EXPECT_TRUE (file.loadFileAsData (block));
        QuarmontAudioProcessor other;
        other.setStateInformation (block.getData(), (int) block.getSize());
        return rawValue (other, "band1_gain");
    }

    /** Picks an entry as the user does: the list tells its change handler. */
    void pick (const juce::String& text)
    {
        for (const auto& entry : listEntries (box))
            if (entry.text == text)
            {
                box.setSelectedId (entry.id, juce::sendNotificationSync);
                return;
            }

        ADD_FAILURE() << "no entry " << text;
    }

    /** Runs a menu command and answers the name dialog it opens with a file. */
    void runAndChoose (int command, const juce::File& chosen)
    {
        const auto before = requests->choosers.size();
        bar->handlePresetMenuResult (command);
        ASSERT_EQ (requests->choosers.size(), before + 1);
        requests->choosers.back().complete (chosen);
    }

    TemporaryHome home;
    QuarmontAudioProcessor processor;
    juce::Component window;
    juce::ComboBox box;
    juce::TextButton menuButton { "Presets" };
    std::shared_ptr<DialogRequests> requests = std::make_shared<DialogRequests>();
    std::unique_ptr<PresetBar> bar;
};
} // namespace quarmont::testing
