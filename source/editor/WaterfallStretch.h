#pragma once

#include <cstdint>
#include <vector>

#include <juce_graphics/juce_graphics.h>

namespace quarmont
{
/** The waterfall's history: one RGB image per view whose columns are used as a ring, so that a
    new column costs one column of writes instead of scrolling the whole image. Both views share
    the ring position, since each tick writes both or neither. */
struct WaterfallRing
{
    juce::Image image;     // RGB, the plot's size
    int newestColumn = 0;  // where the newest column is; the oldest is the one after it

    /** The ring column that holds the k-th of the newest `count` columns (k = 0 is the oldest of them). */
    int columnOf (int k, int count) const noexcept
    {
        const auto width = image.getWidth();
        return ((newestColumn - (count - 1) + k) % width + width) % width;
    }

    /** The history as a picture with the newest column at the right edge. */
    juce::Image unrolled() const;
};

/** Stretches the newest columns of a ring over a plot, exactly as JUCE's software renderer
    draws that part of the unrolled history scaled into the plot with its default (bilinear)
    resampling: the same sub-pixel positions in 1/256 steps, the same integer weights and
    rounding, the same treatment of the edges. So the picture can be kept between repaints and
    drawn unscaled. */
class WaterfallStretch
{
public:
    /** Fills target, an RGB image of the plot's size in device pixels (plot size x scale), with
        the newest numColumns columns of the ring stretched over a plot of plotWidth x ring height
        logical pixels drawn at the given device scale. */
    void render (const WaterfallRing& ring, int numColumns, int plotWidth, float scale, juce::Image& target);

    /** One target pixel's two source columns (or one target row's two source rows). */
    struct Tap
    {
        int first, second;      // the two source columns or rows
        std::uint32_t weight;   // of the second, in 1/256
    };

private:
    static std::vector<Tap> horizontalTaps (const WaterfallRing& ring, int numColumns, int plotWidth, float scale, int targetWidth);
    static std::vector<Tap> verticalTaps (int sourceHeight, float scale, int targetHeight);
    void stretchRow (const juce::Image::BitmapData& source, int row, std::vector<std::uint16_t>& out) const;
    void stretchRowToPixels (const juce::Image::BitmapData& source, int row, juce::uint8* out) const;

    std::vector<Tap> columns;
    std::vector<std::uint16_t> upperRow, lowerRow;  // source rows stretched horizontally, in 1/256 units
};
} // namespace quarmont
