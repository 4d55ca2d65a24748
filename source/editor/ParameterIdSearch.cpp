#include "editor/ParameterIdSearch.h"

#include "processor/ParameterLayout.h"

namespace quarmont
{
namespace
{
juce::String firstKnownId (juce::AudioProcessorValueTreeState& apvts, const juce::StringArray& candidates)
{
    for (const auto& id : candidates)
        if (apvts.getParameter (id) != nullptr)
            return id;

    return {};
}
} // namespace

juce::String findBypassParameterId (juce::AudioProcessorValueTreeState& apvts, int bandIndex)
{
    const auto n = juce::String (bandIndex + 1);

    // Our own identifier first; the others are how earlier parameter sets spelled it.
    return firstKnownId (apvts, { bandParameterId (bandIndex + 1, bypassParam),
                                  "band_" + n + "_bypass",
                                  "b" + n + "_bypass",
                                  "band" + n + "Bypass",
                                  "Band" + n + "Bypass",
                                  "bypass_band" + n });
}

bool isBandBypassed (juce::AudioProcessorValueTreeState& apvts, int bandIndex)
{
    const auto id = findBypassParameterId (apvts, bandIndex);

    if (id.isEmpty())
        return false;

    if (auto* value = apvts.getRawParameterValue (id))
        return value->load() >= 0.5f;

    return false;
}

juce::String findLookaheadParameterId (juce::AudioProcessorValueTreeState& apvts)
{
    return firstKnownId (apvts, { "lookaheadMs", "lookahead_ms", "lookahead", "LookaheadMs", "Lookahead",
                                  "global_lookahead_ms", "globalLookaheadMs", "detector_lookahead_ms",
                                  "detectorLookaheadMs", "analysisLookaheadMs" });
}
} // namespace quarmont
