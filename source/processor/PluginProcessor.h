#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "engine/BandLevelingEngine.h"
#include "engine/LatencyAlignedBypass.h"

/** The object the host talks to: identity, buses, lifecycle, the 55 band parameters and the saved
    state. The audio work is done by quarmont::BandLevelingEngine. */
class QuarmontAudioProcessor : public juce::AudioProcessor
{
public:
    QuarmontAudioProcessor();
    ~QuarmontAudioProcessor() override;

    const juce::String getName() const override;
    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using AudioProcessor::processBlock; // double precision stays the framework's default
    /** The host's bypass (the wrapper's own bypass parameter): the input, still 2048 samples late. */
    void processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using AudioProcessor::processBlockBypassed;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;
    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;
    void getStateInformation (juce::MemoryBlock& destination) override;
    void setStateInformation (const void* data, int sizeInBytes) override;
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    /** The editor's read access to the newest before/after display spectra of channel 0. */
    bool getSpectrumSnapshot (float* inputDestination, float* outputDestination, int& lastSeenSerial) const noexcept;

    juce::AudioProcessorValueTreeState apvts;

private:
    void render (juce::AudioBuffer<float>& buffer, bool bypassed) noexcept;

    quarmont::BandLevelingEngine engine;
    quarmont::LatencyAlignedBypass bypass;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuarmontAudioProcessor)
};
