#include "hosting/PluginHost.h"

#include "compat/JuceCompat.h"
#include "presets/PresetFiles.h"

#include <cstring>

namespace quarmont::hosting
{
void pumpMessages (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}

namespace
{
const juce::String lv2StateProperty = juce::String (QUARMONT_LV2_URI) + ":StateString";

bool isLv2 (const juce::AudioPluginInstance& instance)
{
    return instance.getPluginDescription().pluginFormatName == juce::LV2PluginFormat::getFormatName();
}

// Another bundle of the same name where LV2 hosts look first: lilv would take the plug-in from it.
juce::File findShadowingLv2Bundle (juce::LV2PluginFormat& format, const juce::File& bundle)
{
    for (int i = 0; i < format.getDefaultLocationsToSearch().getNumPaths(); ++i)
    {
        const auto candidate = format.getDefaultLocationsToSearch()[i].getChildFile (bundle.getFileName());

        if (candidate.isDirectory() && candidate != bundle)
            return candidate;
    }

    return {};
}

std::unique_ptr<juce::AudioPluginInstance> prepareInstance (std::unique_ptr<juce::AudioPluginInstance> instance,
                                                            double sampleRate, int blockSize, int numChannels,
                                                            juce::String& error)
{
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

std::unique_ptr<juce::AudioPluginInstance> createFirstInstance (juce::AudioPluginFormat& format,
                                                                const juce::String& fileOrIdentifier,
                                                                const juce::File& bundle, double sampleRate,
                                                                int blockSize, int numChannels, juce::String& error)
{
    juce::OwnedArray<juce::PluginDescription> descriptions;
    format.findAllTypesForFile (descriptions, fileOrIdentifier);

    if (descriptions.isEmpty())
    {
        error = "No " + format.getName() + " plug-in found in " + bundle.getFullPathName();
        return {};
    }

    auto instance = format.createInstanceFromDescription (*descriptions[0], sampleRate, blockSize, error);

    if (instance == nullptr)
        return {};

    return prepareInstance (std::move (instance), sampleRate, blockSize, numChannels, error);
}

// A string literal of Turtle starting at the given index, short ("...") or long ("""...""");
// the base64 text of a state needs no escapes.
juce::String readTurtleString (const juce::String& text, int index)
{
    while (index < text.length() && juce::CharacterFunctions::isWhitespace (text[index]))
        ++index;

    for (const auto* quote : { "\"\"\"", "\"" })
        if (text.substring (index).startsWith (quote))
        {
            const auto start = index + (int) std::strlen (quote);
            const auto end = text.indexOf (start, quote);
            return end < 0 ? juce::String() : text.substring (start, end);
        }

    return {};
}
} // namespace

std::unique_ptr<juce::AudioPluginInstance> loadVst3 (const juce::File& bundle, double sampleRate, int blockSize,
                                                     int numChannels, juce::String& error)
{
    if (! bundle.exists())
    {
        error = "No plug-in at " + bundle.getFullPathName();
        return {};
    }

    juce::VST3PluginFormat format;
    return createFirstInstance (format, bundle.getFullPathName(), bundle, sampleRate, blockSize, numChannels, error);
}

std::unique_ptr<juce::AudioPluginInstance> loadLv2 (const juce::File& bundle, double sampleRate, int blockSize,
                                                    int numChannels, juce::String& error)
{
    if (! bundle.isDirectory())
    {
        error = "No plug-in at " + bundle.getFullPathName();
        return {};
    }

    juce::LV2PluginFormat format;

    if (const auto shadow = findShadowingLv2Bundle (format, bundle); shadow != juce::File())
    {
        error = shadow.getFullPathName() + " holds the same plug-in and would be loaded instead of "
              + bundle.getFullPathName();
        return {};
    }

    // lilv has read the default folders already; any other is read now.
    if (! format.getDefaultLocationsToSearch().isFileInPath (bundle, false))
        format.searchPathsForPlugins (juce::FileSearchPath (bundle.getParentDirectory().getFullPathName()), false, false);
    auto instance = createFirstInstance (format, QUARMONT_LV2_URI, bundle, sampleRate, blockSize, numChannels, error);

    // An LV2 plug-in reports its latency through an output port, which holds a value only once
    // the plug-in has run; hosts run it for no samples to read it, as this does.
    if (instance != nullptr)
    {
        juce::AudioBuffer<float> none (instance->getTotalNumOutputChannels(), 0);
        juce::MidiBuffer midi;
        instance->processBlock (none, midi);
    }

    return instance;
}

std::unique_ptr<juce::AudioPluginInstance> loadPlugin (const juce::File& bundle, double sampleRate, int blockSize,
                                                       int numChannels, juce::String& error)
{
    if (bundle.hasFileExtension ("lv2"))
        return loadLv2 (bundle, sampleRate, blockSize, numChannels, error);

    return loadVst3 (bundle, sampleRate, blockSize, numChannels, error);
}

// JUCE's VST3 hosting saves and restores an XML document that carries the component and
// controller states in base64; the plug-in's own state block is the component state.
// JUCE's LV2 hosting saves and restores the state as lilv's Turtle; the plug-in's block is its
// state-extension property, in base64.
void restorePluginState (juce::AudioPluginInstance& instance, const juce::MemoryBlock& pluginState)
{
    if (isLv2 (instance))
    {
        const auto turtle = "<urn:quarmont:host-state>\n"
                            "\ta <http://lv2plug.in/ns/ext/presets#Preset> ;\n"
                            "\t<http://lv2plug.in/ns/lv2core#appliesTo> <" QUARMONT_LV2_URI "> ;\n"
                            "\t<http://lv2plug.in/ns/ext/state#state> [\n"
                            "\t\t<" + lv2StateProperty + "> \"" + pluginState.toBase64Encoding() + "\"\n"
                            "\t] .\n";
        instance.setStateInformation (turtle.toRawUTF8(), (int) turtle.getNumBytesAsUTF8());
        return;
    }

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

    if (isLv2 (instance))
    {
        const auto turtle = wrapped.toString();
        const auto property = turtle.indexOf ("<" + lv2StateProperty + ">");

        if (property >= 0)
            pluginState.fromBase64Encoding (readTurtleString (turtle, property + lv2StateProperty.length() + 2));

        return pluginState;
    }

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
