#pragma once

#include <array>

#include <juce_graphics/juce_graphics.h>

#include "engine/EngineConstants.h"

namespace quarmont
{
/** Every band column holds one knob per row: gain, upper knee, attack, lower knee, release. */
constexpr int numKnobRows = 5;

/** The five knobs of one band column plus its button. */
struct BandColumnLayout
{
    juce::Rectangle<int> bandButton;
    juce::Rectangle<int> gainKnob, upperKneeKnob, attackKnob, lowerKneeKnob, releaseKnob;

    /** The area a background click must hit (grown by a margin) to select the band. */
    juce::Rectangle<int> knobUnion() const;
};

/** Where every part of the editor window goes for a given window size. */
struct EditorLayout
{
    juce::Rectangle<int> bannerBounds;
    juce::Rectangle<int> presetBox, presetMenuButton, beforeButton, afterButton;
    int headerLineY = 0;

    juce::Rectangle<int> spectrogram;

    juce::Rectangle<int> widthLabel, widthDial, lookaheadLabel, lookaheadDial;

    // Row captions, top to bottom: gain, upper knee, attack, lower knee, release.
    juce::Rectangle<int> gainLabel, upperKneeLabel, attackLabel, lowerKneeLabel, releaseLabel;

    std::array<BandColumnLayout, numBands> bands;

    // The column arithmetic, kept for inspection.
    int rowHeight = 0, columnWidth = 0, knobWidth = 0, knobGap = 0, stagger = 0, rowOffset = 0;
};

/** Integer rectangle slicing of the window: header strip, spectrogram, 250 px control panel. */
EditorLayout computeEditorLayout (juce::Rectangle<int> localBounds);
} // namespace quarmont
