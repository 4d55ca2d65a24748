// Band selection (knob drags and background clicks) and the Before/After view switch.

#include "EditorTestSupport.h"

#include "editor/EditorLayout.h"

using namespace quarmont::testing;

using EditorInteraction = EditorFixture;

TEST_F (EditorInteraction, DraggingAnyKnobSelectsItsBandBeforeTheValueChanges)
{
    auto& quarmontEditor = require (dynamic_cast<QuarmontAudioProcessorEditor*> (editor.get()));
    EXPECT_EQ (spectrogram().getSelectedBand(), 0);

    for (int band : { 2, 4, 1 })
        for (const auto& row : knobRows())
        {
            quarmontEditor.selectBand ((band + 1) % 5);
            auto& k = knob (band, row.name);
            const auto id = quarmont::bandParameterId (band + 1, row.parameter);
            ParameterEventRecorder recorder (parameter (id));
            int selectedWhenValueChanged = -1;
            recorder.onValueChanged = [&] { if (selectedWhenValueChanged < 0) selectedWhenValueChanged = spectrogram().getSelectedBand(); };

            const auto start = k.getLocalBounds().getCentre().toFloat();
            const auto valueBefore = k.getValue();
            k.mouseDown (mouseEventAt (k, start));
            k.mouseDrag (mouseEventAt (k, start.translated (0.0f, -40.0f)));
            k.mouseUp (mouseEventAt (k, start.translated (0.0f, -40.0f)));

            EXPECT_NE (k.getValue(), valueBefore) << id << ": the drag moved the knob";
            EXPECT_EQ (selectedWhenValueChanged, band) << id;
            EXPECT_EQ (recorder.events.front(), "begin") << id;
            EXPECT_EQ (recorder.events.back(), "end") << id;
        }

    EXPECT_EQ (spectrogram().getSelectedBand(), 1);
}

TEST_F (EditorInteraction, BackgroundClickNearABandsKnobsSelectsIt)
{
    const auto layout = quarmont::computeEditorLayout (editor->getLocalBounds());
    const auto band3 = layout.bands[2].knobUnion();
    const auto band5 = layout.bands[4].knobUnion();
    const auto gainCentreY = layout.bands[2].gainKnob.getCentreY();

    struct Case { const char* where; juce::Point<int> position; int selectedAfter; };
    const Case cases[] {
        { "6 px left of band 3's gain knob", { band3.getX() - 6, gainCentreY }, 2 },
        { "7 px left of band 3's gain knob", { band3.getX() - 7, gainCentreY }, 0 },
        { "5 px below band 5's release knob", { band5.getCentreX(), band5.getBottom() + 5 }, 4 },
        { "6 px below band 5's release knob", { band5.getCentreX(), band5.getBottom() + 6 }, 0 },
        { "in the header", { 300, 20 }, 0 },
    };

    auto& quarmontEditor = require (dynamic_cast<QuarmontAudioProcessorEditor*> (editor.get()));

    for (const auto& c : cases)
    {
        quarmontEditor.selectBand (0);
        editor->mouseDown (mouseEventAt (*editor, c.position.toFloat()));
        EXPECT_EQ (spectrogram().getSelectedBand(), c.selectedAfter) << c.where;
    }

    // A press that started on a child (here a band button) is not a background click.
    auto& button = bandButton (2);
    editor->mouseDown (mouseEventAt (*editor, { (float) band3.getX() - 2.0f, (float) gainCentreY },
                                     juce::ModifierKeys::leftButtonModifier, 1, &button));
    EXPECT_EQ (spectrogram().getSelectedBand(), 0);
}

TEST_F (EditorInteraction, BeforeAndAfterFormARadioPairThatSetsTheView)
{
    auto& before = require (findButtonByText (*editor, "Before"));
    auto& after = require (findButtonByText (*editor, "After"));

    EXPECT_TRUE (before.getToggleState());
    EXPECT_FALSE (after.getToggleState());
    EXPECT_FALSE (spectrogram().isShowingAfterGain());

    struct Step { juce::TextButton* pressed; bool afterLit; };
    const Step steps[] { { &after, true }, { &before, false }, { &before, false }, { &after, true }, { &after, true } };

    for (const auto& step : steps)
    {
        click (*step.pressed);
        EXPECT_EQ (after.getToggleState(), step.afterLit) << step.pressed->getButtonText();
        EXPECT_EQ (before.getToggleState(), ! step.afterLit) << step.pressed->getButtonText();
        EXPECT_EQ (spectrogram().isShowingAfterGain(), step.afterLit) << step.pressed->getButtonText();
    }
}
