#include "hosting/HostCommandLine.h"

#include <iostream>

#include "hosting/DemoSignal.h"
#include "hosting/PluginHost.h"
#include "presets/PresetFiles.h"

namespace quarmont::hosting
{
namespace
{
bool applySetting (juce::AudioPluginInstance& instance, const juce::String& setting)
{
    const auto name = setting.upToLastOccurrenceOf ("=", false, false).trim();
    const auto valueText = setting.fromLastOccurrenceOf ("=", false, false).trim();

    for (auto* parameter : instance.getParameters())
    {
        if (parameter->getName (256) == name)
        {
            parameter->setValueNotifyingHost (parameter->getValueForText (valueText));
            std::cout << "  " << name << " = " << parameter->getCurrentValueAsText() << "\n";
            return true;
        }
    }

    std::cerr << "No parameter named \"" << name << "\"\n";
    return false;
}

float peakDb (const juce::AudioBuffer<float>& audio, int start)
{
    auto peak = 0.0f;

    for (int ch = 0; ch < audio.getNumChannels(); ++ch)
        if (start < audio.getNumSamples())
            peak = std::max (peak, audio.getMagnitude (ch, start, audio.getNumSamples() - start));

    return juce::Decibels::gainToDecibels (peak, -160.0f);
}

int fail (const juce::String& error)
{
    std::cerr << error << "\n";
    return 1;
}
} // namespace

void printHostUsage()
{
    std::cout << "usage: quarmont-host [--plugin PATH] [--input FILE | --demo] [--output FILE] [--rate HZ]\n"
                 "                     [--block N] [--channels 1|2] [--state FILE] [--preset NAME]\n"
                 "                     [--set \"NAME=VALUE\"]...\n"
                 "Renders audio through a VST3 or LV2 build of Quarmont (PATH ends in .vst3 or .lv2).\n"
                 "Without --input it renders the built-in "
                 "demo signal. --preset loads a preset saved from the plug-in's window by its name.\n"
                 "--set takes a parameter's display name, e.g. --set \"Band 3 Gain=-12\".\n";
}

bool parseHostOptions (const juce::StringArray& args, HostOptions& options)
{
    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        const auto hasValue = i + 1 < args.size();
        const auto next = [&] { return args[++i]; };

        if (arg == "--demo")                      options.input = juce::File();
        else if (arg == "--plugin" && hasValue)   options.plugin = juce::File::getCurrentWorkingDirectory().getChildFile (next());
        else if (arg == "--input" && hasValue)    options.input = juce::File::getCurrentWorkingDirectory().getChildFile (next());
        else if (arg == "--output" && hasValue)   options.output = juce::File::getCurrentWorkingDirectory().getChildFile (next());
        else if (arg == "--state" && hasValue)    options.state = juce::File::getCurrentWorkingDirectory().getChildFile (next());
        else if (arg == "--preset" && hasValue)   options.preset = next();
        else if (arg == "--rate" && hasValue)     options.rate = next().getDoubleValue();
        else if (arg == "--block" && hasValue)    options.block = next().getIntValue();
        else if (arg == "--channels" && hasValue) options.channels = next().getIntValue();
        else if (arg == "--set" && hasValue)      options.settings.add (next());
        else return false;
    }

    return options.rate > 0.0 && options.block > 0 && (options.channels == 1 || options.channels == 2);
}

bool findPresetFile (const juce::String& name, juce::File& file, juce::String& error)
{
    const auto folder = getPresetFolderLocation();
    const auto candidate = folder.getChildFile (name + presetFileExtension);

    if (name.isEmpty() || name.containsAnyOf ("/\\") || candidate.getParentDirectory() != folder)
    {
        error = "Not a preset name: \"" + name + "\"";
        return false;
    }

    if (! candidate.existsAsFile())
    {
        error = "No preset \"" + name + "\": " + candidate.getFullPathName() + " does not exist";
        return false;
    }

    file = candidate;
    return true;
}

juce::AudioBuffer<float> renderWithoutLatency (juce::AudioProcessor& processor, const juce::AudioBuffer<float>& input,
                                               int blockSize)
{
    const auto channels = input.getNumChannels();
    const auto latency = processor.getLatencySamples();
    const auto inputLength = input.getNumSamples();

    juce::AudioBuffer<float> audio (channels, inputLength + latency);
    audio.clear();

    for (int ch = 0; ch < channels; ++ch)
        audio.copyFrom (ch, 0, input, ch, 0, inputLength);

    juce::MidiBuffer midi;

    for (int start = 0; start < audio.getNumSamples(); start += blockSize)
    {
        const auto length = std::min (blockSize, audio.getNumSamples() - start);
        juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), channels, start, length);
        processor.processBlock (block, midi);
        midi.clear();
    }

    juce::AudioBuffer<float> aligned (channels, inputLength);

    for (int ch = 0; ch < channels; ++ch)
        aligned.copyFrom (ch, 0, audio, ch, latency, inputLength);

    return aligned;
}

int runHost (const HostOptions& options)
{
    juce::String error;
    juce::AudioBuffer<float> audio;
    auto rate = options.rate;

    if (options.input != juce::File())
    {
        if (! readAudioFile (options.input, audio, rate, error))
            return fail (error);
    }
    else
    {
        audio = makeDemoSignal (rate, options.channels, 6.0);
    }

    const auto channels = juce::jlimit (1, 2, audio.getNumChannels());
    audio.setSize (channels, audio.getNumSamples(), true);

    juce::File presetFile;

    // Before loading the plug-in, so that a mistyped name costs nothing.
    if (options.preset.isNotEmpty() && ! findPresetFile (options.preset, presetFile, error))
        return fail (error);

    auto instance = loadPlugin (options.plugin, rate, options.block, channels, error);

    if (instance == nullptr)
        return fail (error);

    std::cout << "Loaded " << instance->getName() << " from " << options.plugin.getFullPathName() << "\n"
              << "  latency " << instance->getLatencySamples() << " samples, " << channels << " channel(s), "
              << rate << " Hz, blocks of " << options.block << "\n";

    if (options.state != juce::File() && ! restoreStateFromFile (*instance, options.state, error))
        return fail (error);

    if (presetFile != juce::File())
    {
        if (! restoreStateFromFile (*instance, presetFile, error))
            return fail (error);

        std::cout << "  preset " << presetFile.getFullPathName() << "\n";
    }

    for (const auto& setting : options.settings)
        if (! applySetting (*instance, setting))
            return 1;

    const auto inputPeak = peakDb (audio, 0);
    const auto output = renderWithoutLatency (*instance, audio, options.block);
    instance->releaseResources();

    if (! writeWavFile (options.output, output, rate, error))
        return fail (error);

    std::cout << "Rendered " << juce::String (audio.getNumSamples() / rate, 2) << " s of "
              << (options.input != juce::File() ? options.input.getFileName() : juce::String ("the demo signal"))
              << ": peak " << juce::String (inputPeak, 1) << " dBFS in, " << juce::String (peakDb (output, 0), 1)
              << " dBFS out (latency removed)\n"
              << "Output: " << options.output.getFullPathName() << "\n";
    return 0;
}
} // namespace quarmont::hosting
