#include "hosting/DemoSignal.h"

#include <cmath>

namespace quarmont::hosting
{
juce::AudioBuffer<float> makeDemoSignal (double sampleRate, int numChannels, double seconds)
{
    const auto numSamples = (int) (seconds * sampleRate);
    juce::AudioBuffer<float> audio (numChannels, numSamples);
    juce::Random random (20261210);
    const auto twoPi = juce::MathConstants<double>::twoPi;

    double sweepPhase = 0.0;
    float previousNoise = 0.0f;

    for (int n = 0; n < numSamples; ++n)
    {
        const auto t = n / sampleRate;
        const auto beat = std::fmod (t * 2.0, 1.0); // two beats a second

        const auto bass = 0.30 * std::sin (twoPi * 55.0 * t) * std::exp (-3.0 * beat);
        const auto swell = 0.5 * (1.0 - std::cos (twoPi * t / seconds));
        const auto mid = 0.25 * swell * std::sin (twoPi * 880.0 * t);

        // First difference of white noise: a bright hat on every half beat.
        const auto noise = random.nextFloat() * 2.0f - 1.0f;
        const auto bright = 0.5f * (noise - previousNoise);
        previousNoise = noise;
        const auto hat = 0.12 * bright * std::exp (-30.0 * std::fmod (t * 4.0, 1.0));

        const auto sweepHz = 200.0 * std::pow (40.0, t / seconds);
        sweepPhase += twoPi * sweepHz / sampleRate;
        const auto sweep = 0.08 * std::sin (sweepPhase);

        const auto mono = (float) (bass + mid + hat + sweep);

        for (int ch = 0; ch < numChannels; ++ch)
            audio.setSample (ch, n, ch == 1 ? 0.9f * mono : mono);
    }

    return audio;
}
} // namespace quarmont::hosting
