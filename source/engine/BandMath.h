#pragma once

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/BandSettings.h"
#include "engine/EngineConstants.h"
#include "engine/ExactFloat.h"

// The per-bin arithmetic of the band gains and the display spectra. Everything here is inline,
// free of branches that depend on the data, and free of library calls, so that the bin loops that
// use it vectorise. NaN is never assumed away: the guards below are what keep a damaged bin
// from reaching the band masks.

namespace quarmont
{
constexpr float levelFloorDb = -160.0f;
constexpr float displayFloorDb = -100.0f;
constexpr float amplitudeOffset = 1.0e-9f;
constexpr float minimumBinGain = 1.0e-6f;
constexpr float maximumBinGain = 32.0f;

inline float clamp01 (float x) noexcept
{
    return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x);
}

inline float smoothstep (float t) noexcept
{
    return t * t * (3.0f - 2.0f * t);
}

/** Centre frequency of a bin of the 2048-point transform. */
inline float binFrequencyHz (int bin, float sampleRate) noexcept
{
    return sampleRate * (float) bin * (1.0f / (float) frameLength);
}

/** DC and Nyquist appear once in the spectrum of a real frame, every other bin twice (once
    mirrored), so they get half the scale to read the same amplitude. */
inline float binAmplitudeScale (int bin) noexcept
{
    return (bin == 0 || bin == frameLength / 2) ? 1.0f / (float) frameLength : 1.0f / (float) (frameLength / 2);
}

/** The hypotenuse of a bin, in float for speed. Where hypot would give a value beyond 1.8e19
    this gives infinity; that only turns a level far above 0 dB into an infinite one, which no
    level weight and no display value can tell apart. As with hypot, an infinite part gives
    infinity even when the other part is NaN. */
inline float magnitudeOf (std::complex<float> bin) noexcept
{
    const auto re = bin.real(), im = bin.imag();
    const auto magnitude = std::sqrt (re * re + im * im);
    const auto infinite = isExactly (std::abs (bin.real()), std::numeric_limits<float>::infinity())
                          || isExactly (std::abs (bin.imag()), std::numeric_limits<float>::infinity());
    return infinite ? std::numeric_limits<float>::infinity() : magnitude;
}

/** 20 log10 (a) for a positive, finite or infinite a: within 4e-5 dB of the exact value for
    amplitudes from 1e-9 (the smallest the engine forms) to 1e12, and within about 1e-7 of the
    value above that. Built from the float's exponent and a short odd series for the logarithm of
    its mantissa, so that it vectorises where log10 would not. */
inline float decibelsOfPositive (float a) noexcept
{
    std::uint32_t bits;
    std::memcpy (&bits, &a, sizeof (bits));

    auto exponent = (int) (bits >> 23) - 127;
    const std::uint32_t mantissaBits = (bits & 0x007fffffu) | 0x3f800000u;
    float mantissa;
    std::memcpy (&mantissa, &mantissaBits, sizeof (mantissa));

    // Centre the mantissa on 1 (sqrt 0.5 .. sqrt 2), where the series converges fastest.
    const auto above = mantissa > 1.41421356f;
    mantissa = above ? mantissa * 0.5f : mantissa;
    exponent = above ? exponent + 1 : exponent;

    // ln m = 2 atanh (s) with s = (m - 1) / (m + 1), |s| <= 0.172.
    const auto s = (mantissa - 1.0f) / (mantissa + 1.0f);
    const auto s2 = s * s;
    const auto series = 1.0f + s2 * (1.0f / 3.0f + s2 * (1.0f / 5.0f + s2 * (1.0f / 7.0f + s2 * (1.0f / 9.0f))));

    // ln 2 split in two, so that exponent x ln 2 keeps its precision.
    constexpr float ln2High = 0.693145752f;
    constexpr float ln2Low = 1.42860677e-06f;
    constexpr float decibelsPerNeper = 8.68588963f; // 20 / ln 10

    const auto e = (float) exponent;
    const auto naturalLog = e * ln2High + (e * ln2Low + 2.0f * s * series);
    const auto decibels = naturalLog * decibelsPerNeper;
    return isExactly (a, std::numeric_limits<float>::infinity()) ? a : decibels;
}

/** The amplitude of a bin in dB before any floor: 20 log10 (|X| s + 1e-9), or minus infinity when
    that amplitude is not positive, which is how a NaN bin shows. Every floor applied later then
    maps such a bin to the floor itself, exactly as the level guard requires. */
inline float amplitudeDecibels (float magnitude, float scale) noexcept
{
    const auto a = magnitude * scale + amplitudeOffset;
    return a > 0.0f ? decibelsOfPositive (a) : -std::numeric_limits<float>::infinity();
}

/** The level a band compares with its window, floored at -160 dB. */
inline float binLevelDb (float amplitudeDb) noexcept
{
    return amplitudeDb < levelFloorDb ? levelFloorDb : amplitudeDb;
}

/** The level shown by the editor: -100 .. 0 dB mapped linearly onto 0 .. 1. */
inline float displayValue (float amplitudeDb) noexcept
{
    const auto level = amplitudeDb < displayFloorDb ? displayFloorDb : amplitudeDb;
    const auto value = (level + 100.0f) / 100.0f;
    return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

/** 1 inside the band's frequency range, falling linearly to 0 over edgeWidthHz outside it. */
inline float frequencyWeight (const BandSettings& band, float frequencyHz) noexcept
{
    const auto width = band.edgeWidthHz < 0.001f ? 0.001f : band.edgeWidthHz;
    const auto rising = clamp01 ((frequencyHz - (band.lowHz - band.edgeWidthHz)) / width);
    const auto falling = clamp01 ((band.edgeWidthHz + band.highHz - frequencyHz) / width);
    const auto weight = falling < rising ? falling : rising;
    return band.lowHz >= band.highHz ? 0.0f : weight;
}

/** The lower edge of the level window as a step: 1 from levelMinDb up. */
inline float hardLowerEdgeWeight (const BandSettings& band, float levelDb) noexcept
{
    return levelDb >= band.levelMinDb ? 1.0f : 0.0f;
}

/** The lower edge softened by the lower knee: rises smoothly from levelMinDb to levelMinDb + knee. */
inline float softLowerEdgeWeight (const BandSettings& band, float levelDb) noexcept
{
    const auto knee = band.lowerKneeDb < 0.001f ? 0.001f : band.lowerKneeDb;
    return smoothstep (clamp01 ((levelDb - band.levelMinDb) / knee));
}

/** The upper edge of the level window as a step: 1 up to levelMaxDb. */
inline float hardUpperEdgeWeight (const BandSettings& band, float levelDb) noexcept
{
    return levelDb <= band.levelMaxDb ? 1.0f : 0.0f;
}

/** The upper edge softened by the upper knee: falls smoothly from levelMaxDb - knee to levelMaxDb. */
inline float softUpperEdgeWeight (const BandSettings& band, float levelDb) noexcept
{
    const auto knee = band.upperKneeDb < 0.001f ? 0.001f : band.upperKneeDb;
    return smoothstep (clamp01 ((band.levelMaxDb - levelDb) / knee));
}

/** The weight of a non-empty level window from its two edge weights. */
inline float windowWeight (float lowerEdge, float upperEdge) noexcept
{
    return upperEdge < lowerEdge ? upperEdge : lowerEdge;
}

/** 1 inside the band's level window, 0 outside; the knees soften the inside of each edge. */
inline float levelWeight (const BandSettings& band, float levelDb) noexcept
{
    const auto lower = band.lowerKneeDb <= 0.0f ? hardLowerEdgeWeight (band, levelDb) : softLowerEdgeWeight (band, levelDb);
    const auto upper = band.upperKneeDb <= 0.0f ? hardUpperEdgeWeight (band, levelDb) : softUpperEdgeWeight (band, levelDb);
    return band.levelMinDb >= band.levelMaxDb ? 0.0f : windowWeight (lower, upper);
}

/** Where the band fully applies the target is its gain; where it does not, unity. */
inline float targetGain (float frequencyWeightValue, float levelWeightValue, float gainLinear) noexcept
{
    return frequencyWeightValue * levelWeightValue * (gainLinear - 1.0f) + 1.0f;
}

/** One frame of a mask's one-pole glide toward its target: attack when the target lies further
    from unity than the mask, release otherwise (ties included). */
inline float smoothedMask (float mask, float target, float attackCoeff, float releaseCoeff) noexcept
{
    const auto coeff = std::abs (target - 1.0f) > std::abs (mask - 1.0f) ? attackCoeff : releaseCoeff;
    return mask + (target - mask) * coeff;
}

/** The product of the five band gains, kept within -120 dB .. about +30 dB. */
inline float limitedBinGain (float gain) noexcept
{
    return gain < minimumBinGain ? minimumBinGain : (gain > maximumBinGain ? maximumBinGain : gain);
}
} // namespace quarmont
