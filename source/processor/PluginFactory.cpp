// The entry point the VST3 wrapper calls for each new instance: the one source of the plug-in's
// shared-code library. Everything else of the plug-in is in quarmont_plugin_core, which the tests
// link as well, and JUCE comes from quarmont_juce.
#include "processor/PluginProcessor.h"

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new QuarmontAudioProcessor();
}
