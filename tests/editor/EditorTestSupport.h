#pragma once

// Shared by the editor tests: a processor with an open editor, and ways to reach the editor's
// controls the way a user or a screen reader does (by accessible title or button text).

#include <gtest/gtest.h>

#include <juce_audio_processors/juce_audio_processors.h>

#include "editor/PluginEditor.h"
#include "editor/SpectrogramComponent.h"
#include "processor/PluginProcessor.h"

namespace quarmont::testing
{
template <typename ComponentType = juce::Component>
ComponentType* findChild (juce::Component& parent, std::function<bool (ComponentType&)> matches)
{
    for (auto* child : parent.getChildren())
        if (auto* typed = dynamic_cast<ComponentType*> (child); typed != nullptr && matches (*typed))
            return typed;

    return nullptr;
}

template <typename ComponentType = juce::Component>
ComponentType* findChildByTitle (juce::Component& parent, const juce::String& title)
{
    return findChild<ComponentType> (parent, [&] (ComponentType& c) { return c.getTitle() == title; });
}

inline juce::TextButton* findButtonByText (juce::Component& parent, const juce::String& text)
{
    return findChild<juce::TextButton> (parent, [&] (juce::TextButton& b) { return b.getButtonText() == text; });
}

/** The text a slider shows in its text box. */
inline juce::String shownText (juce::Slider& slider)
{
    auto* box = findChild<juce::Label> (slider, [] (juce::Label&) { return true; });
    return box != nullptr ? box->getText() : juce::String ("<no text box>");
}

inline void pumpMessages (int milliseconds = 30)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}

/** Runs the message loop until the condition holds, for at most the given time; returns whether
    it held. */
inline bool runUntil (std::function<bool()> condition, int timeoutMilliseconds = 5000)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMilliseconds;

    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return false;

        pumpMessages (10);
    }

    return true;
}

/** A click as the framework delivers it: the button posts the click to itself. */
inline void click (juce::Button& button)
{
    button.triggerClick();
    pumpMessages();
}

inline juce::MouseEvent mouseEventAt (juce::Component& target, juce::Point<float> position,
                                      juce::ModifierKeys mods = juce::ModifierKeys::leftButtonModifier,
                                      int numberOfClicks = 1, juce::Component* originator = nullptr)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position, mods,
                             juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f,
                             &target, originator != nullptr ? originator : &target,
                             now, position, now, numberOfClicks, false);
}

/** Paints the component and its children into an image, as a repaint would. */
inline juce::Image renderSnapshot (juce::Component& component)
{
    return component.createComponentSnapshot (component.getLocalBounds(), true, 1.0f);
}

/** A processor with its editor open, created and destroyed the way a host does it (the plug-in
    wrappers tell the processor before they delete its editor). */
class EditorFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        editor.reset (processor.createEditorIfNeeded());
        ASSERT_NE (editor, nullptr);
    }

    void TearDown() override
    {
        processor.editorBeingDeleted (editor.get());
        editor.reset();
    }

    juce::Slider& knob (int bandIndex, const juce::String& what)
    {
        return require (findChildByTitle<juce::Slider> (*editor, "Band " + juce::String (bandIndex + 1) + " " + what));
    }

    juce::TextButton& bandButton (int bandIndex)
    {
        return require (findChildByTitle<juce::TextButton> (*editor, "Band " + juce::String (bandIndex + 1) + " active"));
    }

    juce::Slider& widthDial() { return require (findChildByTitle<juce::Slider> (*editor, "Spectrogram width")); }

    juce::Slider& lookaheadDial()
    {
        return require (findChild<juce::Slider> (*editor, [] (juce::Slider& s) { return s.getTitle().endsWith ("Lookahead"); }));
    }

    SpectrogramComponent& spectrogram() { return require (findChild<SpectrogramComponent> (*editor, [] (auto&) { return true; })); }

    juce::RangedAudioParameter& parameter (const juce::String& id) { return require (processor.apvts.getParameter (id)); }

    float rawValue (const juce::String& id) { return processor.apvts.getRawParameterValue (id)->load(); }

    struct KnobRow { const char* name; const char* key; };

    /** The knobs of a band column, top to bottom, with the parameter key each is bound to. */
    static const std::array<KnobRow, 5>& knobRows()
    {
        static const std::array<KnobRow, 5> rows { { { "Gain", "gain" }, { "Upper Knee", "upperKneeDb" }, { "Attack", "attackMs" },
                                                     { "Lower Knee", "lowerKneeDb" }, { "Release", "releaseMs" } } };
        return rows;
    }

    template <typename T>
    static T& require (T* pointer)
    {
        if (pointer == nullptr)
            throw std::runtime_error ("control not found in the editor");

        return *pointer;
    }

    QuarmontAudioProcessor processor;
    std::unique_ptr<juce::AudioProcessorEditor> editor;
};

/** Records what a parameter tells its listeners, in order: "begin", "value <v>", "end". */
class ParameterEventRecorder : private juce::AudioProcessorParameter::Listener
{
public:
    explicit ParameterEventRecorder (juce::AudioProcessorParameter& p) : parameter (p) { parameter.addListener (this); }
    ~ParameterEventRecorder() override { parameter.removeListener (this); }

    std::vector<std::string> events;
    std::function<void()> onValueChanged;

private:
    void parameterValueChanged (int, float newValue) override
    {
        events.push_back ("value " + juce::String (newValue, 2).toStdString());

        if (onValueChanged)
            onValueChanged();
    }

    void parameterGestureChanged (int, bool starting) override { events.push_back (starting ? "begin" : "end"); }

    juce::AudioProcessorParameter& parameter;
};
} // namespace quarmont::testing
