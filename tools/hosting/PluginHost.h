#pragma once

#include <memory>

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_audio_processors/juce_audio_processors.h>

namespace quarmont::hosting
{
/** Runs the message loop of the calling (message) thread for a while, so that a hosted instance
    can deliver what it posts asynchronously, such as its reported latency. */
void pumpMessages (int milliseconds);

/** Loads the first plug-in class of a .vst3 bundle through JUCE's VST3 hosting, sets it to the
    given channel count (1 or 2, in and out), prepares it and pumps the message loop. Must run on
    the message thread. Returns null and fills error on failure. */
std::unique_ptr<juce::AudioPluginInstance> loadVst3 (const juce::File& bundle, double sampleRate, int blockSize,
                                                     int numChannels, juce::String& error);

/** Loads the Quarmont plug-in of a .lv2 bundle through JUCE's LV2 hosting (lilv), otherwise as
    loadVst3 does. A copy of the plug-in in a folder where LV2 hosts look by default would be
    found first by its URI, so a bundle given elsewhere while such a copy exists is refused. */
std::unique_ptr<juce::AudioPluginInstance> loadLv2 (const juce::File& bundle, double sampleRate, int blockSize,
                                                    int numChannels, juce::String& error);

/** loadLv2 for a .lv2 bundle, loadVst3 for anything else. */
std::unique_ptr<juce::AudioPluginInstance> loadPlugin (const juce::File& bundle, double sampleRate, int blockSize,
                                                       int numChannels, juce::String& error);

/** Hands a plug-in state block (what the plug-in itself saves, and what its preset files hold)
    to a hosted instance: a VST3's component state, or an LV2's state-extension property. */
void restorePluginState (juce::AudioPluginInstance& instance, const juce::MemoryBlock& pluginState);

/** The plug-in's own state block of a hosted instance, out of what the format's hosting saves
    (empty when it holds none). */
juce::MemoryBlock getPluginState (juce::AudioPluginInstance& instance);

/** Restores a saved state or preset file (the plug-in's state block) into an instance. */
bool restoreStateFromFile (juce::AudioPluginInstance& instance, const juce::File& file, juce::String& error);

/** Runs audio through the instance in place, blockSize samples at a time. */
void renderInPlace (juce::AudioPluginInstance& instance, juce::AudioBuffer<float>& audio, int blockSize);

/** Reads a whole audio file, or returns false with an error. */
bool readAudioFile (const juce::File& file, juce::AudioBuffer<float>& audio, double& sampleRate, juce::String& error);

/** Writes a 24-bit WAV file. */
bool writeWavFile (const juce::File& file, const juce::AudioBuffer<float>& audio, double sampleRate, juce::String& error);
} // namespace quarmont::hosting
