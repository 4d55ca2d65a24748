#include "engine/BandGains.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/BandMath.h"
#include "engine/VectorClones.h"

namespace quarmont
{
namespace
{
/** With finite settings the target is exactly 1 at every bin unless the band has a gain other
    than unity and both a frequency range and a level window to apply it in. */
bool targetCanLeaveUnity (const BandSettings& band) noexcept
{
    return ! isExactly (band.gainLinear, 1.0f) && band.lowHz < band.highHz && band.levelMinDb < band.levelMaxDb;
}

bool allAtUnity (const std::vector<float>& mask) noexcept
{
    // 1.0f has a single bit pattern, so comparing bits is exact, and it vectorises where a float
    // comparison (which must honour NaN) does not.
    constexpr std::uint32_t unityBits = 0x3f800000u;
    std::uint32_t differingBits = 0;

    for (const auto value : mask)
    {
        std::uint32_t bits;
        std::memcpy (&bits, &value, sizeof (bits));
        differingBits |= bits ^ unityBits;
    }

    return differingBits == 0;
}

/** First bin whose frequency lies above the given one (bins rise monotonically). */
int firstBinAbove (float frequencyHz, float sampleRate) noexcept
{
    int low = 0, high = numProcessedBins;

    while (low < high)
    {
        const auto middle = (low + high) / 2;

        if (binFrequencyHz (middle, sampleRate) > frequencyHz)
            high = middle;
        else
            low = middle + 1;
    }

    return low;
}

/** Bins where the target is known to be exactly 1: the mask only relaxes toward unity. */
void relaxMasks (const BandSettings& band, float* __restrict mask, float* __restrict gains, int begin, int end) noexcept
{
    for (int i = begin; i < end; ++i)
    {
        const auto m = smoothedMask (mask[i], 1.0f, band.attackCoeff, band.releaseCoeff);
        mask[i] = m;
        gains[i] *= m;
    }
}

QUARMONT_VECTOR_CLONES
void pullMasks (const BandSettings& settings, float* __restrict mask, float* __restrict gains,
                const float* __restrict amplitudeDb, float sampleRate, int begin, int end) noexcept
{
    const auto band = settings;

    for (int i = begin; i < end; ++i)
    {
        const auto target = targetGain (frequencyWeight (band, binFrequencyHz (i, sampleRate)),
                                        levelWeight (band, binLevelDb (amplitudeDb[i])),
                                        band.gainLinear);
        const auto m = smoothedMask (mask[i], target, band.attackCoeff, band.releaseCoeff);
        mask[i] = m;
        gains[i] *= m;
    }
}

void updateBand (const BandSettings& band, std::vector<float>& maskValues, float* gains,
                 const float* amplitudeDb, float sampleRate) noexcept
{
    auto* mask = maskValues.data();

    if (! targetCanLeaveUnity (band))
    {
        relaxMasks (band, mask, gains, 0, numProcessedBins);
        return;
    }

    // Outside the ramps the frequency weight is 0 and the target exactly 1.
    const auto begin = firstBinAbove (band.lowHz - band.edgeWidthHz, sampleRate);
    const auto end = std::max (begin, firstBinAbove (std::nextafter (band.edgeWidthHz + band.highHz, -1.0f), sampleRate));

    relaxMasks (band, mask, gains, 0, begin);
    pullMasks (band, mask, gains, amplitudeDb, sampleRate, begin, end);
    relaxMasks (band, mask, gains, end, numProcessedBins);
}

void scaleSpectrum (std::complex<float>* __restrict bins, float* __restrict gains) noexcept
{
    for (int i = 0; i < numProcessedBins; ++i)
        gains[i] = limitedBinGain (gains[i]);

    for (int i = 0; i < numProcessedBins; ++i)
        bins[i] *= gains[i];

    // The mirrored half keeps the spectrum conjugate-symmetric; DC and Nyquist exist once.
    // Written on the interleaved floats, which the compiler vectorises; complex values it does not.
    auto* parts = reinterpret_cast<float*> (bins);

    for (int k = frameLength / 2 + 1; k < frameLength; ++k)
    {
        parts[2 * k] *= gains[frameLength - k];
        parts[2 * k + 1] *= gains[frameLength - k];
    }
}
} // namespace

QUARMONT_VECTOR_CLONES
void measureAmplitudeDecibels (const std::complex<float>* __restrict bins, float* __restrict amplitudeDb, int count) noexcept
{
    for (int i = 0; i < count; ++i)
        amplitudeDb[i] = amplitudeDecibels (magnitudeOf (bins[i]), binAmplitudeScale (i));
}

bool anyBandNeedsLevels (const BandSettingsArray& settings) noexcept
{
    return std::any_of (settings.begin(), settings.end(), targetCanLeaveUnity);
}

bool applyBandGains (const BandSettingsArray& settings,
                     BandMasks& bandMasks,
                     std::vector<std::complex<float>>& frequencyBuffer,
                     double sampleRate,
                     const float* amplitudeDb,
                     float* binGains) noexcept
{
    const auto sr = (float) sampleRate;
    auto anyBandWorked = false;

    std::fill (binGains, binGains + numProcessedBins, 1.0f);

    for (size_t b = 0; b < (size_t) numBands; ++b)
    {
        // Target 1 everywhere and every mask at exactly 1: the update would leave every mask at
        // exactly 1 and multiply every bin gain by exactly 1.
        if (! targetCanLeaveUnity (settings[b]) && allAtUnity (bandMasks[b]))
            continue;

        updateBand (settings[b], bandMasks[b], binGains, amplitudeDb, sr);
        anyBandWorked = true;
    }

    if (anyBandWorked)
        scaleSpectrum (frequencyBuffer.data(), binGains);

    return anyBandWorked;
}

void applyBandGains (const BandSettingsArray& settings,
                     BandMasks& bandMasks,
                     std::vector<std::complex<float>>& frequencyBuffer,
                     double sampleRate) noexcept
{
    float amplitudeDb[numProcessedBins];
    float binGains[numProcessedBins];
    measureAmplitudeDecibels (frequencyBuffer.data(), amplitudeDb, numProcessedBins);
    applyBandGains (settings, bandMasks, frequencyBuffer, sampleRate, amplitudeDb, binGains);
}
} // namespace quarmont
