#pragma once

#include <functional>
#include <memory>

#include <juce_gui_basics/juce_gui_basics.h>

namespace quarmont
{
/** What the preset bar opens outside itself: its menu, the name dialog, the delete
    confirmation, the load-failure alert and the file manager. The bar talks to them only through this, so that
    the real windows can be swapped for stand-ins that answer at a time of one's choosing.

    A completion may run long after the call, even after the bar is gone; the bar guards its
    own completions. */
class PresetDialogs
{
public:
    virtual ~PresetDialogs() = default;

    /** Shows the menu at the target component; the chosen item id (0 when dismissed) goes to
        onResult. */
    virtual void showMenu (juce::PopupMenu menu, juce::Component& target, std::function<void (int)> onResult) = 0;

    /** A save dialog for a preset file; hands on the chosen file, or the empty file when
        cancelled. */
    virtual void chooseFile (const juce::String& title, const juce::File& initialFile,
                             std::function<void (const juce::File&)> onChosen) = 0;

    /** An OK / Cancel question with a warning icon; hands on true for OK. */
    virtual void confirm (const juce::String& title, const juce::String& message, juce::Component* associatedComponent,
                          std::function<void (bool)> onAnswer) = 0;

    /** A warning the user only acknowledges. */
    virtual void alert (const juce::String& title, const juce::String& message) = 0;

    /** Opens the folder in the system's file manager. */
    virtual void showInFileManager (const juce::File& folder) = 0;
};

/** The real ones: PopupMenu, the native FileChooser, NativeMessageBox, AlertWindow and File::revealToUser. */
std::unique_ptr<PresetDialogs> makeNativePresetDialogs();
} // namespace quarmont
