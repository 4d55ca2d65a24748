#include "hosting/PluginHost.h"

#include "compat/JuceCompat.h"
#include "presets/PresetFiles.h"

namespace quarmont::hosting
{
void pumpMessages (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}

std::unique_ptr<juce::AudioPluginInstance> loadVst3 (const juce::File& bundle, double sampleRate, int blockSize,
                                                     int numChannels, juce::String& error)
{
    if (! bundle.exists())
    {
        error = "No plug-in at " + bundle.getFullPathName();
        return {};
    }

    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> descriptions;
    format.findAllTypesForFile (descriptions, bundle.getFullPathName());

    if (descriptions.isEmpty())
    {
        error = "No VST3 plug-in class found in " + bundle.getFullPathName();
        return {};
    }

    auto instance = format.createInstanceFromDescription (*descriptions[0], sampleRate, blockSize, error);

    if (instance == nullptr)
        return {};

    const auto channelSet = juce::AudioChannelSet::canonicalChannelSet (numChannels);
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (channelSet);
    layout.outputBuses.add (channelSet);

    if (! instance->setBusesLayout (layout))
    {
        error = "The plug-in refused " + juce::String (numChannels) + " channel(s) in and out";
        return {};
    }

    instance->setRateAndBufferSizeDetails (sampleRate, blockSize);
    instance->prepareToPlay (sampleRate, blockSize);
    pumpMessages (50);
    return instance;
}

// JUCE's VST3 hosting saves and restores an XML document that carries the component and
// controller states in base64; the plug-in's own state block is the component state.
void restorePluginState (juce::AudioPluginInstance& instance, const juce::MemoryBlock& pluginState)
{
    juce::XmlElement document ("VST3PluginState");
    document.createNewChildElement ("IComponent")->addTextElement (pluginState.toBase64Encoding());

    juce::MemoryBlock wrapped;
    juce::AudioProcessor::copyXmlToBinary (document, wrapped);
    instance.setStateInformation (wrapped.getData(), (int) wrapped.getSize());
}

juce::MemoryBlock getPluginState (juce::AudioPluginInstance& instance)
{
    juce::MemoryBlock wrapped, pluginState;
    instance.getStateInformation (wrapped);

    if (const auto document = juce::AudioProcessor::getXmlFromBinary (wrapped.getData(), (int) wrapped.getSize()))
        if (auto* component = document->getChildByName ("IComponent"))
            pluginState.fromBase64Encoding (component->getAllSubText());

    return pluginState;
}

bool restoreStateFromFile (juce::AudioPluginInstance& instance, const juce::File& file, juce::String& error)
{
    juce::MemoryBlock block;

    // Bounded, and never a pipe that would wait for a writer: the same reading the window does.
    if (! quarmont::readPresetData (file, block))
    {
        error = "Cannot read state file " + file.getFullPathName();
        return false;
    }

    restorePluginState (instance, block);
    return true;
}

void renderInPlace (juce::AudioPluginInstance& instance, juce::AudioBuffer<float>& audio, int blockSize)
{
    juce::MidiBuffer midi;
    const auto numChannels = audio.getNumChannels();

    for (int start = 0; start < audio.getNumSamples(); start += blockSize)
    {
        const auto length = std::min (blockSize, audio.getNumSamples() - start);
        juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), numChannels, start, length);
        instance.processBlock (block, midi);
        midi.clear();
    }
}

bool readAudioFile (const juce::File& file, juce::AudioBuffer<float>& audio, double& sampleRate, juce::String& error)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));

    if (reader == nullptr)
    {
        error = "Cannot read audio file " + file.getFullPathName();
        return false;
    }

    audio.setSize ((int) reader->numChannels, (int) reader->lengthInSamples);
    reader->read (&audio, 0, (int) reader->lengthInSamples, 0, true, true);
    sampleRate = reader->sampleRate;
    return true;
}

bool writeWavFile (const juce::File& file, const juce::AudioBuffer<float>& audio, double sampleRate, juce::String& error)
{
    file.deleteFile();
    std::unique_ptr<juce::OutputStream> stream = file.createOutputStream();

    if (stream == nullptr)
    {
        error = "Cannot write " + file.getFullPathName();
        return false;
    }

    juce::WavAudioFormat wav;
    const auto writer = compat::createWriterFor (wav, stream, sampleRate, audio.getNumChannels(), 24);

    if (writer == nullptr)
    {
        error = "Cannot create a WAV writer for " + file.getFullPathName();
        return false;
    }

    return writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples());
}
} // namespace quarmont::hosting
