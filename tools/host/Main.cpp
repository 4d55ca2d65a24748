// quarmont-host: renders audio through a built Quarmont.vst3 the way a host does.
//
//   quarmont-host [--plugin PATH] [--input FILE | --demo] [--output FILE] [--rate HZ]
//                 [--block N] [--channels 1|2] [--state FILE] [--set "Band 3 Gain=-12"]...

#include <iostream>

#include "hosting/DemoSignal.h"
#include "hosting/PluginHost.h"

namespace
{
struct Options
{
    juce::File plugin = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".vst3/Quarmont.vst3");
    juce::File input, output = juce::File::getCurrentWorkingDirectory().getChildFile ("quarmont-demo.wav");
    juce::File state;
    double rate = 48000.0;
    int block = 512;
    int channels = 2;
    juce::StringArray settings;
};

void printUsage()
{
    std::cout << "usage: quarmont-host [--plugin PATH] [--input FILE | --demo] [--output FILE] [--rate HZ]\n"
                 "                     [--block N] [--channels 1|2] [--state FILE] [--set \"NAME=VALUE\"]...\n"
                 "Renders audio through a VST3 build of Quarmont. Without --input it renders the built-in\n"
                 "demo signal. --set takes a parameter's display name, e.g. --set \"Band 3 Gain=-12\".\n";
}

bool parseOptions (const juce::StringArray& args, Options& options)
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
        else if (arg == "--rate" && hasValue)     options.rate = next().getDoubleValue();
        else if (arg == "--block" && hasValue)    options.block = next().getIntValue();
        else if (arg == "--channels" && hasValue) options.channels = next().getIntValue();
        else if (arg == "--set" && hasValue)      options.settings.add (next());
        else return false;
    }

    return options.rate > 0.0 && options.block > 0 && (options.channels == 1 || options.channels == 2);
}

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

int run (const Options& options)
{
    juce::String error;
    juce::AudioBuffer<float> audio;
    auto rate = options.rate;

    if (options.input != juce::File())
    {
        if (! quarmont::hosting::readAudioFile (options.input, audio, rate, error))
            return fail (error);
    }
    else
    {
        audio = quarmont::hosting::makeDemoSignal (rate, options.channels, 6.0);
    }

    const auto channels = juce::jlimit (1, 2, audio.getNumChannels());
    audio.setSize (channels, audio.getNumSamples(), true);

    auto instance = quarmont::hosting::loadVst3 (options.plugin, rate, options.block, channels, error);

    if (instance == nullptr)
        return fail (error);

    std::cout << "Loaded " << instance->getName() << " from " << options.plugin.getFullPathName() << "\n"
              << "  latency " << instance->getLatencySamples() << " samples, " << channels << " channel(s), "
              << rate << " Hz, blocks of " << options.block << "\n";

    if (options.state != juce::File() && ! quarmont::hosting::restoreStateFromFile (*instance, options.state, error))
        return fail (error);

    for (const auto& setting : options.settings)
        if (! applySetting (*instance, setting))
            return 1;

    const auto inputPeak = peakDb (audio, 0);

    // Append the latency so that the whole input comes out, then drop it again.
    const auto latency = instance->getLatencySamples();
    const auto inputLength = audio.getNumSamples();
    audio.setSize (channels, inputLength + latency, true, true);
    quarmont::hosting::renderInPlace (*instance, audio, options.block);
    instance->releaseResources();

    juce::AudioBuffer<float> aligned (channels, inputLength);

    for (int ch = 0; ch < channels; ++ch)
        aligned.copyFrom (ch, 0, audio, ch, latency, inputLength);

    if (! quarmont::hosting::writeWavFile (options.output, aligned, rate, error))
        return fail (error);

    std::cout << "Rendered " << juce::String (inputLength / rate, 2) << " s of "
              << (options.input != juce::File() ? options.input.getFileName() : juce::String ("the demo signal"))
              << ": peak " << juce::String (inputPeak, 1) << " dBFS in, " << juce::String (peakDb (aligned, 0), 1)
              << " dBFS out (latency removed)\n"
              << "Output: " << options.output.getFullPathName() << "\n";
    return 0;
}
} // namespace

int main (int argc, char* argv[])
{
    juce::StringArray args;

    for (int i = 1; i < argc; ++i)
        args.add (argv[i]);

    Options options;

    if (args.contains ("--help") || ! parseOptions (args, options))
    {
        printUsage();
        return args.contains ("--help") ? 0 : 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    return run (options);
}
