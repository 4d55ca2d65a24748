#include "processor/PluginProcessor.h"

#include "editor/PluginEditor.h"
#include "processor/ParameterLayout.h"
#include "processor/StateRestore.h"

namespace
{
const juce::Identifier stateType { "Parameters" };
}

QuarmontAudioProcessor::QuarmontAudioProcessor()
    : AudioProcessor (BusesProperties()
                          .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                          .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      apvts (*this, nullptr, stateType, quarmont::createParameterLayout())
{
    engine.setParameterCache (quarmont::cacheParameterPointers (apvts));
    setLatencySamples (quarmont::latencySamples);
}

QuarmontAudioProcessor::~QuarmontAudioProcessor() = default;

const juce::String QuarmontAudioProcessor::getName() const { return "Quarmont"; }

void QuarmontAudioProcessor::prepareToPlay (double sampleRate, int)
{
    setLatencySamples (quarmont::latencySamples);
    const auto numChannels = std::max (getTotalNumInputChannels(), getTotalNumOutputChannels());
    engine.prepare (sampleRate, numChannels);
    bypass.prepare (sampleRate, numChannels);
}

void QuarmontAudioProcessor::releaseResources()
{
    engine.reset();
    bypass.reset();
}

void QuarmontAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    render (buffer, false);
}

void QuarmontAudioProcessor::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    render (buffer, true);
}

void QuarmontAudioProcessor::render (juce::AudioBuffer<float>& buffer, bool bypassed) noexcept
{
    juce::ScopedNoDenormals noDenormals;

    // Only the channels prepareToPlay made room for are processed: extra output channels, a host
    // that sends more channels than it prepared, or audio before any prepareToPlay get silence
    // there instead of an allocation on the audio thread.
    const auto numProcessed = std::min ({ getTotalNumInputChannels(), buffer.getNumChannels(),
                                          engine.getNumChannels(), bypass.getNumChannels() });
    const auto numSamples = buffer.getNumSamples();

    for (auto ch = std::max (numProcessed, 0); ch < buffer.getNumChannels(); ++ch)
        buffer.clear (ch, 0, numSamples);

    bypass.process (buffer.getArrayOfWritePointers(), numProcessed, numSamples, bypassed,
                    [this] (int channel, float* samples, int count) { engine.processChannel (channel, samples, count); });
}

double QuarmontAudioProcessor::getTailLengthSeconds() const { return 0.0; }
bool QuarmontAudioProcessor::acceptsMidi() const { return false; }
bool QuarmontAudioProcessor::producesMidi() const { return false; }

juce::AudioProcessorEditor* QuarmontAudioProcessor::createEditor()
{
    return new QuarmontAudioProcessorEditor (*this);
}

bool QuarmontAudioProcessor::hasEditor() const { return true; }

int QuarmontAudioProcessor::getNumPrograms() { return 1; }
int QuarmontAudioProcessor::getCurrentProgram() { return 0; }
void QuarmontAudioProcessor::setCurrentProgram (int) {}

// VST3 hosts (and Steinberg's validator) expect the one program to have a name.
const juce::String QuarmontAudioProcessor::getProgramName (int) { return "Default"; }

void QuarmontAudioProcessor::changeProgramName (int, const juce::String&) {}

void QuarmontAudioProcessor::getStateInformation (juce::MemoryBlock& destination)
{
    if (auto xml = apvts.copyState().createXml())
        copyXmlToBinary (*xml, destination);
}

void QuarmontAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    const auto restored = quarmont::parseStateBlock (data, sizeInBytes);

    if (! restored.hasType (stateType))
        return;

    apvts.replaceState (quarmont::completeRestoredState (restored, apvts));
}

bool QuarmontAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto output = layouts.getMainOutputChannelSet();

    if (output != juce::AudioChannelSet::mono() && output != juce::AudioChannelSet::stereo())
        return false;

    return layouts.getMainInputChannelSet() == output;
}

bool QuarmontAudioProcessor::getSpectrumSnapshot (float* inputDestination, float* outputDestination,
                                                  int& lastSeenSerial) const noexcept
{
    return engine.getSpectrumSnapshot (inputDestination, outputDestination, lastSeenSerial);
}
