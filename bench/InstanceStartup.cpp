#include "InstanceStartup.h"

#include <algorithm>
#include <chrono>

#include "processor/PluginProcessor.h"
#include "BenchmarkScenarios.h"

namespace quarmont::bench
{
namespace
{
double constructAndPrepare()
{
    const auto start = std::chrono::steady_clock::now();
    {
        QuarmontAudioProcessor processor;
        processor.setPlayConfigDetails (2, 2, benchmarkSampleRate, 512);
        processor.prepareToPlay (benchmarkSampleRate, 512);
        const auto prepared = std::chrono::steady_clock::now();
        return std::chrono::duration<double> (prepared - start).count();
    }
}
} // namespace

InstanceStartup measureInstanceStartup()
{
    InstanceStartup startup;
    startup.firstSeconds = constructAndPrepare();
    startup.laterSeconds = constructAndPrepare();

    for (int i = 0; i < 20; ++i)
        startup.laterSeconds = std::min (startup.laterSeconds, constructAndPrepare());

    return startup;
}
} // namespace quarmont::bench
