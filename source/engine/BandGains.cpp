#include "engine/BandGains.h"

#include <algorithm>
#include <cmath>

#include "engine/BandMath.h"
#include "engine/ExactFloat.h"
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

/** The bins inside the band's ramps, where its target can differ from 1; outside them the
    frequency weight is 0 and the target exactly 1. */
BinRange pullRange (const BandSettings& band, float sampleRate) noexcept
{
    if (! targetCanLeaveUnity (band))
        return {};

    const auto begin = firstBinAbove (band.lowHz - band.edgeWidthHz, sampleRate);
    const auto end = std::max (begin, firstBinAbove (std::nextafter (band.edgeWidthHz + band.highHz, -1.0f), sampleRate));
    return { begin, end };
}

BinRange hull (BinRange a, BinRange b) noexcept
{
    if (a.isEmpty())
        return b;

    if (b.isEmpty())
        return a;

    return { std::min (a.begin, b.begin), std::max (a.end, b.end) };
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

/** One frame of one band's masks; returns the bins it worked on. A mask of exactly 1 whose target
    is exactly 1 stays exactly 1 and multiplies its bin's gain by exactly 1, so the bins outside
    the extent and outside the ramps are skipped. */
BinRange updateBand (const BandSettings& band, std::vector<float>& maskValues, BinRange& extent, float* gains,
                     const float* amplitudeDb, float sampleRate) noexcept
{
    auto* mask = maskValues.data();
    const auto pull = pullRange (band, sampleRate);
    auto work = hull (extent, pull);

    // ... unless the release coefficient is damaged: 0 times it is not 0.
    if (! std::isfinite (band.releaseCoeff))
        work = { 0, numProcessedBins };

    if (work.isEmpty())
        return {};

    if (pull.isEmpty())
    {
        relaxMasks (band, mask, gains, work.begin, work.end);
    }
    else
    {
        relaxMasks (band, mask, gains, work.begin, pull.begin);
        pullMasks (band, mask, gains, amplitudeDb, sampleRate, pull.begin, pull.end);
        relaxMasks (band, mask, gains, pull.end, work.end);
    }

    // Masks that reached exactly 1 at either end leave the extent (a bypassed band's all do).
    auto kept = work;

    while (kept.begin < kept.end && isExactly (mask[kept.begin], 1.0f))
        ++kept.begin;

    while (kept.end > kept.begin && isExactly (mask[kept.end - 1], 1.0f))
        --kept.end;

    extent = kept.isEmpty() ? BinRange {} : kept;
    return work;
}

void scaleSpectrum (std::complex<float>* __restrict bins, float* __restrict gains, BinRange range) noexcept
{
    for (int i = range.begin; i < range.end; ++i)
        gains[i] = limitedBinGain (gains[i]);

    // Written on the interleaved floats, which the compiler vectorises; complex values it does not.
    auto* parts = reinterpret_cast<float*> (bins);

    for (int i = range.begin; i < range.end; ++i)
    {
        parts[2 * i] *= gains[i];
        parts[2 * i + 1] *= gains[i];
    }
}
} // namespace

QUARMONT_VECTOR_CLONES
void measureAmplitudeDecibels (const std::complex<float>* __restrict bins, float* __restrict amplitudeDb, int begin, int end) noexcept
{
    for (int i = begin; i < end; ++i)
        amplitudeDb[i] = amplitudeDecibels (magnitudeOf (bins[i]), binAmplitudeScale (i));
}

BinRange binsNeedingLevels (const BandSettingsArray& settings, double sampleRate) noexcept
{
    BinRange range;

    for (const auto& band : settings)
        range = hull (range, pullRange (band, (float) sampleRate));

    return range;
}

BinRange applyBandGains (const BandSettingsArray& settings,
                         BandMasks& bandMasks,
                         BandMaskExtents& bandMaskExtents,
                         std::complex<float>* bins,
                         double sampleRate,
                         const float* amplitudeDb,
                         float* binGains) noexcept
{
    const auto sr = (float) sampleRate;
    BinRange changed;

    std::fill (binGains, binGains + numProcessedBins, 1.0f);

    for (size_t b = 0; b < (size_t) numBands; ++b)
        changed = hull (changed, updateBand (settings[b], bandMasks[b], bandMaskExtents[b], binGains, amplitudeDb, sr));

    // Every bin outside the bands' work has a gain of exactly 1 and is left as it is.
    scaleSpectrum (bins, binGains, changed);
    return changed;
}

BinRange applyBandGains (const BandSettingsArray& settings,
                         BandMasks& bandMasks,
                         BandMaskExtents& bandMaskExtents,
                         std::complex<float>* bins,
                         double sampleRate) noexcept
{
    float amplitudeDb[numProcessedBins];
    float binGains[numProcessedBins];
    measureAmplitudeDecibels (bins, amplitudeDb, numProcessedBins);
    return applyBandGains (settings, bandMasks, bandMaskExtents, bins, sampleRate, amplitudeDb, binGains);
}

BandMaskExtents fullMaskExtents() noexcept
{
    BandMaskExtents extents;
    extents.fill ({ 0, numProcessedBins });
    return extents;
}
} // namespace quarmont
