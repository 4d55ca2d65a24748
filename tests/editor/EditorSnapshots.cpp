// Renders the editor and a sheet of knobs in their states to PNG files, without showing a
// window: the window is painted straight into images. Usage: quarmont-editor-snapshots [folder]
// (default: ./snapshots). Exits non-zero when an image cannot be written.

#include <cmath>
#include <iostream>
#include <stdexcept>

#include <juce_audio_processors/juce_audio_processors.h>

#include "compat/JuceCompat.h"
#include "editor/EditorLayout.h"
#include "editor/ModernKnobLookAndFeel.h"
#include "editor/PluginEditor.h"
#include "editor/SpectrogramComponent.h"
#include "processor/PluginProcessor.h"
#include "support/LocalHttpServer.h"
#include "update/CheckRegistry.h"
#include "update/FeedAddress.h"

namespace
{
bool writePng (const juce::Image& image, const juce::File& file)
{
    file.deleteFile();
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat png;

    if (! image.isValid() || ! stream.openedOk() || ! png.writeImageToStream (image, stream))
    {
        std::cerr << "could not write " << file.getFullPathName() << "\n";
        return false;
    }

    std::cout << file.getFullPathName() << " (" << image.getWidth() << " x " << image.getHeight() << ")\n";
    return true;
}

juce::Image snapshot (juce::Component& component, juce::Rectangle<int> area = {}, float scale = 1.0f)
{
    return component.createComponentSnapshot (area.isEmpty() ? component.getLocalBounds() : area, true, scale);
}

/** A knob drawn as while the mouse is over it, which an offscreen slider cannot be. */
class HoveredKnob : public juce::Component
{
public:
    void paint (juce::Graphics& g) override
    {
        const auto area = getLocalBounds().withTrimmedBottom (textBoxHeight).toFloat();
        quarmont::ModernKnobLookAndFeel::drawKnob (g, quarmont::KnobGeometry::compute (area.getX(), area.getY(), area.getWidth(),
                                                                                      area.getHeight(), 0.5f), true, 1.0f);
    }

    int textBoxHeight = 0;
};

/** Rows of knobs at the editor's band-knob size and at a large size, one column per state. */
class KnobSheet : public juce::Component
{
public:
    KnobSheet()
    {
        struct Row { int width, height, textBoxWidth, textBoxHeight; };
        const Row rows[] { { 67, 55, 54, 16 }, { 98, 58, 72, 18 }, { 140, 140, 72, 18 } };
        const char* captions[] { "0", "0.5", "1", "hovered", "bypassed", "disabled", "disabled + bypassed" };

        int y = 30;

        for (int c = 0; c < numColumns; ++c)
        {
            auto* caption = captionLabels.add (new juce::Label ({}, captions[c]));
            caption->setJustificationType (juce::Justification::centred);
            caption->setColour (juce::Label::textColourId, juce::Colours::white.withAlpha (0.82f));
            caption->setBounds (c * columnWidth, 4, columnWidth, 22);
            addAndMakeVisible (caption);
        }

        for (const auto& row : rows)
        {
            for (int c = 0; c < numColumns; ++c)
            {
                const juce::Rectangle<int> bounds (c * columnWidth + (columnWidth - row.width) / 2, y, row.width, row.height);

                if (c == 3)
                {
                    auto* hovered = hoveredKnobs.add (new HoveredKnob());
                    hovered->textBoxHeight = row.textBoxHeight;
                    hovered->setBounds (bounds);
                    addAndMakeVisible (hovered);
                    continue;
                }

                auto* slider = sliders.add (new juce::Slider (juce::Slider::RotaryHorizontalVerticalDrag, juce::Slider::TextBoxBelow));
                slider->setLookAndFeel (&lookAndFeel);
                slider->setTextBoxStyle (juce::Slider::TextBoxBelow, false, row.textBoxWidth, row.textBoxHeight);
                slider->setColour (juce::Slider::textBoxTextColourId, juce::Colours::white);
                slider->setColour (juce::Slider::textBoxOutlineColourId, juce::Colours::transparentBlack);
                slider->setRange (-60.0, 24.0, 0.1);
                slider->setTextValueSuffix (" dB");
                slider->setValue (c == 0 ? -60.0 : c == 2 ? 24.0 : -18.0);
                slider->getProperties().set ("bandBypassed", c == 4 || c == 6);
                slider->setEnabled (c < 5);
                slider->setBounds (bounds);
                addAndMakeVisible (slider);
            }

            y += row.height + 20;
        }

        setSize (numColumns * columnWidth, y);
    }

    ~KnobSheet() override
    {
        for (auto* slider : sliders)
            slider->setLookAndFeel (nullptr);
    }

    void paint (juce::Graphics& g) override { g.fillAll (juce::Colour (0xff11192b)); }

private:
    static constexpr int numColumns = 7;
    static constexpr int columnWidth = 160;
    quarmont::ModernKnobLookAndFeel lookAndFeel;
    juce::OwnedArray<juce::Label> captionLabels;
    juce::OwnedArray<juce::Slider> sliders;
    juce::OwnedArray<HoveredKnob> hoveredKnobs;
};

void clickAndDeliver (juce::Button& button)
{
    button.triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (30);
}

juce::TextButton& buttonWithText (juce::Component& editor, const juce::String& text)
{
    for (auto* child : editor.getChildren())
        if (auto* button = dynamic_cast<juce::TextButton*> (child); button != nullptr && button->getButtonText() == text)
            return *button;

    throw std::runtime_error ("no button " + text.toStdString());
}

void setPlainValue (QuarmontAudioProcessor& processor, const char* id, float value)
{
    auto* parameter = processor.apvts.getParameter (id);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}

/** A known programme for the waterfall, one hop (one display column) per call: a log sweep from
    20 Hz to 20 kHz every sweepColumns columns at -6 dBFS, over white noise whose level steps
    through three values every noiseColumns columns. In the picture the sweep must be a straight
    rising line on the logarithmic frequency axis, crossing 1 kHz 56.6 % of the way up. */
class Programme
{
public:
    static constexpr int sweepColumns = 240;
    static constexpr int noiseColumns = 80;
    static constexpr double sampleRate = 48000.0;

    void fill (float* samples, int numSamples)
    {
        static constexpr float noiseLevels[] { 0.02f, 0.2f, 0.002f };

        for (int i = 0; i < numSamples; ++i, ++sampleIndex)
        {
            const auto column = (double) sampleIndex / 512.0;
            const auto t = std::fmod (column, (double) sweepColumns) / sweepColumns;
            const auto frequency = 20.0 * std::pow (1000.0, t);
            phase = std::fmod (phase + juce::MathConstants<double>::twoPi * frequency / sampleRate, juce::MathConstants<double>::twoPi);
            const auto noise = noiseLevels[((int) column / noiseColumns) % 3] * (random.nextFloat() * 2.0f - 1.0f);
            samples[i] = 0.5f * (float) std::sin (phase) + noise;
        }
    }

private:
    juce::int64 sampleIndex = 0;
    double phase = 0.0;
    juce::Random random { 8 };
};

/** Feeds the programme through the processor one hop at a time and lets every display take the
    newest column after each hop, as its timer would. */
void playProgramme (QuarmontAudioProcessor& processor, Programme& programme, int columns,
                    std::initializer_list<quarmont::SpectrogramComponent*> displays)
{
    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;

    for (int c = 0; c < columns; ++c)
    {
        programme.fill (buffer.getWritePointer (0), 512);
        buffer.copyFrom (1, 0, buffer, 0, 0, 512);
        processor.processBlock (buffer, midi);

        for (auto* display : displays)
            display->timerCallback();
    }
}

/** The window with a live waterfall: band 3 pulled down 24 dB so that the After view differs,
    then bypassed; and the display alone at the largest window size. */
bool renderProgrammeViews (const juce::File& folder)
{
    bool ok = true;
    QuarmontAudioProcessor processor;
    processor.setRateAndBufferSizeDetails (Programme::sampleRate, 512);
    processor.prepareToPlay (Programme::sampleRate, 512);
    setPlainValue (processor, "band3_gain", -24.0f);

    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());
    auto& quarmontEditor = dynamic_cast<QuarmontAudioProcessorEditor&> (*editor);
    quarmontEditor.selectBand (2);

    quarmont::SpectrogramComponent* display = nullptr;

    for (auto* child : editor->getChildren())
        if (auto* found = dynamic_cast<quarmont::SpectrogramComponent*> (child))
            display = found;

    quarmont::SpectrogramComponent large (processor);
    large.setTimeZoom (4.0f);
    large.setSelectedBand (2);
    large.setSize (2400, 1600);

    Programme programme;
    playProgramme (processor, programme, large.getAreas().plot.getWidth(), { display, &large });

    ok &= writePng (snapshot (*editor), folder.getChildFile ("spectrogram-before-1140x760.png"));
    // The same window on a HiDPI screen (content scale 2): the waterfall is stretched in device pixels.
    ok &= writePng (snapshot (*editor, {}, 2.0f), folder.getChildFile ("spectrogram-before-1140x760-2x.png"));
    ok &= writePng (snapshot (large), folder.getChildFile ("spectrogram-alone-2400x1600.png"));

    clickAndDeliver (buttonWithText (*editor, "After"));
    ok &= writePng (snapshot (*editor), folder.getChildFile ("spectrogram-after-1140x760.png"));

    // Band 3 bypassed for the newest fifth of the plot: its stripe and bars fade, its cut ends.
    setPlainValue (processor, "band3_bypass", 1.0f);
    playProgramme (processor, programme, 50, { display });
    ok &= writePng (snapshot (*editor), folder.getChildFile ("spectrogram-after-band3-bypassed-1140x760.png"));

    processor.editorBeingDeleted (editor.get());
    editor.reset();
    return ok;
}
} // namespace

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juceInitialiser;

    const auto folder = juce::File::getCurrentWorkingDirectory().getChildFile (argc > 1 ? argv[1] : "snapshots");
    folder.createDirectory();
    bool ok = true;

    {
        QuarmontAudioProcessor processor;
        std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());
        auto& quarmontEditor = dynamic_cast<QuarmontAudioProcessorEditor&> (*editor);

        ok &= writePng (snapshot (*editor), folder.getChildFile ("editor-1140x760.png"));

        const auto layout = quarmont::computeEditorLayout (editor->getLocalBounds());
        ok &= writePng (snapshot (*editor, { 0, 0, 1140, 44 }, 2.0f), folder.getChildFile ("editor-header-2x.png"));
        ok &= writePng (snapshot (*editor, { 0, layout.bands[0].bandButton.getY() - 14, 620, 760 - layout.bands[0].bandButton.getY() + 14 }, 2.0f),
                        folder.getChildFile ("editor-panel-left-2x.png"));

        editor->setSize (900, 620);
        ok &= writePng (snapshot (*editor), folder.getChildFile ("editor-900x620.png"));

        // A used window: band 3 selected, band 2 bypassed, the After view, a few knobs turned.
        editor->setSize (1140, 760);
        processor.apvts.getParameter ("band2_bypass")->setValueNotifyingHost (1.0f);

        for (const auto& [id, value] : { std::pair<const char*, float> { "band1_gain", -18.0f }, { "band3_gain", 9.0f },
                                         { "band3_attackMs", 120.0f }, { "band5_releaseMs", 2000.0f } })
        {
            auto* parameter = processor.apvts.getParameter (id);
            parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
        }

        quarmontEditor.selectBand (2);

        for (auto* child : editor->getChildren())
            if (auto* button = dynamic_cast<juce::TextButton*> (child); button != nullptr && button->getButtonText() == "After")
                clickAndDeliver (*button);

        ok &= writePng (snapshot (*editor), folder.getChildFile ("editor-in-use.png"));

        // Band 5's release knob at 2000 ms: the whole value must be readable in its text box.
        const auto band5 = layout.bands[4].releaseKnob.getUnion (layout.bands[4].lowerKneeKnob).expanded (6);
        ok &= writePng (snapshot (*editor, band5, 3.0f), folder.getChildFile ("release-2000ms-3x.png"));
        processor.editorBeingDeleted (editor.get());
    }

    ok &= renderProgrammeViews (folder);

    {
        // The window once the feed (a server of this program on 127.0.0.1) names 1.3.0.
        quarmont::testing::LocalHttpServer::Route newer;
        newer.body = quarmont::testing::LocalHttpServer::feed ("1.3.0");
        quarmont::testing::LocalHttpServer server ({ { "/products.json", newer } }, 4, 30000);
        quarmont::update::setUpdateFeedAddressForTesting (server.url ("/products.json"));

        QuarmontAudioProcessor processor;
        std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());

        for (int i = 0; i < 1000 && quarmont::update::CheckRegistry::instance().numRunning() > 0; ++i)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);

        juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
        ok &= writePng (snapshot (*editor), folder.getChildFile ("editor-update-available.png"));
        ok &= writePng (snapshot (*editor, { 440, 0, 200, 44 }, 4.0f), folder.getChildFile ("editor-update-badge-4x.png"));

        processor.editorBeingDeleted (editor.get());
        editor.reset();
        quarmont::update::setUpdateFeedAddressForTesting ({});
    }

    {
        KnobSheet sheet;
        ok &= writePng (snapshot (sheet, {}, 2.0f), folder.getChildFile ("knob-states-2x.png"));
    }

    return ok ? 0 : 1;
}
