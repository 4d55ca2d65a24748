#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

class QuarmontAudioProcessor;

/** The plug-in window. */
class QuarmontAudioProcessorEditor : public juce::AudioProcessorEditor
{
public:
    explicit QuarmontAudioProcessorEditor (QuarmontAudioProcessor& processor);
    ~QuarmontAudioProcessorEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    QuarmontAudioProcessor& audioProcessor;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuarmontAudioProcessorEditor)
};
