// The knob drawing: its geometry, its fixed sweep, its dimmed states, and degenerate sizes.

#include <gtest/gtest.h>

#include <cmath>

#include "editor/ModernKnobLookAndFeel.h"

using quarmont::KnobGeometry;
using quarmont::ModernKnobLookAndFeel;

namespace
{
constexpr float tolerance = 1.0e-4f;

juce::Image drawSlider (juce::Slider& slider, ModernKnobLookAndFeel& lookAndFeel, int width, int height, float position)
{
    juce::Image image (juce::Image::ARGB, juce::jmax (1, width), juce::jmax (1, height), true);
    juce::Graphics g (image);
    const auto params = slider.getRotaryParameters();
    lookAndFeel.drawRotarySlider (g, 0, 0, width, height, position, params.startAngleRadians, params.endAngleRadians, slider);
    return image;
}

bool sameImages (const juce::Image& a, const juce::Image& b)
{
    if (a.getBounds() != b.getBounds())
        return false;

    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                return false;

    return true;
}

int countVisiblePixels (const juce::Image& image)
{
    int count = 0;

    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            count += image.getPixelAt (x, y).getAlpha() > 0 ? 1 : 0;

    return count;
}
} // namespace

TEST (KnobGeometry, SquareKnobOf64Pixels)
{
    const auto k = KnobGeometry::compute (0.0f, 0.0f, 64.0f, 64.0f, 0.5f);

    EXPECT_NEAR (k.diameter, 54.0f, tolerance);
    EXPECT_NEAR (k.radius, 27.0f, tolerance);
    EXPECT_NEAR (k.left, 5.0f, tolerance);
    EXPECT_NEAR (k.top, 5.0f, tolerance);
    EXPECT_NEAR (k.centreX, 32.0f, tolerance);
    EXPECT_NEAR (k.centreY, 32.0f, tolerance);
    EXPECT_NEAR (k.arcRadius, 23.6f, tolerance);
    EXPECT_NEAR (k.pointerLength, 12.5f, tolerance);
    EXPECT_NEAR (k.pointerWidth, 3.0f, tolerance);
    EXPECT_NEAR (k.capInset, 8.64f, tolerance);
    EXPECT_NEAR (k.capDiameter, 54.0f - 2.0f * 8.64f, tolerance);
    EXPECT_NEAR (k.centreDotRadius, 3.6f, tolerance);
    EXPECT_NEAR (k.valueAngle, KnobGeometry::startAngle + 0.5f * 4.900884f, tolerance);
}

TEST (KnobGeometry, WideBoundsCentreTheKnobHorizontally)
{
    const auto k = KnobGeometry::compute (0.0f, 0.0f, 80.0f, 40.0f, 0.0f);
    EXPECT_NEAR (k.diameter, 30.0f, tolerance);
    EXPECT_NEAR (k.left, 25.0f, tolerance);
    EXPECT_NEAR (k.top, 5.0f, tolerance);

    const auto moved = KnobGeometry::compute (100.0f, 200.0f, 80.0f, 40.0f, 0.0f);
    EXPECT_NEAR (moved.centreX, 140.0f, tolerance);
    EXPECT_NEAR (moved.centreY, 220.0f, tolerance);
}

TEST (KnobGeometry, TinyBoundsKeepTheMinimumPointer)
{
    for (const auto size : { 10.0f, 4.0f, 0.0f })
    {
        const auto k = KnobGeometry::compute (0.0f, 0.0f, size, size, 0.3f);
        EXPECT_EQ (k.diameter, 0.0f) << size;
        EXPECT_EQ (k.capDiameter, 0.0f) << size;
        EXPECT_NEAR (k.pointerLength, 8.0f, tolerance) << size;
        EXPECT_NEAR (0.66f * k.pointerLength, 5.28f, tolerance) << size;
        EXPECT_NEAR (k.pointerWidth, 3.0f, tolerance) << size;
        EXPECT_NEAR (k.centreDotRadius, 3.6f, tolerance) << size;
    }
}

TEST (KnobGeometry, ValueTickMeetsTheEndTicksAtTheEndsOfTravel)
{
    const auto atStart = KnobGeometry::compute (0.0f, 0.0f, 64.0f, 64.0f, 0.0f);
    const auto atEnd = KnobGeometry::compute (0.0f, 0.0f, 64.0f, 64.0f, 1.0f);

    EXPECT_NEAR (atStart.valueAngle, KnobGeometry::startAngle, tolerance);
    EXPECT_NEAR (atEnd.valueAngle, KnobGeometry::endAngle, tolerance);

    const auto startTick = atStart.tickLine (KnobGeometry::startAngle, 3.2f);
    const auto endTick = atEnd.tickLine (KnobGeometry::endAngle, 3.2f);
    EXPECT_LT (atStart.tickLine (atStart.valueAngle, 3.8f).getStart().getDistanceFrom (startTick.getStart()), 1.0e-3f);
    EXPECT_LT (atEnd.tickLine (atEnd.valueAngle, 3.8f).getStart().getDistanceFrom (endTick.getStart()), 1.0e-3f);

    // The travel is a symmetric gap at the bottom: start lower left, end lower right,
    // 26.4 + 2.8 px from the centre.
    EXPECT_NEAR (startTick.getStart().getX() + endTick.getStart().getX(), 64.0f, 1.0e-3f);
    EXPECT_NEAR (startTick.getStart().getY(), endTick.getStart().getY(), 1.0e-3f);
    EXPECT_LT (startTick.getStart().getX(), 32.0f);
    EXPECT_GT (startTick.getStart().getY(), 32.0f);
    EXPECT_NEAR (startTick.getStart().getDistanceFrom ({ 32.0f, 32.0f }), 26.4f, 1.0e-3f);
    EXPECT_NEAR (startTick.getLength(), 3.2f, 1.0e-3f);
}

TEST (KnobLookAndFeel, DimsForDisabledAndBypassedKnobs)
{
    struct Case { bool enabled, parentEnabled, bypassed; float dim; };
    const Case cases[] {
        { true, true, false, 1.0f },
        { false, true, false, 0.45f },
        { true, false, false, 0.45f },  // a disabled parent disables the knob
        { true, true, true, 0.52f },
        { false, true, true, 0.234f },
    };

    for (const auto& c : cases)
    {
        juce::Component parent;
        juce::Slider slider;
        parent.addAndMakeVisible (slider);
        parent.setEnabled (c.parentEnabled);
        slider.setEnabled (c.enabled);
        slider.getProperties().set ("bandBypassed", c.bypassed);

        EXPECT_NEAR (ModernKnobLookAndFeel::dimFactorOf (slider), c.dim, tolerance)
            << "enabled " << c.enabled << ", parent enabled " << c.parentEnabled << ", bypassed " << c.bypassed;
    }

    juce::Slider dialWithoutProperty;
    EXPECT_EQ (ModernKnobLookAndFeel::dimFactorOf (dialWithoutProperty), 1.0f);
}

TEST (KnobLookAndFeel, IgnoresTheSlidersOwnRotaryAngles)
{
    ModernKnobLookAndFeel lookAndFeel;
    juce::Slider standard (juce::Slider::RotaryHorizontalVerticalDrag, juce::Slider::NoTextBox);
    juce::Slider custom (juce::Slider::RotaryHorizontalVerticalDrag, juce::Slider::NoTextBox);
    custom.setRotaryParameters (0.5f, 2.0f, true);

    EXPECT_TRUE (sameImages (drawSlider (standard, lookAndFeel, 64, 64, 0.7f), drawSlider (custom, lookAndFeel, 64, 64, 0.7f)));
    EXPECT_FALSE (sameImages (drawSlider (standard, lookAndFeel, 64, 64, 0.7f), drawSlider (standard, lookAndFeel, 64, 64, 0.2f)));
}

TEST (KnobLookAndFeel, BypassedKnobDrawsFainterThanAnActiveOne)
{
    ModernKnobLookAndFeel lookAndFeel;
    juce::Slider active, bypassed;
    bypassed.getProperties().set ("bandBypassed", true);

    const auto activeImage = drawSlider (active, lookAndFeel, 64, 64, 0.5f);
    const auto bypassedImage = drawSlider (bypassed, lookAndFeel, 64, 64, 0.5f);

    // The start tick sits outside the body, so only its own (dimmed) alpha shows there.
    const auto tick = KnobGeometry::compute (0.0f, 0.0f, 64.0f, 64.0f, 0.5f).tickLine (KnobGeometry::startAngle, 3.2f).getPointAlongLine (1.6f);
    const auto x = juce::roundToInt (tick.getX()), y = juce::roundToInt (tick.getY());
    EXPECT_GT (activeImage.getPixelAt (x, y).getAlpha(), bypassedImage.getPixelAt (x, y).getAlpha());

    // The value arc keeps full strength: a point on it looks the same either way.
    const auto arcPoint = KnobGeometry::compute (0.0f, 0.0f, 64.0f, 64.0f, 0.5f).pointAt (KnobGeometry::startAngle + 0.5f, 23.6f);
    EXPECT_EQ (activeImage.getPixelAt (juce::roundToInt (arcPoint.getX()), juce::roundToInt (arcPoint.getY())),
               bypassedImage.getPixelAt (juce::roundToInt (arcPoint.getX()), juce::roundToInt (arcPoint.getY())));
}

TEST (KnobLookAndFeel, DrawsInBoundsTooSmallForAKnob)
{
    ModernKnobLookAndFeel lookAndFeel;
    juce::Slider slider;

    for (const auto size : { 10, 3, 0 })
        for (const auto position : { 0.0f, 0.5f, 1.0f })
        {
            const auto image = drawSlider (slider, lookAndFeel, size, size, position);
            EXPECT_TRUE (image.isValid());
        }

    // Only the pointer, the centre dot and the ticks remain, and they still show.
    EXPECT_GT (countVisiblePixels (drawSlider (slider, lookAndFeel, 10, 10, 0.5f)), 0);
}
