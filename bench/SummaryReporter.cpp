#include "SummaryReporter.h"

#include <algorithm>
#include <cstdio>

namespace quarmont::bench
{
namespace
{
constexpr double maximumFrameCostOverFloor = 8.0;
constexpr double minimumRealTimeFactor = 200.0;

bool startsWith (const std::string& text, const std::string& prefix)
{
    return text.compare (0, prefix.size(), prefix) == 0;
}
} // namespace

void SummaryReporter::ReportRuns (const std::vector<Run>& runs)
{
    ConsoleReporter::ReportRuns (runs);

    for (const auto& run : runs)
    {
        if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0)
            continue;

        const auto name = run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
        const auto perIteration = run.cpu_accumulated_time / (double) run.iterations;
        const auto known = cpuSecondsPerIteration.find (name);

        if (known == cpuSecondsPerIteration.end() || perIteration < known->second)
            cpuSecondsPerIteration[name] = perIteration;

        if (const auto counter = run.counters.find ("realtime_factor"); counter != run.counters.end())
            realTimeFactors[name] = std::max (realTimeFactors[name], (double) counter->second);
    }
}

void SummaryReporter::Finalize()
{
    ConsoleReporter::Finalize();
    std::printf ("\nSummary (CPU time per iteration; best of repetitions)\n");

    const auto floor = cpuSecondsPerIteration.find ("fftwFloor");

    if (floor != cpuSecondsPerIteration.end())
        std::printf ("  FFTW floor, forward + inverse 2048-point complex: %8.2f us\n", floor->second * 1.0e6);

    for (const auto& [name, seconds] : cpuSecondsPerIteration)
    {
        if (! startsWith (name, "engineFrame"))
            continue;

        std::printf ("  %-40s %8.2f us per frame", name.c_str(), seconds * 1.0e6);

        if (floor != cpuSecondsPerIteration.end() && floor->second > 0.0)
        {
            const auto ratio = seconds / floor->second;
            std::printf ("  = %5.2f x floor (target <= %.0f: %s)", ratio, maximumFrameCostOverFloor,
                         ratio <= maximumFrameCostOverFloor ? "met" : "MISSED");
        }

        std::printf ("\n");
    }

    for (const auto& [name, factor] : realTimeFactors)
        std::printf ("  %-40s real-time factor %7.1f (target >= %.0f: %s)\n", name.c_str(), factor,
                     minimumRealTimeFactor, factor >= minimumRealTimeFactor ? "met" : "MISSED");

    // The display's share of the message thread at 30 ticks and 30 paints a second.
    for (const auto& [name, seconds] : cpuSecondsPerIteration)
    {
        const auto isTick = startsWith (name, "spectrogramTick");

        if (! isTick && ! startsWith (name, "spectrogramPaint"))
            continue;

        const auto targetMs = isTick ? 0.2 : (startsWith (name, "spectrogramPaint/defaultWindow") ? 3.0 : 0.0);
        std::printf ("  %-40s %8.3f ms", name.c_str(), seconds * 1.0e3);

        if (targetMs > 0.0)
            std::printf ("  (target <= %.1f ms: %s)", targetMs, seconds * 1.0e3 <= targetMs ? "met" : "MISSED");

        std::printf ("\n");
    }

    std::fflush (stdout);
}
} // namespace quarmont::bench
