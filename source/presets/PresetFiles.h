#pragma once

#include <juce_core/juce_core.h>

namespace quarmont
{
/** Every preset file ends in this; the preset's name is the file name without it. */
inline constexpr const char* presetFileExtension = ".quarmontpreset";

/** A preset file is exactly the plug-in's state block, which the state restore refuses above
    4 MiB of text. Anything larger cannot be one of ours, and is not read at all: a file of
    gigabytes would stall the window and eat the host's memory. */
inline constexpr juce::int64 maxPresetFileBytes = 4 * 1024 * 1024 + 64;

/** A preset's name: its file name without the last extension. A file called just
    ".quarmontpreset" is a preset without a name (File::getFileNameWithoutExtension would give the
    whole file name for it, taking the leading dot for a hidden file's). */
juce::String getPresetName (const juce::File& file);

/** Where the preset folder is: "Quarmont/Presets" in the per-user application data folder.
    Creates nothing. */
juce::File getPresetFolderLocation();

/** The preset folder, created (with any missing parent) when it does not exist. A failure to
    create it is not reported: listing then finds nothing, and writes fail. */
juce::File getPresetFolder();

/** The preset files directly inside the preset folder (hidden ones included, symbolic links
    followed, no sub-folders), sorted by name without regard to letter case. */
juce::Array<juce::File> listPresetFiles();

/** A user's preset name made safe for a file name: trimmed, with each of \ / : * ? " < > |
    replaced by an underscore, trimmed again. Spaces only give the empty string. */
juce::String sanitisePresetName (const juce::String& name);

/** Reads a whole preset file. Refuses (returns false) anything that is not a regular file, such
    as a named pipe, whose opening would block the message thread until some writer turns up, and
    anything larger than maxPresetFileBytes. */
bool readPresetData (const juce::File& file, juce::MemoryBlock& destination);

/** Replaces a preset file's content through a temporary file, so that the old content survives
    any failure. Returns false, leaving the target as it was, when the block is empty or when
    the temporary file cannot be written completely (a full disk, a quota). */
bool writePresetData (const juce::File& target, const juce::MemoryBlock& data);
} // namespace quarmont
