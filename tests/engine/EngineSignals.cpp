#include "EngineSignals.h"

#include <cmath>
#include <complex>
#include <random>

namespace quarmont::testing
{
namespace
{
constexpr double twoPi = 6.283185307179586;
}

std::vector<float> makeNoise (int length, unsigned seed, float amplitude)
{
    std::mt19937 generator (seed);
    std::uniform_real_distribution<float> distribution (-amplitude, amplitude);
    std::vector<float> noise ((size_t) length);

    for (auto& x : noise)
        x = distribution (generator);

    return noise;
}

std::vector<float> makeSine (int length, double frequencyHz, double sampleRate, float amplitude)
{
    std::vector<float> sine ((size_t) length);

    for (size_t n = 0; n < sine.size(); ++n)
        sine[n] = amplitude * (float) std::sin (twoPi * frequencyHz * (double) n / sampleRate);

    return sine;
}

std::vector<float> makeBinSine (int length, int bin, double sampleRate, float amplitude)
{
    return makeSine (length, bin * sampleRate / frameLength, sampleRate, amplitude);
}

double amplitudeAt (const std::vector<float>& signal, size_t begin, size_t length, double frequencyHz, double sampleRate)
{
    std::complex<double> sum;

    for (size_t n = 0; n < length; ++n)
        sum += (double) signal[begin + n] * std::polar (1.0, -twoPi * frequencyHz * (double) n / sampleRate);

    return 2.0 * std::abs (sum) / (double) length;
}

double toDecibels (double ratio)
{
    return 20.0 * std::log10 (ratio);
}

float binLevelOfSineDb (float amplitude)
{
    double windowSum = 0.0;

    for (int i = 0; i < frameLength; ++i)
        windowSum += 0.5 * (1.0 - std::cos (twoPi * i / (frameLength - 1)));

    return (float) toDecibels (amplitude * windowSum / 2.0 / (frameLength / 2));
}

std::vector<float> EngineUnderTest::process (std::vector<float> audio, int channel, int blockSize)
{
    for (size_t start = 0; start < audio.size(); start += (size_t) blockSize)
    {
        const auto length = std::min ((size_t) blockSize, audio.size() - start);
        engine.processChannel (channel, audio.data() + start, (int) length);
    }

    return audio;
}

void setBand (BandParameterValues& parameters, int band, float freqLow, float freqHigh,
              float levelMin, float levelMax, float gainDb)
{
    parameters.set (band, freqLowParam, freqLow);
    parameters.set (band, freqHighParam, freqHigh);
    parameters.set (band, levelMinParam, levelMin);
    parameters.set (band, levelMaxParam, levelMax);
    parameters.set (band, gainParam, gainDb);
}
} // namespace quarmont::testing
