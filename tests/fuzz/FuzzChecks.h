#pragma once

#include <cstddef>
#include <cstdint>

#include "processor/PluginProcessor.h"

// libFuzzer's entry points, which each fuzz target defines.
extern "C" int LLVMFuzzerInitialize (int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size);

namespace quarmont::fuzzing
{
/** Reports what a fuzz target found and ends the run as a crash, so libFuzzer keeps the input. */
[[noreturn]] void finding (const char* what);

/** Sets up JUCE once for the whole fuzzing process. */
void initialiseJuceOnce();

/** After a restore, every parameter must hold a finite value inside its range, and the
    processor must turn finite input into finite output. Aborts (a finding) otherwise. */
void checkProcessorIsSound (QuarmontAudioProcessor& processor);
} // namespace quarmont::fuzzing
