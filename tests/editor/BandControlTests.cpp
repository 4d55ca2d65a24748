// The band buttons (bypass), the knob bindings and texts, and the two dials of the left column.

#include "EditorTestSupport.h"

#include "editor/EditorLayout.h"

using namespace quarmont::testing;

using BandControls = EditorFixture;

namespace
{
/** Red minus green summed over the two pixel columns a 1 px outline at x covers, at height y. */
int redOverGreen (const juce::Image& image, int x, int y)
{
    int difference = 0;

    for (const auto px : { x - 1, x })
    {
        const auto colour = image.getPixelAt (px, y);
        difference += (int) colour.getRed() - (int) colour.getGreen();
    }

    return difference;
}
} // namespace

TEST_F (BandControls, BandButtonSwitchesBypassInOneGestureAndBack)
{
    const int band = 2;
    auto& button = bandButton (band);
    auto& bypass = parameter ("band3_bypass");

    EXPECT_EQ (button.getButtonText(), "Band3");
    EXPECT_TRUE (button.getToggleState()) << "an active band's button is lit";

    struct Step { bool bypassedAfter; std::vector<std::string> events; };
    const Step steps[] {
        { true, { "begin", "value 1.00", "end" } },
        { false, { "begin", "value 0.00", "end" } },
    };

    for (const auto& step : steps)
    {
        ParameterEventRecorder recorder (bypass);
        click (button);

        EXPECT_EQ (recorder.events, step.events);
        EXPECT_EQ (rawValue ("band3_bypass"), step.bypassedAfter ? 1.0f : 0.0f);
        EXPECT_EQ (button.getToggleState(), ! step.bypassedAfter);

        for (const auto& row : knobRows())
        {
            auto& k = knob (band, row.name);
            EXPECT_NEAR (k.getAlpha(), step.bypassedAfter ? 0.62f : 1.0f, 1.0 / 255.0) << row.name;
            EXPECT_EQ ((bool) k.getProperties()["bandBypassed"], step.bypassedAfter) << row.name;
        }

        // The neighbours stay as they were.
        EXPECT_NEAR (knob (band - 1, "Gain").getAlpha(), 1.0f, 1.0 / 255.0);
        EXPECT_TRUE (bandButton (band + 1).getToggleState());
    }
}

TEST_F (BandControls, HostSideBypassShowsAtTheNextRepaint)
{
    const int band = 1;
    const auto layout = quarmont::computeEditorLayout (editor->getLocalBounds());
    const auto& column = layout.bands[(size_t) band];
    const auto panelArea = column.knobUnion().getUnion (column.bandButton);
    const auto outlineX = panelArea.getX() - 5;
    const auto outlineY = panelArea.getCentreY();

    const auto activeImage = renderSnapshot (*editor);
    EXPECT_LT (redOverGreen (activeImage, outlineX, outlineY), 0) << "band 2's outline is in its green";

    // The host writes the parameter; the editor has no listener and learns of it when painting.
    parameter ("band2_bypass").setValueNotifyingHost (1.0f);
    const auto bypassedImage = renderSnapshot (*editor);

    EXPECT_GT (redOverGreen (bypassedImage, outlineX, outlineY), 0) << "the outline turns red (0xfff15b6b)";
    EXPECT_FALSE (bandButton (band).getToggleState());

    for (const auto& row : knobRows())
    {
        EXPECT_NEAR (knob (band, row.name).getAlpha(), 0.62f, 1.0 / 255.0) << row.name;
        EXPECT_TRUE ((bool) knob (band, row.name).getProperties()["bandBypassed"]) << row.name;
    }

    parameter ("band2_bypass").setValueNotifyingHost (0.0f);
    const auto restoredImage = renderSnapshot (*editor);
    EXPECT_LT (redOverGreen (restoredImage, outlineX, outlineY), 0);
    EXPECT_TRUE (bandButton (band).getToggleState());
    EXPECT_NEAR (knob (band, "Release").getAlpha(), 1.0f, 1.0 / 255.0);
}

TEST_F (BandControls, HostSideBypassReachesTheButtonAndKnobsWithinAFewTicks)
{
    // Nothing paints the window here: only the display's tick can notice what the host did.
    const int band = 3;
    ASSERT_TRUE (bandButton (band).getToggleState());

    for (const auto bypassed : { true, false })
    {
        parameter ("band4_bypass").setValueNotifyingHost (bypassed ? 1.0f : 0.0f);
        EXPECT_TRUE (runMessagesUntil ([&] { return bandButton (band).getToggleState() == ! bypassed; })) << "bypassed " << bypassed;

        for (const auto& row : knobRows())
        {
            EXPECT_NEAR (knob (band, row.name).getAlpha(), bypassed ? 0.62f : 1.0f, 1.0 / 255.0) << row.name;
            EXPECT_EQ ((bool) knob (band, row.name).getProperties()["bandBypassed"], bypassed) << row.name;
        }
    }
}

TEST_F (BandControls, KnobsAreBoundToTheirBandsParameters)
{
    struct Case { const char* knobName; quarmont::BandParameter parameter; double value; const char* text; };
    const Case cases[] {
        { "Gain", quarmont::gainParam, -12.5, "-12.5 dB" },
        { "Upper Knee", quarmont::upperKneeParam, 6.0, "6.0 dB" },
        { "Attack", quarmont::attackParam, 120.0, "120.0 ms" },
        { "Lower Knee", quarmont::lowerKneeParam, 3.2, "3.2 dB" },
        { "Release", quarmont::releaseParam, 900.0, "900.0 ms" },
    };

    for (int band = 0; band < 5; ++band)
        for (const auto& c : cases)
        {
            const auto id = quarmont::bandParameterId (band + 1, c.parameter);
            auto& k = knob (band, c.knobName);
            k.setValue (c.value, juce::sendNotificationSync);
            EXPECT_NEAR (rawValue (id), c.value, 1.0e-4) << id;
            EXPECT_EQ (shownText (k), c.text) << id;
        }

    // Host automation reaches the knob.
    parameter ("band4_gain").setValueNotifyingHost (parameter ("band4_gain").convertTo0to1 (6.0f));
    ASSERT_TRUE (deliverPendingMessages());
    EXPECT_NEAR (knob (3, "Gain").getValue(), 6.0, 1.0e-4);
}

TEST_F (BandControls, GainTextAndDoubleClickReturnToTheDefault)
{
    auto& gain = knob (0, "Gain");
    EXPECT_EQ (shownText (gain), "0.0 dB");
    EXPECT_EQ (gain.getMinimum(), -60.0);
    EXPECT_EQ (gain.getMaximum(), 24.0);

    gain.setValue (-20.0, juce::sendNotificationSync);
    EXPECT_EQ (shownText (gain), "-20.0 dB");

    gain.mouseDoubleClick (mouseEventAt (gain, gain.getLocalBounds().getCentre().toFloat()));
    EXPECT_EQ (gain.getValue(), 0.0);
    EXPECT_EQ (rawValue ("band1_gain"), 0.0f);
    EXPECT_EQ (shownText (gain), "0.0 dB");
}

TEST_F (BandControls, WidthDialDrivesTheSpectrogramZoomAndResetsToFour)
{
    auto& width = widthDial();
    EXPECT_EQ (shownText (width), "4.00 x");
    EXPECT_EQ (spectrogram().getTimeZoom(), 4.0f);
    EXPECT_NEAR (width.valueToProportionOfLength (8.0), 0.5, 1.0e-9) << "8 sits at mid-travel";

    // Double-click and Alt-click both return to 4.
    struct Reset { const char* how; juce::ModifierKeys mods; int clicks; };
    for (const auto& reset : { Reset { "double-click", juce::ModifierKeys::leftButtonModifier, 2 },
                               Reset { "alt-click", juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier | juce::ModifierKeys::altModifier), 1 } })
    {
        width.setValue (12.5, juce::sendNotificationSync);
        EXPECT_EQ (spectrogram().getTimeZoom(), 12.5f);
        EXPECT_EQ (shownText (width), "12.50 x");

        const auto event = mouseEventAt (width, width.getLocalBounds().getCentre().toFloat(), reset.mods, reset.clicks);

        if (reset.clicks == 2)
            width.mouseDoubleClick (event);
        else
            width.mouseDown (event);

        EXPECT_EQ (width.getValue(), 4.0) << reset.how;
        EXPECT_EQ (spectrogram().getTimeZoom(), 4.0f) << reset.how;
        EXPECT_EQ (shownText (width), "4.00 x") << reset.how;
    }
}

TEST_F (BandControls, LookaheadDialDrivesTheSelectedBandsLookahead)
{
    auto& dial = lookaheadDial();
    EXPECT_EQ (dial.getTitle(), "Band 1 Lookahead");
    EXPECT_EQ (dial.getMinimum(), 0.0);
    EXPECT_EQ (dial.getMaximum(), 20.0);
    EXPECT_EQ (shownText (dial), "10.0 ms");

    dial.setValue (4.0, juce::sendNotificationSync);
    EXPECT_NEAR (rawValue ("band1_lookaheadMs"), 4.0f, 1.0e-4f);

    auto* quarmontEditor = dynamic_cast<QuarmontAudioProcessorEditor*> (editor.get());
    ASSERT_NE (quarmontEditor, nullptr);
    quarmontEditor->selectBand (3);

    // Now bound to band 4: it shows that band's value and writes only that band.
    EXPECT_EQ (dial.getTitle(), "Band 4 Lookahead");
    EXPECT_EQ (dial.getValue(), 10.0);
    dial.setValue (17.5, juce::sendNotificationSync);
    EXPECT_NEAR (rawValue ("band4_lookaheadMs"), 17.5f, 1.0e-4f);
    EXPECT_NEAR (rawValue ("band1_lookaheadMs"), 4.0f, 1.0e-4f);

    dial.mouseDoubleClick (mouseEventAt (dial, dial.getLocalBounds().getCentre().toFloat()));
    EXPECT_NEAR (rawValue ("band4_lookaheadMs"), 10.0f, 1.0e-4f);

    quarmontEditor->selectBand (0);
    EXPECT_NEAR (dial.getValue(), 4.0, 1.0e-4);
}

TEST_F (BandControls, EveryControlHasAnAccessibleTitle)
{
    for (int band = 0; band < 5; ++band)
    {
        EXPECT_NO_THROW (bandButton (band));

        for (const auto& row : knobRows())
            EXPECT_NO_THROW (knob (band, row.name)) << "band " << band + 1 << " " << row.name;
    }

    for (auto* child : editor->getChildren())
        if (dynamic_cast<juce::Button*> (child) != nullptr || dynamic_cast<juce::Slider*> (child) != nullptr
            || dynamic_cast<juce::ComboBox*> (child) != nullptr)
        {
            EXPECT_TRUE (child->getTitle().isNotEmpty()) << child->getName();
        }
}

TEST_F (BandControls, LongKnobValuesAreShownWholeInTheirTextBox)
{
    /** What the text box draws: its text laid out as the label lays it out, ellipsis included. */
    const auto drawnText = [] (juce::Label& box, const juce::Font& font)
    {
        auto& lookAndFeel = box.getLookAndFeel();
        const auto area = lookAndFeel.getLabelBorderSize (box).subtractedFrom (box.getLocalBounds());
        juce::GlyphArrangement glyphs;
        glyphs.addFittedText (font, box.getText(), (float) area.getX(), (float) area.getY(), (float) area.getWidth(),
                              (float) area.getHeight(), box.getJustificationType(),
                              juce::jmax (1, (int) ((float) area.getHeight() / font.getHeight())), box.getMinimumHorizontalScale());
        juce::String text;

        for (int i = 0; i < glyphs.getNumGlyphs(); ++i)
            text += juce::String::charToString (glyphs.getGlyph (i).getCharacter());

        return text.removeCharacters (" ");
    };

    for (const auto& [value, text] : { std::pair<double, const char*> { 2500.0, "2500.0 ms" }, { 2000.0, "2000.0 ms" },
                                       { 1000.0, "1000.0 ms" }, { 250.0, "250.0 ms" } })
    {
        auto& release = knob (4, "Release");
        release.setValue (value, juce::sendNotificationSync);
        // The value-to-text conversion, which hosts see too, stays as it is.
        ASSERT_EQ (shownText (release), text);

        auto& box = require (findChild<juce::Label> (release, [] (juce::Label&) { return true; }));
        const auto font = box.getLookAndFeel().getLabelFont (box);
        EXPECT_EQ (drawnText (box, font), juce::String (text).removeCharacters (" ")) << text;
        EXPECT_GE (font.getHeight(), 10.0f) << text;

        // Short values keep the box's own font; long ones would not fit in it.
        if (value < 1000.0)
            EXPECT_FLOAT_EQ (font.getHeight(), box.getFont().getHeight());
        else
            EXPECT_NE (drawnText (box, box.getFont()), juce::String (text).removeCharacters (" ")) << text;
    }
}
