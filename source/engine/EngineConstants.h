#pragma once

namespace quarmont
{
constexpr int fftOrder = 11;
constexpr int frameLength = 1 << fftOrder;  // 2048 samples per STFT frame
constexpr int hopSize = 512;                // a frame every 512 samples, four frames overlap
constexpr int accumulatorLength = 16384;    // overlap-add ring
constexpr int numBands = 5;
constexpr int numProcessedBins = frameLength / 2 + 1; // bins 0..1024
constexpr int numDisplayBins = frameLength / 2;       // bins 0..1023
constexpr int latencySamples = frameLength;

/** The eleven parameters of a band, in layout order; also the column index of the parameter cache. */
enum BandParameter
{
    freqLowParam = 0,
    freqHighParam,
    levelMinParam,
    levelMaxParam,
    gainParam,
    attackParam,
    releaseParam,
    lookaheadParam,
    upperKneeParam,
    lowerKneeParam,
    bypassParam,
    numBandParameters
};
} // namespace quarmont
