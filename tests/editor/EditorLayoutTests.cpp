// The window's layout: the header strip, the spectrogram and the control panel, at the default
// size, at the minimum size, and as the live editor applies it.

#include "EditorTestSupport.h"

#include "editor/EditorLayout.h"

using quarmont::computeEditorLayout;
using quarmont::testing::EditorFixture;
using quarmont::testing::findButtonByText;
using quarmont::testing::findChildByTitle;
using Rect = juce::Rectangle<int>;

TEST (EditorLayout, DefaultSizeMatchesTheDesignedRectangles)
{
    const auto layout = computeEditorLayout ({ 0, 0, 1140, 760 });

    struct Case { const char* what; Rect actual, expected; };
    const Case cases[] {
        { "banner", layout.bannerBounds, { 6, 6, 586, 28 } },
        { "preset box", layout.presetBox, { 592, 6, 260, 28 } },
        { "preset menu button", layout.presetMenuButton, { 860, 6, 84, 28 } },
        { "before button", layout.beforeButton, { 954, 6, 86, 28 } },
        { "after button", layout.afterButton, { 1048, 6, 86, 28 } },
        { "spectrogram", layout.spectrogram, { 6, 40, 1128, 458 } },
        { "width label", layout.widthLabel, { 12, 514, 110, 18 } },
        { "width dial", layout.widthDial, { 18, 536, 98, 58 } },
        { "lookahead label", layout.lookaheadLabel, { 12, 638, 110, 18 } },
        { "lookahead dial", layout.lookaheadDial, { 18, 660, 98, 58 } },
        { "gain caption", layout.gainLabel, { 128, 536, 56, 41 } },
        { "upper knee caption", layout.upperKneeLabel, { 128, 577, 56, 41 } },
        { "attack caption", layout.attackLabel, { 128, 618, 56, 41 } },
        { "lower knee caption", layout.lowerKneeLabel, { 128, 659, 56, 41 } },
        { "release caption", layout.releaseLabel, { 128, 700, 56, 41 } },
        { "band 1 button", layout.bands[0].bandButton, { 202, 508, 174, 18 } },
        { "band 1 gain", layout.bands[0].gainKnob, { 214, 532, 67, 55 } },
        { "band 1 upper knee", layout.bands[0].upperKneeKnob, { 296, 570, 67, 55 } },
        { "band 1 attack", layout.bands[0].attackKnob, { 214, 611, 67, 55 } },
        { "band 1 lower knee", layout.bands[0].lowerKneeKnob, { 296, 652, 67, 55 } },
        { "band 1 release", layout.bands[0].releaseKnob, { 214, 690, 67, 55 } },
    };

    for (const auto& c : cases)
        EXPECT_EQ (c.actual, c.expected) << c.what << ": " << c.actual.toString() << " instead of " << c.expected.toString();

    EXPECT_EQ (layout.headerLineY, 38);

    EXPECT_EQ (layout.columnWidth, 182);
    EXPECT_EQ (layout.knobGap, 31);
    EXPECT_EQ (layout.knobWidth, 71);
    EXPECT_EQ (layout.stagger, 10);
    EXPECT_EQ (layout.rowOffset, -7);

    // The columns repeat every 186 px; each keeps the first column's shape.
    for (size_t i = 1; i < 5; ++i)
    {
        EXPECT_EQ (layout.bands[i].bandButton, layout.bands[0].bandButton.translated (186 * (int) i, 0)) << "band " << i + 1;
        EXPECT_EQ (layout.bands[i].releaseKnob, layout.bands[0].releaseKnob.translated (186 * (int) i, 0)) << "band " << i + 1;
    }
}

TEST (EditorLayout, MinimumSizeFallsBackToWiderKnobsPackedCloser)
{
    const auto layout = computeEditorLayout ({ 0, 0, 900, 620 });

    EXPECT_EQ (layout.columnWidth, 134);
    EXPECT_EQ (layout.knobWidth, 63);
    EXPECT_EQ (layout.knobGap, 4);
    EXPECT_EQ (layout.stagger, 1);

    const auto& band1 = layout.bands[0];
    EXPECT_EQ (band1.gainKnob.getWidth(), 59);
    EXPECT_EQ (band1.gainKnob.getHeight(), 55);
    EXPECT_EQ (band1.gainKnob.getX(), band1.bandButton.getX() - 4 + 6 + 1);
    EXPECT_EQ (band1.upperKneeKnob.getX(), band1.bandButton.getX() - 4 + 6 + 63 + 4 - 1);

    // Everything stays inside the window.
    for (const auto& band : layout.bands)
        EXPECT_TRUE (Rect (0, 0, 900, 620).contains (band.knobUnion().getUnion (band.bandButton)));
}

TEST (EditorLayout, TinyBoundsProduceNoNegativeSizes)
{
    for (const auto size : { Rect (0, 0, 0, 0), Rect (0, 0, 40, 30), Rect (0, 0, 300, 200) })
    {
        const auto layout = computeEditorLayout (size);
        const Rect all[] { layout.bannerBounds, layout.presetBox, layout.spectrogram, layout.widthDial, layout.lookaheadDial,
                           layout.gainLabel, layout.bands[4].bandButton, layout.bands[4].gainKnob, layout.bands[4].releaseKnob };

        for (const auto& r : all)
            EXPECT_TRUE (r.getWidth() >= 0 && r.getHeight() >= 0) << size.toString() << " gives " << r.toString();

        EXPECT_EQ (layout.bands[4].gainKnob.getHeight(), 55);
    }
}

using EditorWindow = EditorFixture;

TEST_F (EditorWindow, OpensAtTheDefaultSizeWithTheLayoutApplied)
{
    ASSERT_EQ (editor->getWidth(), 1140);
    ASSERT_EQ (editor->getHeight(), 760);

    const auto layout = computeEditorLayout (editor->getLocalBounds());
    EXPECT_EQ (findChildByTitle (*editor, "Quarmont support page")->getBounds(), layout.bannerBounds);
    EXPECT_EQ (findChildByTitle (*editor, "Preset")->getBounds(), layout.presetBox);
    EXPECT_EQ (findChildByTitle (*editor, "Preset menu")->getBounds(), layout.presetMenuButton);
    EXPECT_EQ (findButtonByText (*editor, "Before")->getBounds(), layout.beforeButton);
    EXPECT_EQ (findButtonByText (*editor, "After")->getBounds(), layout.afterButton);
    EXPECT_EQ (spectrogram().getBounds(), layout.spectrogram);
    EXPECT_EQ (widthDial().getBounds(), layout.widthDial);
    EXPECT_EQ (lookaheadDial().getBounds(), layout.lookaheadDial);

    for (int band = 0; band < 5; ++band)
    {
        const auto& column = layout.bands[(size_t) band];
        EXPECT_EQ (bandButton (band).getBounds(), column.bandButton);
        EXPECT_EQ (knob (band, "Gain").getBounds(), column.gainKnob);
        EXPECT_EQ (knob (band, "Upper Knee").getBounds(), column.upperKneeKnob);
        EXPECT_EQ (knob (band, "Attack").getBounds(), column.attackKnob);
        EXPECT_EQ (knob (band, "Lower Knee").getBounds(), column.lowerKneeKnob);
        EXPECT_EQ (knob (band, "Release").getBounds(), column.releaseKnob);
    }

    editor->setSize (900, 620);
    EXPECT_EQ (knob (2, "Attack").getWidth(), 59);
    EXPECT_EQ (knob (2, "Attack").getBounds(), computeEditorLayout ({ 0, 0, 900, 620 }).bands[2].attackKnob);
}

TEST_F (EditorWindow, ResizeLimitsHold)
{
    EXPECT_TRUE (editor->isResizable());
    ASSERT_NE (editor->getConstrainer(), nullptr);

    struct Case { Rect requested; int width, height; };
    const Case cases[] {
        { { 0, 0, 800, 500 }, 900, 620 },
        { { 0, 0, 3000, 2000 }, 2400, 1600 },
        { { 0, 0, 1500, 900 }, 1500, 900 },
        { { 0, 0, 899, 1601 }, 900, 1600 },
    };

    for (const auto& c : cases)
    {
        editor->setBoundsConstrained (c.requested);
        EXPECT_EQ (editor->getWidth(), c.width) << c.requested.toString();
        EXPECT_EQ (editor->getHeight(), c.height) << c.requested.toString();
    }
}
