#include "editor/ModernKnobLookAndFeel.h"

namespace quarmont
{
namespace
{
const juce::Colour haloBlue { 0xff59b4ff };

float textWidth (const juce::Font& font, const juce::String& text)
{
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText (font, text, 0.0f, 0.0f);
    return glyphs.getBoundingBox (0, -1, true).getWidth();
}

void drawTick (juce::Graphics& g, const KnobGeometry& knob, float angle, float length, float thickness,
               juce::Colour colour, float dim)
{
    g.setColour (colour.withMultipliedAlpha (dim));
    g.drawLine (knob.tickLine (angle, length), thickness);
}

void drawHalo (juce::Graphics& g, const KnobGeometry& k, bool hot)
{
    // A radial gradient needs a radius; at zero size the halo would be fully transparent anyway.
    if (k.radius <= 0.0f)
        return;

    g.setGradientFill (juce::ColourGradient (haloBlue.withAlpha (hot ? 0.22f : 0.12f), k.centreX, k.centreY - 0.9f * k.radius,
                                             haloBlue.withAlpha (0.0f), k.centreX, k.centreY + k.radius, true));
    const auto size = juce::jmax (k.diameter + 7.0f, 0.0f);
    g.fillEllipse (k.left - 3.5f, k.top - 3.5f, size, size);
}

void drawBody (juce::Graphics& g, const KnobGeometry& k, float dim)
{
    if (k.diameter <= 0.0f)
        return;

    g.setColour (juce::Colours::black.withAlpha (0.25f * dim));
    g.fillEllipse (k.left, k.top + 1.8f, k.diameter, k.diameter);

    juce::ColourGradient body (juce::Colour (0xff2a3b57), k.centreX, k.top, juce::Colour (0xff101a2b), k.centreX, k.top + k.diameter, false);
    body.addColour (0.38, juce::Colour (0xff1a2639));
    g.setGradientFill (body);
    g.fillEllipse (k.knobSquare());

    g.setColour (juce::Colour (0xffd7ecff).withAlpha (0.14f * dim));
    g.drawEllipse (k.knobSquare(), 1.1f);
}

void drawArcs (juce::Graphics& g, const KnobGeometry& k, bool hot, float dim)
{
    if (k.arcRadius <= 0.0f)
        return;

    const juce::PathStrokeType trackStroke (4.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded);

    juce::Path track;
    track.addCentredArc (k.centreX, k.centreY, k.arcRadius, k.arcRadius, 0.0f, KnobGeometry::startAngle, KnobGeometry::endAngle, true);
    g.setColour (juce::Colour (0xff0a1019).withAlpha (0.75f * dim));
    g.strokePath (track, trackStroke);

    juce::Path value;
    value.addCentredArc (k.centreX, k.centreY, k.arcRadius, k.arcRadius, 0.0f, KnobGeometry::startAngle, k.valueAngle, true);
    juce::ColourGradient valueFill (juce::Colour (0xff4ea8ff), k.left, k.top + k.diameter,
                                    juce::Colour (0xff6ef1cf), k.left + k.diameter, k.top, false);
    valueFill.addColour (0.6, juce::Colour (0xff86d7ff));
    g.setGradientFill (valueFill);
    g.strokePath (value, juce::PathStrokeType (hot ? 5.0f : 4.4f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}

void drawCap (juce::Graphics& g, const KnobGeometry& k, bool hot, float dim)
{
    if (k.capDiameter <= 0.0f)
        return;

    const auto cap = k.capSquare();
    juce::ColourGradient fill (juce::Colour (0xff101a2a), k.centreX, cap.getY(), juce::Colour (0xff070b14), k.centreX, cap.getBottom(), false);
    fill.addColour (0.3, juce::Colour (0xff172235));
    g.setGradientFill (fill);
    g.fillEllipse (cap);

    g.setColour (juce::Colours::white.withAlpha ((hot ? 0.16f : 0.08f) * dim));
    g.drawEllipse (cap, 0.9f);
}

void drawKnobPointer (juce::Graphics& g, const KnobGeometry& k, float dim)
{
    const auto length = k.pointerLength;

    juce::Path pointer;
    pointer.addRoundedRectangle (-k.pointerWidth * 0.5f, 1.0f - length, k.pointerWidth, 0.66f * length, k.pointerCorner);

    const auto rotation = juce::AffineTransform::rotation (k.valueAngle);

    g.setColour (juce::Colours::black.withAlpha (0.35f * dim));
    g.fillPath (pointer, rotation.translated (k.centreX + 0.6f, k.centreY + 0.9f));

    // The gradient is defined in the pointer's own frame and travels with it.
    const auto placement = rotation.translated (k.centreX, k.centreY);
    const auto tip = juce::Point<float> (0.0f, -length).transformedBy (placement);
    const auto pivot = juce::Point<float> (0.0f, 0.0f).transformedBy (placement);
    g.setGradientFill (juce::ColourGradient (juce::Colour (0xfffff1cd), tip, juce::Colour (0xffffbf68), pivot, false));
    g.fillPath (pointer, placement);
}

void drawCentreDot (juce::Graphics& g, const KnobGeometry& k, float dim)
{
    const auto rc = k.centreDotRadius;
    g.setGradientFill (juce::ColourGradient (juce::Colour (0xffd8ecff).withAlpha (0.85f * dim), k.centreX, k.centreY - rc,
                                             juce::Colour (0xff7b95b8).withAlpha (0.8f * dim), k.centreX, k.centreY + rc, false));
    g.fillEllipse (k.centreX - rc, k.centreY - rc, 2.0f * rc, 2.0f * rc);

    g.setColour (juce::Colours::black.withAlpha (0.25f * dim));
    g.drawEllipse (k.centreX - rc, k.centreY - rc, 2.0f * rc, 2.0f * rc, 0.8f);
}
} // namespace

juce::Font ModernKnobLookAndFeel::fontFittingWidth (const juce::Font& base, const juce::String& text, float availableWidth,
                                                    float labelSqueeze)
{
    // The label squeezes text horizontally by itself, as far as labelSqueeze, and cuts it off with
    // an ellipsis beyond that. Then a slightly smaller font, squeezed by at most 20 %, reads better
    // than cut-off digits.
    constexpr float acceptedSqueeze = 0.8f;
    constexpr float smallestHeight = 9.0f;

    if (text.isEmpty() || availableWidth <= 0.0f || textWidth (base, text) * labelSqueeze <= availableWidth)
        return base;

    for (auto height = base.getHeight(); height > smallestHeight; height -= 0.5f)
    {
        const auto font = base.withHeight (height);

        if (textWidth (font, text) * acceptedSqueeze <= availableWidth)
            return font;
    }

    return base.withHeight (juce::jmin (base.getHeight(), smallestHeight));
}

juce::Font ModernKnobLookAndFeel::getLabelFont (juce::Label& label)
{
    const auto font = LookAndFeel_V4::getLabelFont (label);

    if (dynamic_cast<juce::Slider*> (label.getParentComponent()) == nullptr || label.isBeingEdited())
        return font;

    const auto textArea = getLabelBorderSize (label).subtractedFrom (label.getLocalBounds());
    // A minimum scale of 0 means the framework's default squeeze.
    const auto squeeze = label.getMinimumHorizontalScale() > 0.0f ? label.getMinimumHorizontalScale()
                                                                  : juce::Font::getDefaultMinimumHorizontalScaleFactor();
    return fontFittingWidth (font, label.getText(), (float) textArea.getWidth(), squeeze);
}

ModernKnobLookAndFeel::~ModernKnobLookAndFeel() = default;

float ModernKnobLookAndFeel::dimFactorOf (const juce::Slider& slider)
{
    const auto bypassed = (bool) slider.getProperties().getWithDefault ("bandBypassed", false);
    return (slider.isEnabled() ? 1.0f : 0.45f) * (bypassed ? 0.52f : 1.0f);
}

bool ModernKnobLookAndFeel::isHot (const juce::Slider& slider)
{
    return slider.isMouseOverOrDragging() || slider.isMouseButtonDown();
}

void ModernKnobLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                              float, float, juce::Slider& slider)
{
    drawKnob (g, KnobGeometry::compute ((float) x, (float) y, (float) width, (float) height, sliderPos),
              isHot (slider), dimFactorOf (slider));
}

void ModernKnobLookAndFeel::drawKnob (juce::Graphics& g, const KnobGeometry& knob, bool hot, float dim)
{
    drawHalo (g, knob, hot);
    drawBody (g, knob, dim);
    drawArcs (g, knob, hot, dim);
    drawCap (g, knob, hot, dim);
    drawKnobPointer (g, knob, dim);
    drawCentreDot (g, knob, dim);

    const auto faintWhite = juce::Colours::white.withAlpha (0.18f);
    drawTick (g, knob, KnobGeometry::startAngle, 3.2f, 1.0f, faintWhite, dim);
    drawTick (g, knob, KnobGeometry::endAngle, 3.2f, 1.0f, faintWhite, dim);
    drawTick (g, knob, knob.valueAngle, hot ? 4.4f : 3.8f, hot ? 1.6f : 1.35f, juce::Colour (0xffbdf2ff), dim);
}
} // namespace quarmont
