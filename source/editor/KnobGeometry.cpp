#include "editor/KnobGeometry.h"

#include <cmath>

namespace quarmont
{
KnobGeometry KnobGeometry::compute (float x, float y, float width, float height, float sliderPos) noexcept
{
    KnobGeometry k;

    // The knob keeps 5 px clear on every side for the halo, the ticks and the hover stroke.
    const auto usableWidth = juce::jmax (width - 10.0f, 0.0f);
    const auto usableHeight = juce::jmax (height - 10.0f, 0.0f);

    k.diameter = juce::jmin (usableWidth, usableHeight);
    k.radius = k.diameter * 0.5f;
    k.left = x + 5.0f + usableWidth * 0.5f - k.radius;
    k.top = y + 5.0f + usableHeight * 0.5f - k.radius;
    k.centreX = k.left + k.radius;
    k.centreY = k.top + k.radius;
    k.valueAngle = startAngle + sliderPos * sweepAngle;
    k.arcRadius = k.radius - 3.4f;

    // Minimums keep the pointer, cap and dot legible on the smallest knobs.
    k.pointerLength = juce::jmax (k.radius - 14.5f, 8.0f);
    k.pointerWidth = juce::jmax (0.045f * k.diameter, 3.0f);
    k.pointerCorner = juce::jmax (0.45f * k.pointerWidth, 1.0f);
    k.capInset = juce::jmax (0.16f * k.diameter, 7.0f);
    k.capDiameter = juce::jmax (k.diameter - 2.0f * k.capInset, 0.0f);
    k.centreDotRadius = juce::jmax (0.12f * k.radius, 3.6f);

    return k;
}

juce::Point<float> KnobGeometry::pointAt (float angle, float distanceFromCentre) const noexcept
{
    return { centreX + distanceFromCentre * std::sin (angle), centreY - distanceFromCentre * std::cos (angle) };
}

juce::Line<float> KnobGeometry::tickLine (float angle, float length) const noexcept
{
    const auto inner = arcRadius + tickGap;
    return { pointAt (angle, inner), pointAt (angle, inner + length) };
}
} // namespace quarmont
