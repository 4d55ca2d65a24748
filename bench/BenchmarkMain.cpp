// The processor builds its parameter tree, which starts a timer: JUCE wants its message manager
// to exist for that, as it does in a host.

#include <benchmark/benchmark.h>
#include <juce_events/juce_events.h>

#include "InstanceStartup.h"
#include "SummaryReporter.h"

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juceInitialiser;

    // First, while no instance has been built in this process yet.
    const auto startup = quarmont::bench::measureInstanceStartup();

    benchmark::Initialize (&argc, argv);

    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;

    quarmont::bench::SummaryReporter reporter;
    reporter.setInstanceStartup (startup);
    benchmark::RunSpecifiedBenchmarks (&reporter);
    benchmark::Shutdown();
    return 0;
}
