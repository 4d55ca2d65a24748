// The waterfall fed by a running processor: what a tick writes, when it scrolls, what a resize
// does, how the zoom picks the columns that paint stretches over the plot, and displays too
// small to have a plot.

#include <cmath>

#include "EditorTestSupport.h"

namespace
{
using namespace quarmont;
using quarmont::testing::renderSnapshot;

constexpr double sampleRate = 48000.0;
constexpr int hop = 512;
constexpr int sineBin = 43; // 43 x 48000 / 2048 = 1007.8125 Hz, the centre of a display bin

class Waterfall : public ::testing::Test
{
protected:
    void SetUp() override
    {
        processor.setRateAndBufferSizeDetails (sampleRate, hop);
        processor.prepareToPlay (sampleRate, hop);
        display.setSize (1000, 400);
    }

    /** One hop of a full-scale sine at sineBin (or silence) through the processor: one new frame. */
    void playHop (float amplitude)
    {
        juce::AudioBuffer<float> buffer (2, hop);

        for (int i = 0; i < hop; ++i, ++sampleIndex)
            buffer.setSample (0, i, amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * sineBin * (double) sampleIndex / 2048.0));

        buffer.copyFrom (1, 0, buffer, 0, 0, hop);
        juce::MidiBuffer midi;
        processor.processBlock (buffer, midi);
    }

    static bool sameColumn (const juce::Image& a, int columnA, const juce::Image& b, int columnB)
    {
        for (int y = 0; y < a.getHeight(); ++y)
            if (a.getPixelAt (columnA, y) != b.getPixelAt (columnB, y))
                return false;

        return true;
    }

    static bool filledWith (const juce::Image& image, juce::uint32 argb)
    {
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (image.getPixelAt (x, y).getARGB() != argb)
                    return false;

        return true;
    }

    /** The image row that shows the bin nearest to the sine's (rows skip bins at some heights). */
    static int rowOfSine (int imageHeight)
    {
        int best = -1;

        for (int row = 0; row < imageHeight; ++row)
            if (best < 0 || std::abs (spectrumBinForRow (row, imageHeight, sampleRate) - sineBin)
                                < std::abs (spectrumBinForRow (best, imageHeight, sampleRate) - sineBin))
                best = row;

        return best;
    }

    QuarmontAudioProcessor processor;
    SpectrogramComponent display { processor };
    juce::int64 sampleIndex = 0;
};

TEST_F (Waterfall, ImagesHaveThePlotSizeAndStartEmpty)
{
    for (const auto& image : { display.getBeforeImage(), display.getAfterImage() })
    {
        ASSERT_TRUE (image.isValid());
        EXPECT_EQ (image.getFormat(), juce::Image::RGB);
        EXPECT_EQ (image.getBounds(), juce::Rectangle<int> (0, 0, 870, 368));
        EXPECT_TRUE (filledWith (image, 0xff0b1220));
    }
}

TEST_F (Waterfall, EachNewPairBecomesTheNewestColumnRowByRow)
{
    for (int i = 0; i < 8; ++i)
        playHop (1.0f);

    // Read the pair that the display's tick will take, with a serial of our own.
    float before[1024], after[1024];
    int serial = 0;
    ASSERT_TRUE (processor.getSpectrumSnapshot (before, after, serial));
    EXPECT_GT (before[sineBin], 0.9f);
    EXPECT_LT (before[400], 0.1f);

    display.timerCallback();

    const auto image = display.getBeforeImage();
    const auto afterImage = display.getAfterImage();
    const auto newest = image.getWidth() - 1;

    for (int row = 0; row < image.getHeight(); ++row)
    {
        const auto bin = spectrumBinForRow (row, image.getHeight(), sampleRate);
        ASSERT_EQ (image.getPixelAt (newest, row).getARGB(), spectrumColour (before[bin]).getARGB()) << "row " << row;
        ASSERT_EQ (afterImage.getPixelAt (newest, row).getARGB(), spectrumColour (after[bin]).getARGB()) << "row " << row;
    }

    // The sine's rows glow; the column before it is still empty.
    const auto sineRow = rowOfSine (image.getHeight());
    ASSERT_GE (sineRow, 0);
    EXPECT_GT (image.getPixelAt (newest, sineRow).getRed(), 200);
    EXPECT_EQ (image.getPixelAt (newest - 1, sineRow).getARGB(), 0xff0b1220u);
}

TEST_F (Waterfall, ScrollsOnlyWhenANewPairArrives)
{
    playHop (1.0f);
    playHop (1.0f);
    playHop (1.0f);
    playHop (1.0f);
    display.timerCallback();
    const auto first = display.getBeforeImage().createCopy();

    // No audio in between: nothing moves, however often the timer ticks.
    display.timerCallback();
    display.timerCallback();
    EXPECT_TRUE (sameColumn (display.getBeforeImage(), 869, first, 869));
    EXPECT_TRUE (sameColumn (display.getBeforeImage(), 868, first, 868));

    // One more hop: the old newest column moves one pixel left.
    playHop (0.0f);
    display.timerCallback();
    EXPECT_TRUE (sameColumn (display.getBeforeImage(), 868, first, 869));
    EXPECT_FALSE (sameColumn (display.getBeforeImage(), 869, first, 869));
}

TEST_F (Waterfall, AResizeEmptiesBothViews)
{
    for (int i = 0; i < 6; ++i)
    {
        playHop (1.0f);
        display.timerCallback();
    }

    ASSERT_FALSE (filledWith (display.getBeforeImage(), 0xff0b1220));
    display.setSize (900, 300);

    for (const auto& image : { display.getBeforeImage(), display.getAfterImage() })
    {
        EXPECT_EQ (image.getBounds(), juce::Rectangle<int> (0, 0, 770, 268));
        EXPECT_TRUE (filledWith (image, 0xff0b1220));
    }

    // The same size again keeps the history.
    playHop (1.0f);
    display.timerCallback();
    const auto kept = display.getBeforeImage().createCopy();
    display.setSize (900, 300);
    EXPECT_TRUE (sameColumn (display.getBeforeImage(), 769, kept, 769));
}

TEST_F (Waterfall, ZoomStretchesTheNewestColumnsOverThePlot)
{
    display.setSize (730, 300); // a 600 x 268 plot

    for (int i = 0; i < 200; ++i)
    {
        playHop (0.0f);
        display.timerCallback();
    }

    for (int i = 0; i < 30; ++i)
    {
        playHop (1.0f);
        display.timerCallback();
    }

    const auto plot = display.getAreas().plot;
    const auto y = plot.getY() + rowOfSine (display.getBeforeImage().getHeight());
    const auto redAt = [&] (const juce::Image& shot, int x) { return shot.getPixelAt (x, y).getRed(); };

    // Width 20: the newest 30 columns, all of them the sine, fill the plot.
    display.setTimeZoom (20.0f);
    const auto wide = renderSnapshot (display);

    for (const auto x : { plot.getX() + 60, plot.getCentreX(), plot.getRight() - 40 })
        EXPECT_GT (redAt (wide, x), 180) << "x " << x;

    // Width 4: the newest 150 columns; the sine takes the right fifth, 4 px per column.
    display.setTimeZoom (4.0f);
    const auto narrow = renderSnapshot (display);
    EXPECT_LT (redAt (narrow, plot.getX() + 60), 60);
    EXPECT_LT (redAt (narrow, plot.getCentreX()), 60);
    EXPECT_LT (redAt (narrow, plot.getRight() - 140), 60);
    EXPECT_GT (redAt (narrow, plot.getRight() - 60), 180);

    // The zoom is limited to 4..20.
    display.setTimeZoom (50.0f);
    EXPECT_FLOAT_EQ (display.getTimeZoom(), 20.0f);
    display.setTimeZoom (1.0f);
    EXPECT_FLOAT_EQ (display.getTimeZoom(), 4.0f);
}

TEST_F (Waterfall, DisplaysWithoutAPlotMakeNoImagesAndStillPaint)
{
    for (const auto size : { juce::Point<int> (130, 400), juce::Point<int> (1000, 32), juce::Point<int> (0, 0) })
    {
        QuarmontAudioProcessor otherProcessor;
        SpectrogramComponent small (otherProcessor);
        small.setSize (size.x, size.y);
        small.timerCallback();
        EXPECT_FALSE (small.getBeforeImage().isValid()) << size.toString();
        EXPECT_FALSE (small.getAfterImage().isValid()) << size.toString();

        if (size.x > 0)
        {
            const auto shot = renderSnapshot (small);
            EXPECT_EQ (shot.getPixelAt (2, 2).getARGB(), 0xff0e1526u) << size.toString();
        }
    }
}

TEST_F (Waterfall, BeforeAndAfterViewsDifferWhereABandWorks)
{
    // Band 3 (600 Hz .. 2.5 kHz) pulls the sine at 1 kHz down by 24 dB.
    auto* gain = processor.apvts.getParameter ("band3_gain");
    gain->setValueNotifyingHost (gain->convertTo0to1 (-24.0f));

    for (int i = 0; i < 60; ++i)
    {
        playHop (1.0f);
        display.timerCallback();
    }

    const auto row = rowOfSine (display.getBeforeImage().getHeight());
    const auto before = display.getBeforeImage().getPixelAt (869, row);
    const auto after = display.getAfterImage().getPixelAt (869, row);
    EXPECT_GT (before.getRed(), 200);
    EXPECT_NE (before, after);

    const auto plot = display.getAreas().plot;
    const auto at = juce::Point<int> (plot.getRight() - 30, plot.getY() + row);
    const auto beforeShot = renderSnapshot (display);
    display.setShowAfterGain (true);
    const auto afterShot = renderSnapshot (display);
    EXPECT_NE (beforeShot.getPixelAt (at.x, at.y), afterShot.getPixelAt (at.x, at.y));
}
} // namespace
