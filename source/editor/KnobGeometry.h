#pragma once

#include <juce_graphics/juce_graphics.h>

namespace quarmont
{
/** Where the parts of a rotary knob go inside the bounds the slider hands to its look and feel.
    Angles are radians clockwise from 12 o'clock; every knob sweeps the same fixed 280.8 degrees,
    whatever rotary parameters the slider carries, so all knobs of the window read alike. */
struct KnobGeometry
{
    static constexpr float startAngle = 3.8327432f;             // 219.6 degrees
    static constexpr float endAngle = 8.733627f;                // 500.4 degrees
    static constexpr float sweepAngle = endAngle - startAngle;   // 280.8 degrees
    static constexpr float tickGap = 2.8f;                       // ticks start this far outside the arc

    float diameter = 0.0f;
    float radius = 0.0f;
    float left = 0.0f, top = 0.0f;          // top-left of the diameter x diameter square
    float centreX = 0.0f, centreY = 0.0f;
    float valueAngle = startAngle;
    float arcRadius = 0.0f;
    float pointerLength = 0.0f;             // the pointer runs from 1 - length to 1 - 0.34 length above the centre
    float pointerWidth = 0.0f;
    float pointerCorner = 0.0f;
    float capInset = 0.0f;
    float capDiameter = 0.0f;
    float centreDotRadius = 0.0f;

    /** sliderPos is the slider's proportional position 0..1. */
    static KnobGeometry compute (float x, float y, float width, float height, float sliderPos) noexcept;

    juce::Point<float> pointAt (float angle, float distanceFromCentre) const noexcept;

    /** A tick mark: a radial line starting just outside the arc, `length` long. */
    juce::Line<float> tickLine (float angle, float length) const noexcept;

    juce::Rectangle<float> knobSquare() const noexcept { return { left, top, diameter, diameter }; }
    juce::Rectangle<float> capSquare() const noexcept { return { left + capInset, top + capInset, capDiameter, capDiameter }; }
};
} // namespace quarmont
