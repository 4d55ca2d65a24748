#pragma once

#include <array>
#include <functional>
#include <memory>

#include <juce_audio_processors/juce_audio_processors.h>

#include "editor/BannerClickTarget.h"
#include "editor/EditorLayout.h"
#include "editor/SpectrogramComponent.h"
#include "presets/PresetBar.h"

class QuarmontAudioProcessor;

namespace quarmont::update
{
class UpdateCheck;
}

/** The plug-in window: a header strip (banner, preset bar, Before/After view switch), the
    spectrogram, and a control panel with the Width and Lookahead dials and five band columns
    of a band button and five knobs. Every value it shows comes from the processor's parameter
    tree; the editor itself keeps only the selected band. */
class QuarmontAudioProcessorEditor : public juce::AudioProcessorEditor
{
public:
    explicit QuarmontAudioProcessorEditor (QuarmontAudioProcessor& owningProcessor);
    ~QuarmontAudioProcessorEditor() override;

    /** A background click near a band's knobs selects that band. */
    void mouseDown (const juce::MouseEvent& event) override;
    void paint (juce::Graphics& g) override;
    void resized() override;

    /** Highlights a band (clamped to 0..4) and shows it in the spectrogram. */
    void selectBand (int band);

    /** The preset list's behaviour and the preset menu, for driving them other than by mouse. */
    quarmont::PresetBar& getPresetBar() noexcept { return presetBar; }

private:
    using SliderAttachment = juce::AudioProcessorValueTreeState::SliderAttachment;
    using BandAttachments = std::array<std::unique_ptr<SliderAttachment>, quarmont::numBands>;

    void configureWidthDial();
    void configureLookaheadDial();
    void bindLookaheadDial (const juce::String& parameterId, const juce::String& accessibleTitle);
    void bindLookaheadDialToSelectedBand();
    void configureCaption (juce::Label& label, const juce::String& text, juce::Justification justification, float textAlpha);
    void configureViewButton (juce::TextButton& button, const juce::String& accessibleTitle);
    void createBandControls (int band);
    void setupBandKnob (juce::Slider& slider, const juce::String& suffix);
    void attachBandKnobs();
    void refreshBypassState();
    void toggleBandBypass (int band, juce::Button& button);
    void showBandBypassOnKnobs (int band, bool bypassed);

    /** The five knobs of a band in row order: gain, upper knee, attack, lower knee, release. */
    std::array<juce::Slider*, quarmont::numKnobRows> bandKnobsInRowOrder (int band);

    // Update notice (source/update).
    void checkForUpdatesAsync();

    // Declaration order is destruction order reversed: attachments go before the sliders they
    // bind, the child components before the callbacks and the spectrogram they forward to.
    bool updateAvailable = false;
    std::unique_ptr<quarmont::BannerClickTarget> bannerClickTarget;
    juce::Rectangle<int> bannerBounds;
    int headerLineY = 0;
    QuarmontAudioProcessor& audioProcessor;
    std::unique_ptr<quarmont::SpectrogramComponent> spectrogram;
    std::function<void (float)> onTimeZoomChanged;
    std::function<void (bool)> onViewModeChanged;
    std::function<void (int)> onSelectedBandChanged;
    std::array<juce::Slider, quarmont::numBands> gainKnobs, attackKnobs, releaseKnobs, upperKneeKnobs, lowerKneeKnobs;
    juce::Slider widthDial, lookaheadDial;
    std::unique_ptr<SliderAttachment> lookaheadAttachment;
    juce::String lookaheadParameterId;          // what lookaheadAttachment is bound to, if anything
    bool lookaheadFollowsSelectedBand = false;  // no global lookahead: the dial drives the selected band's
    juce::ComboBox presetBox;
    juce::TextButton presetMenuButton { "Presets" };
    quarmont::PresetBar presetBar; // drives the two above, and dies before them
    juce::TextButton beforeButton { "Before" };
    juce::TextButton afterButton { "After" };
    std::array<std::unique_ptr<juce::TextButton>, quarmont::numBands> bandButtons;
    juce::Label widthLabel, gainLabel, attackLabel, releaseLabel, lookaheadLabel, upperKneeLabel, lowerKneeLabel;
    juce::Image bannerImage;
    BandAttachments gainAttachments, attackAttachments, releaseAttachments, upperKneeAttachments, lowerKneeAttachments;
    int selectedBand = 0;
    // This window's running update check; destroyed first, so that no result reaches a window
    // being torn down. Destroying it drops the result and stops the request.
    std::unique_ptr<quarmont::update::UpdateCheck> updateCheck;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuarmontAudioProcessorEditor)
};
