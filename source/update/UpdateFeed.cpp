#include "update/UpdateFeed.h"

#include "update/FeedJsonReader.h"
#include "update/VersionNumber.h"

namespace quarmont::update
{
juce::String latestVersionInFeed (const juce::String& feedText)
{
    const auto utf8 = feedText.toUTF8();
    const auto reading = readFeedJson ({ utf8.getAddress(), feedText.getNumBytesAsUTF8() });

    if (! reading.wellFormed || ! reading.latestVersion.has_value())
        return {};

    return juce::String::fromUTF8 (reading.latestVersion->data(), (int) reading.latestVersion->size()).trim();
}

bool feedNamesNewerVersion (const juce::String& feedText, const juce::String& current)
{
    const auto latest = latestVersionInFeed (feedText);

    if (latest.isEmpty())
        return false;

    return isNewer (parseVersion (latest), parseVersion (current.trim()));
}
} // namespace quarmont::update
