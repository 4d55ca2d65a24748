// quarmont-host: renders audio through a built Quarmont.vst3 or Quarmont.lv2 the way a host does.
//
//   quarmont-host [--plugin PATH] [--input FILE | --demo] [--output FILE] [--rate HZ]
//                 [--block N] [--channels 1|2] [--state FILE] [--preset NAME] [--set "Band 3 Gain=-12"]...

#include "hosting/HostCommandLine.h"

int main (int argc, char* argv[])
{
    juce::StringArray args;

    for (int i = 1; i < argc; ++i)
        args.add (argv[i]);

    quarmont::hosting::HostOptions options;

    if (args.contains ("--help") || ! quarmont::hosting::parseHostOptions (args, options))
    {
        quarmont::hosting::printHostUsage();
        return args.contains ("--help") ? 0 : 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    return quarmont::hosting::runHost (options);
}
