#include "presets/PresetDialogs.h"

#include "presets/PresetFiles.h"

namespace quarmont
{
namespace
{
class NativePresetDialogs final : public PresetDialogs
{
public:
    void showMenu (juce::PopupMenu menu, juce::Component& target, std::function<void (int)> onResult) override
    {
        menu.showMenuAsync (juce::PopupMenu::Options().withTargetComponent (&target), std::move (onResult));
    }

    void chooseFile (const juce::String& title, const juce::File& initialFile,
                     std::function<void (const juce::File&)> onChosen) override
    {
        auto chooser = std::make_shared<juce::FileChooser> (title, initialFile, juce::String ("*") + presetFileExtension,
                                                            true, false, nullptr);
        constexpr auto flags = juce::FileBrowserComponent::saveMode | juce::FileBrowserComponent::canSelectFiles
                             | juce::FileBrowserComponent::warnAboutOverwriting;

        // The completion holds the chooser, which would otherwise die with this call and take
        // its window along.
        chooser->launchAsync (flags, [chooser, handOn = std::move (onChosen)] (const juce::FileChooser& finished)
        {
            handOn (finished.getResult());
        });
    }

    void confirm (const juce::String& title, const juce::String& message, juce::Component* associatedComponent,
                  std::function<void (bool)> onAnswer) override
    {
        juce::NativeMessageBox::showOkCancelBox (juce::MessageBoxIconType::WarningIcon, title, message, associatedComponent,
                                                 juce::ModalCallbackFunction::create ([handOn = std::move (onAnswer)] (int result)
                                                 {
                                                     handOn (result == 1);
                                                 }));
    }

    void alert (const juce::String& title, const juce::String& message) override
    {
        juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon, title, message);
    }

    void showInFileManager (const juce::File& folder) override
    {
        folder.revealToUser();
    }
};
} // namespace

std::unique_ptr<PresetDialogs> makeNativePresetDialogs()
{
    return std::make_unique<NativePresetDialogs>();
}
} // namespace quarmont
