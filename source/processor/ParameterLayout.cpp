#include "processor/ParameterLayout.h"

#include <cmath>

namespace quarmont
{
const std::array<const char*, numBandParameters> bandParameterKeys {
    "freqLow", "freqHigh", "levelMin", "levelMax", "gain", "attackMs",
    "releaseMs", "lookaheadMs", "upperKneeDb", "lowerKneeDb", "bypass"
};

namespace
{
const std::array<const char*, numBandParameters> nameSuffixes {
    " Frequency Low", " Frequency High", " Level Min", " Level Max", " Gain", " Attack",
    " Release", " Lookahead", " Upper Knee", " Lower Knee", " Bypass"
};

// The five default bands tile 20 Hz .. 20 kHz: band n spans entries n - 1 and n.
constexpr std::array<float, numBands + 1> defaultBandEdgesHz { 20.0f, 120.0f, 600.0f, 2500.0f, 7000.0f, 20000.0f };

struct LinearRange
{
    float start, end, interval, defaultValue;
};

// Rows levelMin .. lowerKneeDb; the frequency rows and bypass are built separately.
constexpr std::array<LinearRange, 8> linearRanges { {
    { -80.0f, 0.0f, 0.1f, -80.0f },  // levelMin
    { -80.0f, 0.0f, 0.1f, 0.0f },    // levelMax
    { -60.0f, 24.0f, 0.1f, 0.0f },   // gain
    { 1.0f, 300.0f, 0.1f, 25.0f },   // attackMs
    { 10.0f, 2500.0f, 0.1f, 250.0f },// releaseMs
    { 0.0f, 20.0f, 0.1f, 10.0f },    // lookaheadMs
    { 0.0f, 24.0f, 0.1f, 0.0f },     // upperKneeDb
    { 0.0f, 24.0f, 0.1f, 0.0f },     // lowerKneeDb
} };

juce::NormalisableRange<float> frequencyRange()
{
    // The skew that puts 1000 Hz at the middle of the knob's travel.
    const auto skew = std::log (0.5f) / std::log ((1000.0f - 20.0f) / (20000.0f - 20.0f));
    return { 20.0f, 20000.0f, 0.0f, skew, false };
}

juce::String parameterName (int bandNumber, BandParameter parameter)
{
    return "Band " + juce::String (bandNumber) + nameSuffixes[(size_t) parameter];
}
} // namespace

juce::String bandParameterId (int bandNumber, BandParameter parameter)
{
    return "band" + juce::String (bandNumber) + "_" + bandParameterKeys[(size_t) parameter];
}

juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;

    for (int n = 1; n <= numBands; ++n)
    {
        const auto id = [n] (BandParameter p) { return juce::ParameterID { bandParameterId (n, p), 1 }; };

        layout.add (std::make_unique<juce::AudioParameterFloat> (id (freqLowParam), parameterName (n, freqLowParam),
                                                                 frequencyRange(), defaultBandEdgesHz[(size_t) n - 1]));
        layout.add (std::make_unique<juce::AudioParameterFloat> (id (freqHighParam), parameterName (n, freqHighParam),
                                                                 frequencyRange(), defaultBandEdgesHz[(size_t) n]));

        for (int p = levelMinParam; p <= lowerKneeParam; ++p)
        {
            const auto& r = linearRanges[(size_t) (p - levelMinParam)];
            const auto parameter = (BandParameter) p;
            layout.add (std::make_unique<juce::AudioParameterFloat> (id (parameter), parameterName (n, parameter),
                                                                     juce::NormalisableRange<float> { r.start, r.end, r.interval },
                                                                     r.defaultValue));
        }

        layout.add (std::make_unique<juce::AudioParameterBool> (id (bypassParam), parameterName (n, bypassParam), false));
    }

    return layout;
}

BandParameterCache cacheParameterPointers (juce::AudioProcessorValueTreeState& apvts)
{
    BandParameterCache cache {};

    for (int n = 1; n <= numBands; ++n)
        for (int p = 0; p < numBandParameters; ++p)
            cache[(size_t) n - 1][(size_t) p] = apvts.getRawParameterValue (bandParameterId (n, (BandParameter) p));

    return cache;
}
} // namespace quarmont
