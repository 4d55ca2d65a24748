#include "editor/WaterfallStretch.h"

#include <cstring>

namespace quarmont
{
juce::Image WaterfallRing::unrolled() const
{
    if (! image.isValid())
        return {};

    const auto width = image.getWidth();
    const auto height = image.getHeight();
    juce::Image picture (juce::Image::RGB, width, height, false);
    const juce::Image::BitmapData from (image, juce::Image::BitmapData::readOnly);
    const juce::Image::BitmapData to (picture, juce::Image::BitmapData::writeOnly);
    jassert (from.pixelStride == to.pixelStride);

    const auto oldest = (newestColumn + 1) % width;
    const auto stride = (size_t) from.pixelStride;

    for (int y = 0; y < height; ++y)
    {
        std::memcpy (to.getLinePointer (y), from.getPixelPointer (oldest, y), (size_t) (width - oldest) * stride);
        std::memcpy (to.getPixelPointer (width - oldest, y), from.getLinePointer (y), (size_t) oldest * stride);
    }

    return picture;
}

namespace
{
/** JUCE's renderer steps through a line's sub-pixel source positions with this integer
    interpolation between the two ends; stepping the same way gives the same positions. */
class LineStepper
{
public:
    LineStepper (int first, int last, int steps, int offset) noexcept
        : numSteps (steps), step ((last - first) / steps), remainder ((last - first) % steps), n (first + offset)
    {
        modulo = remainder;

        if (modulo <= 0)
        {
            modulo += numSteps;
            remainder += numSteps;
            --step;
        }

        modulo -= numSteps;
    }

    int next() noexcept
    {
        const auto current = n;
        modulo += remainder;
        n += step;

        if (modulo > 0)
        {
            modulo -= numSteps;
            ++n;
        }

        return current;
    }

private:
    int numSteps, step, remainder, n, modulo = 0;
};

// Bilinear filtering samples at pixel centres, half a pixel in, in 1/256 steps.
constexpr float pixelCentre = 0.5f;
constexpr int subPixels = 256;
constexpr int centreOffset = -128;
} // namespace

std::vector<WaterfallStretch::Tap> WaterfallStretch::horizontalTaps (const WaterfallRing& ring, int numColumns, int plotWidth,
                                                                     float scale, int targetWidth)
{
    std::vector<Tap> taps ((size_t) targetWidth);
    const auto sourcePerTarget = (float) numColumns / ((float) plotWidth * scale);
    LineStepper stepper ((int) (pixelCentre * sourcePerTarget * (float) subPixels),
                         (int) ((pixelCentre + (float) targetWidth) * sourcePerTarget * (float) subPixels),
                         targetWidth, centreOffset);

    for (auto& tap : taps)
    {
        const auto position = stepper.next();
        const auto k = position >> 8;

        if (k >= 0 && k < numColumns - 1)
        {
            tap = { ring.columnOf (k, numColumns), ring.columnOf (k + 1, numColumns), (std::uint32_t) (position & 255) };
        }
        else
        {
            // Past either end the outermost column is repeated, unfiltered.
            const auto column = ring.columnOf (juce::jlimit (0, numColumns - 1, k), numColumns);
            tap = { column, column, 0 };
        }
    }

    return taps;
}

std::vector<WaterfallStretch::Tap> WaterfallStretch::verticalTaps (int sourceHeight, float scale, int targetHeight)
{
    std::vector<Tap> taps ((size_t) targetHeight);

    for (int y = 0; y < targetHeight; ++y)
    {
        const auto position = (int) (((float) y + pixelCentre) / scale * (float) subPixels) + centreOffset;
        const auto row = position >> 8;

        if (row >= 0 && row < sourceHeight - 1)
        {
            taps[(size_t) y] = { row, row + 1, (std::uint32_t) (position & 255) };
        }
        else
        {
            const auto edge = juce::jlimit (0, sourceHeight - 1, row);
            taps[(size_t) y] = { edge, edge, 0 };
        }
    }

    return taps;
}

namespace
{
// Neighbouring target pixels mostly sample the same two source pixels (a column is stretched over
// at least four), so each pair is loaded once and only the weight changes along its run. With
// d = b - a, keep x a + w x b = 256 x a + w x d exactly.
template <typename Write>
void forEachRun (const std::vector<WaterfallStretch::Tap>& taps, const juce::uint8* line, int stride, Write&& write)
{
    const auto* tap = taps.data();
    const auto* end = tap + taps.size();

    while (tap < end)
    {
        const auto first = tap->first;
        const auto second = tap->second;
        const auto* a = line + first * stride;
        const auto* b = line + second * stride;
        const int base[3] { a[0], a[1], a[2] };
        const int step[3] { b[0] - a[0], b[1] - a[1], b[2] - a[2] };

        do
        {
            write (base, step, (int) tap->weight);
            ++tap;
        } while (tap < end && tap->first == first && tap->second == second);
    }
}
} // namespace

void WaterfallStretch::stretchRow (const juce::Image::BitmapData& source, int row, std::vector<std::uint16_t>& out) const
{
    auto* h = out.data();

    forEachRun (columns, source.getLinePointer (row), source.pixelStride, [&h] (const int* base, const int* step, int w)
    {
        h[0] = (std::uint16_t) (base[0] * subPixels + w * step[0]);
        h[1] = (std::uint16_t) (base[1] * subPixels + w * step[1]);
        h[2] = (std::uint16_t) (base[2] * subPixels + w * step[2]);
        h += 3;
    });
}

void WaterfallStretch::stretchRowToPixels (const juce::Image::BitmapData& source, int row, juce::uint8* out) const
{
    // The two-tap average with JUCE's rounding, (128 + keep x a + w x b) >> 8, as a + (128 + w x d) >> 8.
    forEachRun (columns, source.getLinePointer (row), source.pixelStride, [&out] (const int* base, const int* step, int w)
    {
        out[0] = (juce::uint8) (base[0] + ((128 + w * step[0]) >> 8));
        out[1] = (juce::uint8) (base[1] + ((128 + w * step[1]) >> 8));
        out[2] = (juce::uint8) (base[2] + ((128 + w * step[2]) >> 8));
        out += 3;
    });
}

void WaterfallStretch::render (const WaterfallRing& ring, int numColumns, int plotWidth, float scale, juce::Image& target)
{
    const auto targetWidth = target.getWidth();
    const auto targetHeight = target.getHeight();

    if (! ring.image.isValid() || numColumns < 1 || plotWidth < 1 || targetWidth < 1 || targetHeight < 1)
        return;

    columns = horizontalTaps (ring, numColumns, plotWidth, scale, targetWidth);
    const auto rows = verticalTaps (ring.image.getHeight(), scale, targetHeight);

    const juce::Image::BitmapData source (ring.image, juce::Image::BitmapData::readOnly);
    const juce::Image::BitmapData dest (target, juce::Image::BitmapData::writeOnly);
    jassert (dest.pixelStride == 3);

    const auto values = (size_t) targetWidth * 3;
    upperRow.resize (values);
    lowerRow.resize (values);
    int upperSource = -1, lowerSource = -1;

    for (int y = 0; y < targetHeight; ++y)
    {
        const auto& tap = rows[(size_t) y];
        auto* out = dest.getLinePointer (y);

        if (tap.weight == 0)
        {
            // A row that takes one source row alone (every row at scale 1): one pass, straight to bytes.
            stretchRowToPixels (source, tap.first, out);
            continue;
        }

        // Target rows walk down the source, so each source row is stretched once.
        if (tap.first != upperSource)
        {
            if (tap.first == lowerSource)
            {
                std::swap (upperRow, lowerRow);
                std::swap (upperSource, lowerSource);
            }
            else
            {
                stretchRow (source, tap.first, upperRow);
                upperSource = tap.first;
            }
        }

        if (tap.second != lowerSource && tap.second != upperSource)
        {
            stretchRow (source, tap.second, lowerRow);
            lowerSource = tap.second;
        }

        const auto* a = upperRow.data();
        const auto* b = tap.second == upperSource ? upperRow.data() : lowerRow.data();
        const auto w = tap.weight;
        const auto keep = (std::uint32_t) subPixels - w;

        // The four-tap average with JUCE's rounding: (128 x 256 + sum of weight x value) >> 16.
        for (size_t i = 0; i < values; ++i)
            out[i] = (juce::uint8) ((32768u + keep * a[i] + w * b[i]) >> 16);
    }
}
} // namespace quarmont
