#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "editor/KnobGeometry.h"

namespace quarmont
{
/** Draws every rotary control of the window: a dark round knob with a soft halo, a blue-to-teal
    value arc, an amber pointer and three ticks. A knob of a bypassed band (its "bandBypassed"
    property) or a disabled knob is dimmed; a knob under the mouse is brightened. Everything
    other than the rotary itself keeps the dark default look. */
class ModernKnobLookAndFeel : public juce::LookAndFeel_V4
{
public:
    ModernKnobLookAndFeel() = default;
    ~ModernKnobLookAndFeel() override;

    void drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider& slider) override;

    /** A slider's value box takes a smaller font when its text would not fit otherwise (for
        example "2000.0 ms" in a band knob's box), so that the whole value stays readable. Other
        labels keep their font. */
    juce::Font getLabelFont (juce::Label& label) override;

    /** The font for a text in a box of the given width: the base font while the text fits with
        the label's own squeeze (labelSqueeze, the smallest horizontal scale it allows), else the
        largest smaller one (down to 9 px) whose text fits when squeezed by at most 20 %. */
    static juce::Font fontFittingWidth (const juce::Font& base, const juce::String& text, float availableWidth, float labelSqueeze);

    /** How strongly the dimmable parts are drawn: 1 normally, less when disabled or bypassed. */
    static float dimFactorOf (const juce::Slider& slider);

    /** True while the mouse hovers, drags or presses the knob. */
    static bool isHot (const juce::Slider& slider);

    /** The whole knob drawing, separated from the slider so a state can be drawn directly. */
    static void drawKnob (juce::Graphics& g, const KnobGeometry& knob, bool hot, float dim);
};
} // namespace quarmont
