#pragma once

#include <vector>

#include "engine/BandLevelingEngine.h"
#include "BandLevelingEngineTestPeer.h"
#include "EngineTestSupport.h"

namespace quarmont::testing
{
/** Uniform noise in -amplitude .. amplitude. */
std::vector<float> makeNoise (int length, unsigned seed, float amplitude = 0.5f);

/** A sine exactly at the centre of the given bin of the 2048-point transform. */
std::vector<float> makeBinSine (int length, int bin, double sampleRate, float amplitude);

std::vector<float> makeSine (int length, double frequencyHz, double sampleRate, float amplitude);

/** Amplitude of the component at frequencyHz in signal[begin .. begin + length), by correlation;
    exact for a sine whose period divides the length a whole number of times. */
double amplitudeAt (const std::vector<float>& signal, size_t begin, size_t length, double frequencyHz, double sampleRate);

double toDecibels (double ratio);

/** The bin-level of a sine of the given amplitude at a bin centre, as the bands see it: the Hann
    window's sum over 2 x 1024 (about -6.02 dB). */
float binLevelOfSineDb (float amplitude);

/** An engine on its own parameter values (the plug-in's defaults to start with). */
struct EngineUnderTest
{
    explicit EngineUnderTest (double sampleRate = 48000.0, int numChannels = 1)
    {
        engine.setParameterCache (parameters.cache);
        engine.prepare (sampleRate, numChannels);
    }

    /** Processes audio in place on one channel, in blocks of blockSize; returns the output. */
    std::vector<float> process (std::vector<float> audio, int channel = 0, int blockSize = 512);

    const AlignedVector<float>& mask (int band, int channel = 0) const
    {
        return BandLevelingEngineTestPeer::channelState (engine, channel).bandMasks[(size_t) band - 1];
    }

    BandParameterValues parameters;
    BandLevelingEngine engine;
};

/** Sets a band's frequency range, level window and gain; band is 1..5. */
void setBand (BandParameterValues& parameters, int band, float freqLow, float freqHigh,
              float levelMin, float levelMax, float gainDb);
} // namespace quarmont::testing
