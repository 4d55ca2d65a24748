// The editor's background check for a newer version of the plug-in.

#include "editor/PluginEditor.h"

// No request is made yet: the flag stays false and the banner shows no badge.
void QuarmontAudioProcessorEditor::checkForUpdatesAsync()
{
    updateAvailable = false;
}
