#include "SummaryReporter.h"

#include <algorithm>
#include <cstdio>

#include "engine/EngineConstants.h"
#include "engine/RealFft.h"

namespace quarmont::bench
{
namespace
{
// Stereo 48 kHz through processBlock in blocks of 512.
constexpr double minimumRealTimeFactorDefault = 1400.0;
constexpr double minimumRealTimeFactorAllBandsActive = 900.0;

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

    const auto find = [this] (const char* name)
    {
        const auto found = cpuSecondsPerIteration.find (name);
        return found != cpuSecondsPerIteration.end() && found->second > 0.0 ? found->second : 0.0;
    };

    const auto complexPair = find ("fftwFloor");
    const auto realPair = find ("fftwRealFloor");
    const auto enginePair = find ("engineTransformPair");

    if (complexPair > 0.0)
        std::printf ("  FFTW complex pair, forward + inverse 2048 points:     %8.2f us\n", complexPair * 1.0e6);

    if (realPair > 0.0)
        std::printf ("  FFTW r2c + c2r pair, 2048 points:                     %8.2f us\n", realPair * 1.0e6);

#if ! QUARMONT_BENCH_HAS_FFTW
    std::printf ("  FFTW floor: unavailable (the benchmarks were built without FFTW)\n");
#endif

    if (enginePair > 0.0)
    {
        std::printf ("  the engine's own frame transform, forward + inverse:  %8.2f us\n", enginePair * 1.0e6);
        std::printf ("    on %s\n", quarmont::RealFft (quarmont::fftOrder).describeTransform().c_str());
    }

    for (const auto& [name, seconds] : cpuSecondsPerIteration)
    {
        if (! startsWith (name, "engineFrame"))
            continue;

        std::printf ("  %-40s %8.2f us per frame", name.c_str(), seconds * 1.0e6);

        if (realPair > 0.0)
            std::printf ("  = %5.2f x r2c + c2r pair", seconds / realPair);

        if (complexPair > 0.0)
            std::printf ("  = %5.2f x complex pair", seconds / complexPair);

        std::printf ("\n");
    }

    for (const auto& [name, factor] : realTimeFactors)
    {
        const auto target = startsWith (name, "processorRealTime/default") ? minimumRealTimeFactorDefault
                                                                           : minimumRealTimeFactorAllBandsActive;
        std::printf ("  %-40s real-time factor %7.1f (target >= %.0f: %s)\n", name.c_str(), factor,
                     target, factor >= target ? "met" : "MISSED");
    }

    if (startup.firstSeconds > 0.0)
        std::printf ("  construct + prepare one instance: first in the process %8.2f ms, a later one %8.2f ms\n",
                     startup.firstSeconds * 1.0e3, startup.laterSeconds * 1.0e3);

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
