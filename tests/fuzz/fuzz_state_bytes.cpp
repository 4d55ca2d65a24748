// setStateInformation on raw bytes, as a damaged project file would hand them over.

#include "FuzzChecks.h"

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    quarmont::fuzzing::initialiseJuceOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    QuarmontAudioProcessor processor;
    processor.setStateInformation (data, (int) size);
    quarmont::fuzzing::checkProcessorIsSound (processor);
    return 0;
}
