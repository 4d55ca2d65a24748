#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "InstanceStartup.h"

namespace quarmont::bench
{
/** The usual console table, followed by the figures that matter side by side: each frame cost as
    a multiple of FFTW's bare transform pairs (real and complex), the real-time factors with their
    targets, and the time to start an instance. With repetitions, the best run of each counts. */
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    // Plain text, counters as columns: the output is meant to be pasted into notes.
    SummaryReporter() : ConsoleReporter (OO_Tabular) {}

    void ReportRuns (const std::vector<Run>& runs) override;
    void Finalize() override;

    void setInstanceStartup (const InstanceStartup& measured) { startup = measured; }

private:
    std::map<std::string, double> cpuSecondsPerIteration;
    std::map<std::string, double> realTimeFactors;
    InstanceStartup startup;
};
} // namespace quarmont::bench
