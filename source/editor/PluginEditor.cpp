#include "editor/PluginEditor.h"

#include "compat/JuceCompat.h"
#include "editor/BandColour.h"
#include "editor/BannerImage.h"
#include "editor/EditorLayout.h"
#include "editor/ModernKnobLookAndFeel.h"
#include "editor/ParameterIdSearch.h"
#include "editor/SupportPage.h"
#include "engine/EngineConstants.h"
#include "processor/ParameterLayout.h"
#include "processor/PluginProcessor.h"
#include "update/FeedAddress.h"
#include "update/UpdateBadge.h"
#include "update/UpdateCheck.h"

namespace
{
// One instance for all rotary controls of every open window; it outlives them all. Made on first
// use: built while the module loads, it could come before JUCE's colour constants, which the
// look and feel's base classes read.
quarmont::ModernKnobLookAndFeel& knobLookAndFeel()
{
    static quarmont::ModernKnobLookAndFeel instance;
    return instance;
}

using quarmont::numBands;

constexpr float bypassedKnobAlpha = 0.62f;
constexpr int viewRadioGroup = 2001;

juce::String bandTitle (int band, const juce::String& what)
{
    return "Band " + juce::String (band + 1) + " " + what;
}

void setKnobColours (juce::Slider& slider)
{
    slider.setColour (juce::Slider::rotarySliderFillColourId, juce::Colour (0xff63b7ff));
    slider.setColour (juce::Slider::thumbColourId, juce::Colour (0xffffe5b1));
    slider.setColour (juce::Slider::textBoxTextColourId, juce::Colours::white);
    slider.setColour (juce::Slider::textBoxOutlineColourId, juce::Colours::transparentBlack);
}

void setUpDial (juce::Slider& dial)
{
    dial.setLookAndFeel (&knobLookAndFeel());
    dial.setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
    dial.setTextBoxStyle (juce::Slider::TextBoxBelow, false, 72, 18);
    setKnobColours (dial);
}
} // namespace

QuarmontAudioProcessorEditor::QuarmontAudioProcessorEditor (QuarmontAudioProcessor& owningProcessor)
    : AudioProcessorEditor (owningProcessor), audioProcessor (owningProcessor),
      presetBar (owningProcessor, *this, presetBox, presetMenuButton)
{
    bannerImage = quarmont::loadBannerImage();

    bannerClickTarget = std::make_unique<quarmont::BannerClickTarget>();
    bannerClickTarget->setInterceptsMouseClicks (true, true);
    bannerClickTarget->setOpaque (false);
    bannerClickTarget->setMouseCursor (juce::MouseCursor::PointingHandCursor);
    bannerClickTarget->onClick = [] { quarmont::openSupportPage(); };
    bannerClickTarget->setTitle ("Quarmont support page");
    addAndMakeVisible (*bannerClickTarget);

    spectrogram = std::make_unique<quarmont::SpectrogramComponent> (audioProcessor);
    // The spectrogram is owned by this editor and dies with it, so the raw pointer stays valid.
    auto* display = spectrogram.get();
    onTimeZoomChanged = [display] (float zoom) { display->setTimeZoom (zoom); };
    onViewModeChanged = [display] (bool showAfter) { display->setShowAfterGain (showAfter); };
    onSelectedBandChanged = [display] (int band) { display->setSelectedBand (band); };
    // The spectrogram is opaque and the window repaints only what changes, so a bypass switched
    // by the host or by automation reaches the band's button, knobs and panel through the
    // display's tick, which watches the band parameters anyway.
    display->onBandBypassChanged = [this]
    {
        refreshBypassState();
        repaint();
    };
    addAndMakeVisible (*spectrogram);

    configureWidthDial();
    configureLookaheadDial();

    const auto captionAlpha = 0.82f;
    configureCaption (gainLabel, "Gain", juce::Justification::centredLeft, captionAlpha);
    configureCaption (attackLabel, "Attack", juce::Justification::centredLeft, captionAlpha);
    configureCaption (releaseLabel, "Release", juce::Justification::centredLeft, captionAlpha);
    configureCaption (lookaheadLabel, "Lookahead", juce::Justification::centred, captionAlpha);
    configureCaption (upperKneeLabel, "Upper Knee", juce::Justification::centredLeft, captionAlpha);
    configureCaption (lowerKneeLabel, "Lower Knee", juce::Justification::centredLeft, captionAlpha);

    configureViewButton (beforeButton, "Show spectrum before gain");
    configureViewButton (afterButton, "Show spectrum after gain");
    addAndMakeVisible (beforeButton);
    addAndMakeVisible (afterButton);

    presetBar.setUp();

    for (int band = 0; band < numBands; ++band)
        createBandControls (band);

    attachBandKnobs();
    refreshBypassState();

    beforeButton.onClick = [this] { if (onViewModeChanged) onViewModeChanged (false); };
    afterButton.onClick = [this] { if (onViewModeChanged) onViewModeChanged (true); };
    beforeButton.setToggleState (true, juce::dontSendNotification);
    afterButton.setToggleState (false, juce::dontSendNotification);

    if (onViewModeChanged)
        onViewModeChanged (false);

    selectBand (0);

    updateAvailable = false;
    checkForUpdatesAsync();

    // Last, so that the first resized() finds every child in place.
    setResizable (true, true);
    setResizeLimits (900, 620, 2400, 1600);
    setSize (1140, 760);
}

QuarmontAudioProcessorEditor::~QuarmontAudioProcessorEditor()
{
    widthDial.setLookAndFeel (nullptr);
    lookaheadDial.setLookAndFeel (nullptr);

    for (int band = 0; band < numBands; ++band)
        for (auto* knob : bandKnobsInRowOrder (band))
            knob->setLookAndFeel (nullptr);
}

//==============================================================================
void QuarmontAudioProcessorEditor::configureCaption (juce::Label& label, const juce::String& text,
                                                     juce::Justification justification, float textAlpha)
{
    addAndMakeVisible (label);
    label.setText (text, juce::dontSendNotification);
    label.setJustificationType (justification);
    label.setColour (juce::Label::textColourId, juce::Colours::white.withAlpha (textAlpha));
}

void QuarmontAudioProcessorEditor::configureViewButton (juce::TextButton& button, const juce::String& accessibleTitle)
{
    button.setClickingTogglesState (true);
    button.setRadioGroupId (viewRadioGroup);
    button.setColour (juce::TextButton::buttonColourId, juce::Colour (0xff1d2a43));
    button.setColour (juce::TextButton::buttonOnColourId, juce::Colour (0xff4ea8ff));
    button.setColour (juce::TextButton::textColourOffId, juce::Colours::white.withAlpha (0.82f));
    button.setColour (juce::TextButton::textColourOnId, juce::Colours::white);
    button.setTitle (accessibleTitle);
}

void QuarmontAudioProcessorEditor::configureWidthDial()
{
    addAndMakeVisible (widthDial);
    setUpDial (widthDial);
    widthDial.setTitle ("Spectrogram width");
    widthDial.setRange (4.0, 20.0, 0.01);
    widthDial.setSkewFactorFromMidPoint (8.0);
    widthDial.setTextValueSuffix (" x");
    widthDial.setDoubleClickReturnValue (true, 4.0, juce::ModifierKeys::altModifier);

    widthDial.onValueChange = [this]
    {
        if (onTimeZoomChanged)
            onTimeZoomChanged ((float) widthDial.getValue());
    };

    widthDial.setValue (4.0, juce::dontSendNotification);

    if (onTimeZoomChanged)
        onTimeZoomChanged ((float) widthDial.getValue());

    addAndMakeVisible (widthLabel);
    widthLabel.setText ("Width", juce::dontSendNotification);
    widthLabel.setJustificationType (juce::Justification::centred);
    widthLabel.setColour (juce::Label::textColourId, juce::Colours::white.withAlpha (0.85f));
}

void QuarmontAudioProcessorEditor::configureLookaheadDial()
{
    addAndMakeVisible (lookaheadDial);
    setUpDial (lookaheadDial);
    lookaheadDial.setRange (0.0, 30.0, 0.1);
    lookaheadDial.setSkewFactorFromMidPoint (10.0);
    lookaheadDial.setTextValueSuffix (" ms");
    lookaheadDial.setDoubleClickReturnValue (true, 10.0, juce::ModifierKeys::altModifier);

    const auto globalId = quarmont::findLookaheadParameterId (audioProcessor.apvts);

    if (globalId.isNotEmpty())
    {
        bindLookaheadDial (globalId, "Lookahead");
        return;
    }

    // Lookahead is a per-band parameter here; a dial that turned nothing would read as broken,
    // so it drives the selected band's lookahead and follows the selection.
    lookaheadFollowsSelectedBand = true;
    bindLookaheadDialToSelectedBand();
}

void QuarmontAudioProcessorEditor::bindLookaheadDial (const juce::String& parameterId, const juce::String& accessibleTitle)
{
    lookaheadDial.setTitle (accessibleTitle);

    if (parameterId == lookaheadParameterId && lookaheadAttachment != nullptr)
        return;

    lookaheadAttachment.reset();
    lookaheadParameterId = parameterId;

    if (audioProcessor.apvts.getParameter (parameterId) != nullptr)
        lookaheadAttachment = std::make_unique<SliderAttachment> (audioProcessor.apvts, parameterId, lookaheadDial);
}

void QuarmontAudioProcessorEditor::bindLookaheadDialToSelectedBand()
{
    bindLookaheadDial (quarmont::bandParameterId (selectedBand + 1, quarmont::lookaheadParam), bandTitle (selectedBand, "Lookahead"));
}

void QuarmontAudioProcessorEditor::setupBandKnob (juce::Slider& slider, const juce::String& suffix)
{
    addAndMakeVisible (slider);
    slider.setLookAndFeel (&knobLookAndFeel());
    slider.setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
    slider.setTextBoxStyle (juce::Slider::TextBoxBelow, false, 54, 16);
    setKnobColours (slider);
    slider.setTextValueSuffix (suffix);
}

void QuarmontAudioProcessorEditor::createBandControls (int band)
{
    const auto colour = quarmont::bandColour (band);

    auto button = std::make_unique<juce::TextButton> ("Band" + juce::String (band + 1));
    button->setClickingTogglesState (true);
    button->setColour (juce::TextButton::buttonColourId, juce::Colour (0xff0f1727).withAlpha (0.55f));
    button->setColour (juce::TextButton::buttonOnColourId, juce::Colour (0xff131d31).interpolatedWith (colour, 0.28f));
    button->setColour (juce::TextButton::textColourOffId, juce::Colours::white.withAlpha (0.88f));
    button->setColour (juce::TextButton::textColourOnId, juce::Colours::white);
    // Lit means the band is working, so "on" reads right to a screen reader too.
    button->setTitle (bandTitle (band, "active"));

    auto* buttonPointer = button.get();
    button->onClick = [this, band, buttonPointer] { toggleBandBypass (band, *buttonPointer); };
    addAndMakeVisible (*button);
    bandButtons[(size_t) band] = std::move (button);

    const auto b = (size_t) band;
    setupBandKnob (gainKnobs[b], " dB");
    setupBandKnob (upperKneeKnobs[b], " dB");
    setupBandKnob (attackKnobs[b], " ms");
    setupBandKnob (lowerKneeKnobs[b], " dB");
    setupBandKnob (releaseKnobs[b], " ms");

    gainKnobs[b].setTitle (bandTitle (band, "Gain"));
    upperKneeKnobs[b].setTitle (bandTitle (band, "Upper Knee"));
    attackKnobs[b].setTitle (bandTitle (band, "Attack"));
    lowerKneeKnobs[b].setTitle (bandTitle (band, "Lower Knee"));
    releaseKnobs[b].setTitle (bandTitle (band, "Release"));

    for (auto* knob : bandKnobsInRowOrder (band))
        knob->onDragStart = [this, band] { selectBand (band); };
}

void QuarmontAudioProcessorEditor::attachBandKnobs()
{
    auto& apvts = audioProcessor.apvts;

    for (size_t b = 0; b < numBands; ++b)
    {
        gainAttachments[b].reset();
        attackAttachments[b].reset();
        releaseAttachments[b].reset();
        upperKneeAttachments[b].reset();
        lowerKneeAttachments[b].reset();

        const auto bandNumber = (int) b + 1;
        const auto attach = [&] (quarmont::BandParameter parameter, juce::Slider& knob)
        {
            return std::make_unique<SliderAttachment> (apvts, quarmont::bandParameterId (bandNumber, parameter), knob);
        };

        gainAttachments[b] = attach (quarmont::gainParam, gainKnobs[b]);
        attackAttachments[b] = attach (quarmont::attackParam, attackKnobs[b]);
        releaseAttachments[b] = attach (quarmont::releaseParam, releaseKnobs[b]);
        upperKneeAttachments[b] = attach (quarmont::upperKneeParam, upperKneeKnobs[b]);
        lowerKneeAttachments[b] = attach (quarmont::lowerKneeParam, lowerKneeKnobs[b]);
    }
}

std::array<juce::Slider*, quarmont::numKnobRows> QuarmontAudioProcessorEditor::bandKnobsInRowOrder (int band)
{
    const auto b = (size_t) band;
    return { &gainKnobs[b], &upperKneeKnobs[b], &attackKnobs[b], &lowerKneeKnobs[b], &releaseKnobs[b] };
}

//==============================================================================
void QuarmontAudioProcessorEditor::showBandBypassOnKnobs (int band, bool bypassed)
{
    for (auto* knob : bandKnobsInRowOrder (band))
    {
        // The look and feel reads the property while painting, so a change must repaint the knob.
        if ((bool) knob->getProperties().getWithDefault ("bandBypassed", false) != bypassed)
        {
            knob->getProperties().set ("bandBypassed", bypassed);
            knob->repaint();
        }

        knob->setAlpha (bypassed ? bypassedKnobAlpha : 1.0f);
    }
}

void QuarmontAudioProcessorEditor::refreshBypassState()
{
    for (int band = 0; band < numBands; ++band)
    {
        const auto bypassed = quarmont::isBandBypassed (audioProcessor.apvts, band);

        if (auto& button = bandButtons[(size_t) band]; button != nullptr && button->getToggleState() != ! bypassed)
            button->setToggleState (! bypassed, juce::dontSendNotification);

        showBandBypassOnKnobs (band, bypassed);
    }
}

void QuarmontAudioProcessorEditor::toggleBandBypass (int band, juce::Button& button)
{
    const auto on = button.getToggleState();
    const auto id = quarmont::findBypassParameterId (audioProcessor.apvts, band);

    if (auto* parameter = id.isNotEmpty() ? audioProcessor.apvts.getParameter (id) : nullptr)
    {
        // One complete gesture per click, so the host records the switch as one automation step.
        parameter->beginChangeGesture();
        parameter->setValueNotifyingHost (on ? 0.0f : 1.0f);
        parameter->endChangeGesture();
    }

    showBandBypassOnKnobs (band, quarmont::isBandBypassed (audioProcessor.apvts, band));
    repaint();
}

void QuarmontAudioProcessorEditor::selectBand (int band)
{
    selectedBand = juce::jlimit (0, numBands - 1, band);
    repaint();

    if (onSelectedBandChanged)
        onSelectedBandChanged (selectedBand);

    if (lookaheadFollowsSelectedBand)
        bindLookaheadDialToSelectedBand();
}

void QuarmontAudioProcessorEditor::checkForUpdatesAsync()
{
    updateAvailable = false;

    // The result arrives on the message thread, and only while updateCheck (and so this window)
    // exists.
    updateCheck = std::make_unique<quarmont::update::UpdateCheck> (quarmont::update::updateFeedAddress(), [this]
    {
        updateAvailable = true;
        repaint();
    });
}

//==============================================================================
void QuarmontAudioProcessorEditor::mouseDown (const juce::MouseEvent& event)
{
    if (event.originalComponent != this)
        return;

    const auto position = event.getPosition();

    for (int band = 0; band < numBands; ++band)
    {
        juce::Rectangle<int> knobs;

        for (auto* knob : bandKnobsInRowOrder (band))
            knobs = knobs.getUnion (knob->getBounds());

        if (knobs.expanded (6).contains (position))
        {
            selectBand (band);
            return;
        }
    }
}

void QuarmontAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff1a2236), 0.0f, 0.0f,
                                             juce::Colour (0xff0b101c), 0.0f, (float) getHeight(), false));
    g.fillAll();

    // The parameters are the only record of bypass, and the host may change them at any time.
    refreshBypassState();

    for (int band = 0; band < numBands; ++band)
    {
        juce::Rectangle<int> area;

        for (auto* knob : bandKnobsInRowOrder (band))
            area = area.getUnion (knob->getBounds());

        if (auto& button = bandButtons[(size_t) band])
            area = area.getUnion (button->getBounds());

        const juce::Rectangle<float> panel ((float) area.getX() - 5.0f, (float) area.getY() - 6.0f,
                                            (float) area.getWidth() + 10.0f, (float) area.getHeight() + 9.0f);
        const auto inner = panel.reduced (1.0f);
        const auto colour = quarmont::bandColour (band);
        const auto selected = band == selectedBand;
        const auto bypassed = quarmont::isBandBypassed (audioProcessor.apvts, band);

        g.setGradientFill (juce::ColourGradient (juce::Colour (0xff11192b).interpolatedWith (colour, selected ? 0.10f : 0.04f),
                                                 inner.getTopLeft(),
                                                 juce::Colour (0xff0a101b).interpolatedWith (colour, selected ? 0.04f : 0.015f),
                                                 inner.getBottomRight(), false));
        g.fillRoundedRectangle (inner, 10.0f);

        g.setColour (colour.withAlpha (selected ? 0.55f : 0.22f));
        g.fillRoundedRectangle (inner.withHeight (5.0f), 6.0f);

        if (selected)
        {
            g.setColour (colour.withAlpha (0.14f));
            g.drawRoundedRectangle (panel.expanded (1.5f), 11.0f, 3.0f);
        }

        g.setColour ((bypassed ? juce::Colour (0xfff15b6b) : colour).withAlpha (selected ? 0.95f : 0.5f));
        g.drawRoundedRectangle (panel, 10.0f, selected ? 1.8f : 1.0f);
    }

    const auto title = (bannerBounds.getWidth() > 0 && bannerBounds.getHeight() > 0)
                           ? bannerBounds.reduced (6, 4)
                           : juce::Rectangle<int> (14, 14, getWidth() / 2, 40);

    if (bannerImage.isValid())
    {
        // Images take the context's opacity, which the last band outline left at 0.5 or 0.95.
        g.setOpacity (1.0f);
        g.setImageResamplingQuality (juce::Graphics::highResamplingQuality);
        g.drawImageWithin (bannerImage, title.getX(), title.getY(), title.getWidth(), title.getHeight(),
                           juce::RectanglePlacement::xLeft | juce::RectanglePlacement::centred, false);
    }
    else
    {
        g.setColour (juce::Colours::white.withAlpha (0.94f));
        g.setFont (juce::FontOptions (22.0f, juce::Font::bold));
        g.drawText ("Quarmont", title, juce::Justification::centredLeft, false);
    }

    if (updateAvailable)
        quarmont::drawUpdateBadge (g, bannerBounds);

    const auto lineY = (float) (headerLineY > 0 ? headerLineY : 58);
    g.setColour (juce::Colours::white.withAlpha (0.08f));
    g.drawLine (14.0f, lineY, (float) getWidth() - 14.0f, lineY, 1.0f);
}

void QuarmontAudioProcessorEditor::resized()
{
    const auto layout = quarmont::computeEditorLayout (getLocalBounds());

    bannerBounds = layout.bannerBounds;
    headerLineY = layout.headerLineY;
    bannerClickTarget->setBounds (bannerBounds);

    presetBox.setBounds (layout.presetBox);
    presetMenuButton.setBounds (layout.presetMenuButton);
    beforeButton.setBounds (layout.beforeButton);
    afterButton.setBounds (layout.afterButton);

    spectrogram->setBounds (layout.spectrogram);

    widthLabel.setBounds (layout.widthLabel);
    widthDial.setBounds (layout.widthDial);
    lookaheadLabel.setBounds (layout.lookaheadLabel);
    lookaheadDial.setBounds (layout.lookaheadDial);

    gainLabel.setBounds (layout.gainLabel);
    upperKneeLabel.setBounds (layout.upperKneeLabel);
    attackLabel.setBounds (layout.attackLabel);
    lowerKneeLabel.setBounds (layout.lowerKneeLabel);
    releaseLabel.setBounds (layout.releaseLabel);

    for (size_t b = 0; b < numBands; ++b)
    {
        const auto& column = layout.bands[b];
        bandButtons[b]->setBounds (column.bandButton);
        gainKnobs[b].setBounds (column.gainKnob);
        upperKneeKnobs[b].setBounds (column.upperKneeKnob);
        attackKnobs[b].setBounds (column.attackKnob);
        lowerKneeKnobs[b].setBounds (column.lowerKneeKnob);
        releaseKnobs[b].setBounds (column.releaseKnob);
    }
}
