#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace quarmont::hosting
{
/** What quarmont-host was asked to do. */
struct HostOptions
{
    juce::File plugin = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".vst3/Quarmont.vst3");
    juce::File input, output = juce::File::getCurrentWorkingDirectory().getChildFile ("quarmont-demo.wav");
    juce::File state;
    juce::String preset;
    double rate = 48000.0;
    int block = 512;
    int channels = 2;
    juce::StringArray settings;
};

/** Reads the command line (without the program name). False on an unknown option, a missing
    value or an out-of-range number. */
bool parseHostOptions (const juce::StringArray& args, HostOptions& options);

void printHostUsage();

/** The file behind --preset NAME: "<NAME>.quarmontpreset" in the plug-in's preset folder. Fails
    with an error naming the path when there is no such file, and for a name that would step out
    of the folder. */
bool findPresetFile (const juce::String& name, juce::File& file, juce::String& error);

/** Loads the plug-in, applies --state, --preset and --set in that order, renders and writes the
    output. Must run on the message thread. Returns the process's exit code. */
int runHost (const HostOptions& options);

/** Runs audio through a prepared processor the way quarmont-host does: the latency is appended
    so that the whole input comes out, and dropped again. */
juce::AudioBuffer<float> renderWithoutLatency (juce::AudioProcessor& processor, const juce::AudioBuffer<float>& input,
                                               int blockSize);
} // namespace quarmont::hosting
