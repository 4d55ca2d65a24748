#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace quarmont::bench
{
/** The usual console table, followed by the figures that matter side by side: each frame cost as
    a multiple of the FFTW floor and the real-time factors, with their targets. With repetitions,
    the best run of each benchmark counts. */
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    // Plain text, counters as columns: the output is meant to be pasted into notes.
    SummaryReporter() : ConsoleReporter (OO_Tabular) {}

    void ReportRuns (const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    std::map<std::string, double> cpuSecondsPerIteration;
    std::map<std::string, double> realTimeFactors;
};
} // namespace quarmont::bench
