#include "engine/BandGains.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
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

/** The pull over a run of bins, with the level window's edges fixed as hard or soft for the
    loop, and the frequency weights of the band's plan. Gives the bits of the per-bin formulas:
    the edge weights are the ones levelWeight selects (its window is not empty where a band
    pulls), and the weights are frequencyWeight's. */
template <bool hardLower, bool hardUpper>
QUARMONT_INLINE_LOOP void pullWithEdges (const BandSettings& settings, const float* __restrict frequencyWeights,
                                         float* __restrict mask, float* __restrict gains,
                                         const float* __restrict amplitudeDb, int begin, int end) noexcept
{
    const auto band = settings; // a copy, which the mask writes cannot alias: the loop vectorises

    for (int i = begin; i < end; ++i)
    {
        const auto level = binLevelDb (amplitudeDb[i]);
        const auto lower = hardLower ? hardLowerEdgeWeight (band, level) : softLowerEdgeWeight (band, level);
        const auto upper = hardUpper ? hardUpperEdgeWeight (band, level) : softUpperEdgeWeight (band, level);
        const auto target = targetGain (frequencyWeights[i], windowWeight (lower, upper), band.gainLinear);
        const auto m = smoothedMask (mask[i], target, band.attackCoeff, band.releaseCoeff);
        mask[i] = m;
        gains[i] *= m;
    }
}

QUARMONT_INLINE_LOOP void pullMasks (const BandSettings& band, const float* frequencyWeights, float* mask, float* gains,
                                     const float* amplitudeDb, BinRange bins) noexcept
{
    const auto hardLower = band.lowerKneeDb <= 0.0f, hardUpper = band.upperKneeDb <= 0.0f;

    if (hardLower && hardUpper)
        pullWithEdges<true, true> (band, frequencyWeights, mask, gains, amplitudeDb, bins.begin, bins.end);
    else if (hardLower)
        pullWithEdges<true, false> (band, frequencyWeights, mask, gains, amplitudeDb, bins.begin, bins.end);
    else if (hardUpper)
        pullWithEdges<false, true> (band, frequencyWeights, mask, gains, amplitudeDb, bins.begin, bins.end);
    else
        pullWithEdges<false, false> (band, frequencyWeights, mask, gains, amplitudeDb, bins.begin, bins.end);
}

/** The pull range widened to whole blocks of 16 bins, so that the vector loops run whole; the
    bins added have a frequency weight of 0, and so a target of exactly 1. */
BinRange wholeBlocks (BinRange pull) noexcept
{
    if (pull.isEmpty())
        return {};

    constexpr int block = 16;
    return { pull.begin / block * block, std::min ((pull.end + block - 1) / block * block, numProcessedBins) };
}

/** Whether any of the 16 masks from i on is not exactly 1. Compared as bit patterns (1.0f has
    exactly one), in an integer reduction that the compiler vectorises. */
QUARMONT_INLINE_LOOP bool anyMaskNotUnity (const float* mask, int i) noexcept
{
    constexpr std::uint32_t unityBits = 0x3f800000u;
    std::uint32_t bits[16];
    std::memcpy (bits, mask + i, sizeof (bits));
    std::uint32_t difference = 0;

    for (const auto b : bits)
        difference |= b ^ unityBits;

    return difference != 0;
}

/** The first of the bins begin..end-1 whose mask is not exactly 1, or end. Scanned 16 bins at a
    time: a band whose masks all rest at 1 (a quiet input) would otherwise cost a compare per bin. */
QUARMONT_INLINE_LOOP int firstMaskNotUnity (const float* mask, int begin, int end) noexcept
{
    auto i = begin;

    while (i + 16 <= end && ! anyMaskNotUnity (mask, i))
        i += 16;

    while (i < end && isExactly (mask[i], 1.0f))
        ++i;

    return i;
}

/** One past the last of the bins begin..end-1 whose mask is not exactly 1, or begin. */
QUARMONT_INLINE_LOOP int endOfMasksNotUnity (const float* mask, int begin, int end) noexcept
{
    auto i = end;

    while (i - 16 >= begin && ! anyMaskNotUnity (mask, i - 16))
        i -= 16;

    while (i > begin && isExactly (mask[i - 1], 1.0f))
        --i;

    return i;
}

/** One frame of one band's masks; returns the bins it worked on. A mask of exactly 1 whose target
    is exactly 1 stays exactly 1 and multiplies its bin's gain by exactly 1, so the bins outside
    the extent and outside the ramps are skipped. */
QUARMONT_INLINE_LOOP BinRange updateBand (const BandSettings& band, const BandBins& bandBins, const float* frequencyWeights,
                                          float* mask, BinRange& extent, float* gains, const float* amplitudeDb) noexcept
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
        // The blocks' bins outside the work hold masks of exactly 1 with a target of exactly 1:
        // working through them changes nothing.
        const auto blocks = bandBins.blocks;
        relaxMasks (band, mask, gains, work.begin, blocks.begin);
        pullMasks (band, frequencyWeights, mask, gains, amplitudeDb, blocks);
        relaxMasks (band, mask, gains, blocks.end, work.end);
    }

    // Masks that reached exactly 1 at either end leave the extent (a bypassed band's all do).
    const auto begin = firstMaskNotUnity (mask, work.begin, work.end);
    const auto end = begin == work.end ? begin : endOfMasksNotUnity (mask, begin, work.end);
    extent = begin < end ? BinRange { begin, end } : BinRange {};
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

void planBands (BandPlan& plan, const BandSettingsArray& settings, double sampleRate) noexcept
{
    const auto sr = (float) sampleRate;
    plan.settings = settings;
    plan.levels = {};

    for (size_t b = 0; b < (size_t) numBands; ++b)
    {
        const auto pull = pullRange (settings[b], sr);
        const auto blocks = wholeBlocks (pull);
        plan.bands[b] = { pull, blocks };
        plan.levels = hull (plan.levels, blocks);

        for (int i = blocks.begin; i < blocks.end; ++i)
            plan.frequencyWeights[b][(size_t) i] = frequencyWeight (settings[b], binFrequencyHz (i, sr));
    }
}

namespace
{
/** The bin loops of a frame's band step, in one build for the vector unit at hand. Calls nothing
    out of line: plain code run between vector code with its upper register halves in use is
    slowed down by the processor, and the plain build of a called function is such code. */
QUARMONT_VECTOR_CLONES
BinRange updateBandsAndScale (const BandPlan& plan, BandMasks& bandMasks, BandMaskExtents& bandMaskExtents,
                              std::complex<float>* bins, const float* amplitudeDb, float* binGains) noexcept
{
    BinRange changed;

    std::fill (binGains, binGains + numProcessedBins, 1.0f);

    for (size_t b = 0; b < (size_t) numBands; ++b)
        changed = hull (changed, updateBand (plan.settings[b], plan.bands[b], plan.frequencyWeights[b].data(),
                                             bandMasks[b].data(), bandMaskExtents[b], binGains, amplitudeDb));

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
    return updateBandsAndScale (plan, bandMasks, bandMaskExtents, bins, amplitudeDb, binGains);
}
} // namespace quarmont
