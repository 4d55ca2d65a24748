#include "engine/BandGains.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

QUARMONT_INLINE_LOOP BinRange hull (BinRange a, BinRange b) noexcept
{
    if (a.isEmpty())
        return b;

    if (b.isEmpty())
        return a;

    return { std::min (a.begin, b.begin), std::max (a.end, b.end) };
}

/** Bins where the target is known to be exactly 1: the mask only relaxes toward unity. */
QUARMONT_INLINE_LOOP void relaxMasks (const BandSettings& band, float* __restrict mask, float* __restrict gains, int begin, int end) noexcept
{
    for (int i = begin; i < end; ++i)
    {
        const auto m = smoothedMask (mask[i], 1.0f, band.attackCoeff, band.releaseCoeff);
        mask[i] = m;
        gains[i] *= m;
    }
}

/** The general pull, for the few bins of the frequency ramps. */
QUARMONT_INLINE_LOOP void pullRampMasks (const BandSettings& settings, float* __restrict mask, float* __restrict gains,
                    const float* __restrict amplitudeDb, float sampleRate, int begin, int end) noexcept
{
    const auto band = settings; // a copy, which the mask writes cannot alias: the loop vectorises

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

/** The pull between the ramps, where the frequency weight is exactly 1, with the level window's
    edges fixed as hard or soft for the loop. Gives the bits of pullRampMasks: 1 x w is w, and
    the edge weights are the ones levelWeight selects (its window is not empty here). */
template <bool hardLower, bool hardUpper>
QUARMONT_INLINE_LOOP void pullInsideRange (const BandSettings& settings, float* __restrict mask, float* __restrict gains,
                                                    const float* __restrict amplitudeDb, int begin, int end) noexcept
{
    const auto band = settings; // a copy, which the mask writes cannot alias: the loop vectorises
    const auto fullTarget = targetGain (1.0f, 1.0f, band.gainLinear);

    for (int i = begin; i < end; ++i)
    {
        const auto level = binLevelDb (amplitudeDb[i]);
        float target;

        if constexpr (hardLower && hardUpper)
        {
            // Both edges are steps: the weight is 1 or 0, and the target the band's full one or
            // (with a finite gain) exactly 1.
            target = level >= band.levelMinDb && level <= band.levelMaxDb ? fullTarget : 1.0f;
        }
        else
        {
            const auto lower = hardLower ? hardLowerEdgeWeight (band, level) : softLowerEdgeWeight (band, level);
            const auto upper = hardUpper ? hardUpperEdgeWeight (band, level) : softUpperEdgeWeight (band, level);
            target = targetGain (1.0f, windowWeight (lower, upper), band.gainLinear);
        }

        const auto m = smoothedMask (mask[i], target, band.attackCoeff, band.releaseCoeff);
        mask[i] = m;
        gains[i] *= m;
    }
}

QUARMONT_INLINE_LOOP void pullInsideRangeMasks (const BandSettings& band, float* __restrict mask, float* __restrict gains,
                           const float* __restrict amplitudeDb, int begin, int end) noexcept
{
    const auto hardLower = band.lowerKneeDb <= 0.0f, hardUpper = band.upperKneeDb <= 0.0f;

    if (hardLower && hardUpper)
        pullInsideRange<true, true> (band, mask, gains, amplitudeDb, begin, end);
    else if (hardLower)
        pullInsideRange<true, false> (band, mask, gains, amplitudeDb, begin, end);
    else if (hardUpper)
        pullInsideRange<false, true> (band, mask, gains, amplitudeDb, begin, end);
    else
        pullInsideRange<false, false> (band, mask, gains, amplitudeDb, begin, end);
}

/** First bin of begin..end-1 for which the predicate holds, or end; it must hold for every bin
    after the first one it holds for. */
template <typename Predicate>
int firstBinWhere (int begin, int end, Predicate holds) noexcept
{
    while (begin < end)
    {
        const auto middle = begin + (end - begin) / 2;

        if (holds (middle))
            end = middle;
        else
            begin = middle + 1;
    }

    return begin;
}

/** The bins of a pull range whose frequency weight is exactly 1. The rising edge never falls
    and the falling edge never rises as the bins go up, so the bins form one run. */
BinRange insideRange (const BandSettings& band, BinRange pull, float sampleRate) noexcept
{
    const auto begin = firstBinWhere (pull.begin, pull.end, [&] (int i)
                                      { return isExactly (risingEdgeWeight (band, binFrequencyHz (i, sampleRate)), 1.0f); });
    const auto end = firstBinWhere (begin, pull.end, [&] (int i)
                                    { return fallingEdgeWeight (band, binFrequencyHz (i, sampleRate)) < 1.0f; });
    return { begin, end };
}

BandBins findBandBins (const BandSettings& band, float sampleRate) noexcept
{
    const auto pull = pullRange (band, sampleRate);
    return { pull, pull.isEmpty() ? BinRange {} : insideRange (band, pull, sampleRate) };
}

/** The band's pull over its ramps and the bins between them (the target is 1 outside). */
QUARMONT_INLINE_LOOP void pullMasks (const BandSettings& band, float* mask, float* gains, const float* amplitudeDb,
                                     float sampleRate, BinRange pull, BinRange inside) noexcept
{
    pullRampMasks (band, mask, gains, amplitudeDb, sampleRate, pull.begin, inside.begin);
    pullInsideRangeMasks (band, mask, gains, amplitudeDb, inside.begin, inside.end);
    pullRampMasks (band, mask, gains, amplitudeDb, sampleRate, inside.end, pull.end);
}

/** One frame of one band's masks; returns the bins it worked on. A mask of exactly 1 whose target
    is exactly 1 stays exactly 1 and multiplies its bin's gain by exactly 1, so the bins outside
    the extent and outside the ramps are skipped. */
QUARMONT_INLINE_LOOP BinRange updateBand (const BandSettings& band, BandBins bandBins, float* mask, BinRange& extent,
                                          float* gains, const float* amplitudeDb, float sampleRate) noexcept
{
    const auto pull = bandBins.pull;
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
        pullMasks (band, mask, gains, amplitudeDb, sampleRate, pull, bandBins.inside);
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

QUARMONT_INLINE_LOOP void scaleSpectrum (std::complex<float>* __restrict bins, float* __restrict gains, BinRange range) noexcept
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

void updateBandPlan (BandPlan& plan, const BandSettingsArray& settings, double sampleRate) noexcept
{
    const auto sr = (float) sampleRate;

    // Compared bit for bit: sanitised settings hold no NaN, and the record has no padding.
    static_assert (sizeof (BandSettings) == 11 * sizeof (float));

    if (plan.isPlanned && isExactly (plan.sampleRate, sr) && std::memcmp (&plan.settings, &settings, sizeof (settings)) == 0)
        return;

    plan.settings = settings;
    plan.sampleRate = sr;
    plan.isPlanned = true;
    plan.levels = {};

    for (size_t b = 0; b < (size_t) numBands; ++b)
    {
        plan.bands[b] = findBandBins (settings[b], sr);
        plan.levels = hull (plan.levels, plan.bands[b].pull);
    }
}

namespace
{
/** The bin loops of a frame's band step, in one build for the vector unit at hand. Calls nothing
    out of line: plain code run between vector code with its upper register halves in use is
    slowed down by the processor, and the plain build of a called function is such code. */
QUARMONT_VECTOR_CLONES
BinRange updateBandsAndScale (const BandSettingsArray& settings, const std::array<BandBins, numBands>& bandBins,
                              BandMasks& bandMasks, BandMaskExtents& bandMaskExtents, std::complex<float>* bins,
                              float sampleRate, const float* amplitudeDb, float* binGains) noexcept
{
    BinRange changed;

    std::fill (binGains, binGains + numProcessedBins, 1.0f);

    for (size_t b = 0; b < (size_t) numBands; ++b)
        changed = hull (changed, updateBand (settings[b], bandBins[b], bandMasks[b].data(), bandMaskExtents[b], binGains,
                                             amplitudeDb, sampleRate));

    // Every bin outside the bands' work has a gain of exactly 1 and is left as it is.
    scaleSpectrum (bins, binGains, changed);
    return changed;
}
} // namespace

BinRange applyBandGains (const BandPlan& plan,
                         BandMasks& bandMasks,
                         BandMaskExtents& bandMaskExtents,
                         std::complex<float>* bins,
                         const float* amplitudeDb,
                         float* binGains) noexcept
{
    return updateBandsAndScale (plan.settings, plan.bands, bandMasks, bandMaskExtents, bins, plan.sampleRate, amplitudeDb,
                                binGains);
}

BinRange applyBandGains (const BandSettingsArray& settings,
                         BandMasks& bandMasks,
                         BandMaskExtents& bandMaskExtents,
                         std::complex<float>* bins,
                         double sampleRate) noexcept
{
    BandPlan plan;
    updateBandPlan (plan, settings, sampleRate);

    float amplitudeDb[numProcessedBins];
    float binGains[numProcessedBins];
    measureAmplitudeDecibels (bins, amplitudeDb, numProcessedBins);
    return applyBandGains (plan, bandMasks, bandMaskExtents, bins, amplitudeDb, binGains);
}

BandMaskExtents fullMaskExtents() noexcept
{
    BandMaskExtents extents;
    extents.fill ({ 0, numProcessedBins });
    return extents;
}
} // namespace quarmont
