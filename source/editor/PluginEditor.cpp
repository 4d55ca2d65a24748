#include "editor/PluginEditor.h"

#include "compat/JuceCompat.h"
#include "processor/PluginProcessor.h"

QuarmontAudioProcessorEditor::QuarmontAudioProcessorEditor (QuarmontAudioProcessor& processor)
    : AudioProcessorEditor (processor), audioProcessor (processor)
{
    setResizable (true, true);
    setResizeLimits (900, 620, 2400, 1600);
    setSize (1140, 760);
}

QuarmontAudioProcessorEditor::~QuarmontAudioProcessorEditor() = default;

void QuarmontAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff0b101c));
    g.setColour (juce::Colours::white.withAlpha (0.94f));
    g.setFont (juce::FontOptions (22.0f, juce::Font::bold));
    g.drawText ("Quarmont", getLocalBounds().reduced (14), juce::Justification::topLeft, false);
}

void QuarmontAudioProcessorEditor::resized() {}
