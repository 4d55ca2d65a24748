#include "presets/PresetFiles.h"

#if ! JUCE_WINDOWS
 #include <sys/stat.h>
#endif

namespace quarmont
{
namespace
{
bool isRegularFile (const juce::File& file)
{
   #if JUCE_WINDOWS
    return file.existsAsFile();
   #else
    // JUCE counts everything that is not a directory as a file, pipes and devices included.
    struct stat info {};
    return ::stat (file.getFullPathName().toRawUTF8(), &info) == 0 && S_ISREG (info.st_mode);
   #endif
}

struct ByPresetName
{
    static int compareElements (const juce::File& a, const juce::File& b)
    {
        return getPresetName (a).compareIgnoreCase (getPresetName (b));
    }
};
} // namespace

juce::String getPresetName (const juce::File& file)
{
    const auto name = file.getFileName();
    const auto lastDot = name.lastIndexOfChar ('.');
    return lastDot >= 0 ? name.substring (0, lastDot) : name;
}

juce::File getPresetFolderLocation()
{
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
        .getChildFile ("Quarmont")
        .getChildFile ("Presets");
}

juce::File getPresetFolder()
{
    auto folder = getPresetFolderLocation();

    if (! folder.isDirectory())
        folder.createDirectory();

    return folder;
}

juce::Array<juce::File> listPresetFiles()
{
    auto files = getPresetFolder().findChildFiles (juce::File::findFiles, false,
                                                   juce::String ("*") + presetFileExtension,
                                                   juce::File::FollowSymlinks::yes);
    ByPresetName order;
    files.sort (order);
    return files;
}

juce::String sanitisePresetName (const juce::String& name)
{
    auto result = name.trim();

    if (result.isEmpty())
        return {};

    for (auto unsafe : { '\\', '/', ':', '*', '?', '"', '<', '>', '|' })
        result = result.replaceCharacter ((juce::juce_wchar) unsafe, '_');

    return result.trim();
}

bool readPresetData (const juce::File& file, juce::MemoryBlock& destination)
{
    if (! isRegularFile (file))
        return false;

    const auto size = file.getSize();

    if (size > maxPresetFileBytes)
        return false;

    juce::FileInputStream in (file);

    if (! in.openedOk())
        return false;

    juce::MemoryBlock content;
    const auto bytesRead = in.readIntoMemoryBlock (content, (ssize_t) maxPresetFileBytes + 1);

    // A short read (an I/O error) or a file that grew meanwhile is not a preset we can trust.
    if ((juce::int64) bytesRead != size || in.getStatus().failed())
        return false;

    destination = std::move (content);
    return true;
}

bool writePresetData (const juce::File& target, const juce::MemoryBlock& data)
{
    // File::replaceWithData deletes the target when handed nothing, and ignores a failed write
    // of the temporary file, which would then replace a good preset with a truncated one.
    if (data.isEmpty())
        return false;

    juce::TemporaryFile temporary (target, juce::TemporaryFile::useHiddenFile);

    {
        juce::FileOutputStream out (temporary.getFile());

        if (! out.openedOk() || ! out.write (data.getData(), data.getSize()))
            return false;

        out.flush();

        if (out.getStatus().failed())
            return false;
    }

    if (temporary.getFile().getSize() != (juce::int64) data.getSize())
        return false;

    return temporary.overwriteTargetFileWithTemporary();
}
} // namespace quarmont
