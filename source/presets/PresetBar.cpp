// The editor's preset bar: the preset list and the preset menu button in the header.

#include "editor/PluginEditor.h"

namespace
{
constexpr int factoryResetItemId = 1;
const juce::String factoryResetText { "Factory: Reset" };
} // namespace

void QuarmontAudioProcessorEditor::setupPresetBar()
{
    presetBox.setTextWhenNothingSelected ("Preset");
    presetBox.setJustificationType (juce::Justification::centredLeft);
    presetBox.setColour (juce::ComboBox::backgroundColourId, juce::Colour (0xff121b2c));
    presetBox.setColour (juce::ComboBox::outlineColourId, juce::Colours::white.withAlpha (0.16f));
    presetBox.setColour (juce::ComboBox::textColourId, juce::Colours::white.withAlpha (0.92f));
    presetBox.setColour (juce::ComboBox::arrowColourId, juce::Colours::white.withAlpha (0.75f));
    presetBox.addItem (factoryResetText, factoryResetItemId);
    presetBox.setSelectedId (0, juce::dontSendNotification);
    presetBox.setText (factoryResetText, juce::dontSendNotification);
    presetBox.getProperties().set ("selectedPresetPath", juce::String());
    presetBox.setTitle ("Preset");
    addAndMakeVisible (presetBox);

    presetMenuButton.setButtonText ("...");
    presetMenuButton.setTooltip ("Preset menu");
    presetMenuButton.setTitle ("Preset menu");
    addAndMakeVisible (presetMenuButton);
    presetMenuButton.setColour (juce::TextButton::buttonColourId, juce::Colour (0xff1d2a43));
    presetMenuButton.setColour (juce::TextButton::buttonOnColourId, juce::Colour (0xff2d4368));
    presetMenuButton.setColour (juce::TextButton::textColourOffId, juce::Colours::white.withAlpha (0.88f));
    presetMenuButton.setColour (juce::TextButton::textColourOnId, juce::Colours::white);

    presetBox.onChange = [this] { loadSelectedPreset(); };
    presetMenuButton.onClick = [this] { showPresetMenu(); };

    refreshPresetList();
}

// Until the preset library reads the preset folder, the list holds only the factory entry,
// and the handlers leave the parameters alone.
void QuarmontAudioProcessorEditor::refreshPresetList()
{
    if (presetBox.getNumItems() == 0)
        presetBox.addItem (factoryResetText, factoryResetItemId);
}

void QuarmontAudioProcessorEditor::loadSelectedPreset() {}

void QuarmontAudioProcessorEditor::showPresetMenu() {}
