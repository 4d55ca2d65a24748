#pragma once

#include <juce_core/juce_core.h>

namespace quarmont::update
{
/** The feed's "products" / "quarmont" / "latest_version" as trimmed text (a string's content, a
    number as written, true or false), or empty when the text is not such a JSON document
    (see readFeedJson, the only reader the feed's text ever meets). */
juce::String latestVersionInFeed (const juce::String& feedText);

/** True when the feed names a version higher than currentVersion. */
bool feedNamesNewerVersion (const juce::String& feedText, const juce::String& currentVersion);
} // namespace quarmont::update
