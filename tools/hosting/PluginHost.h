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

/** Hands a plug-in state block (what the plug-in itself saves, and what its preset files hold)
    to a hosted VST3 instance, as its component state. */
void restorePluginState (juce::AudioPluginInstance& instance, const juce::MemoryBlock& pluginState);

/** The plug-in's own state block of a hosted VST3 instance (its component state). */
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
