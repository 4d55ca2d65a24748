#pragma once

#include <juce_core/juce_core.h>

namespace quarmont::update
{
/** The feed's "products" / "quarmont" / "latest_version" as trimmed text (any JSON value counts
    by its text), or empty when the text is not such a JSON document. Input nested deeper than
    maxFeedNesting is refused before the JSON parser sees it. */
juce::String latestVersionInFeed (const juce::String& feedText);

/** True when the feed names a version higher than currentVersion. */
bool feedNamesNewerVersion (const juce::String& feedText, const juce::String& currentVersion);

/** Far more than the feed's three levels, far less than what exhausts a thread's stack in the
    recursive JSON parser. */
inline constexpr int maxFeedNesting = 32;

/** True when no array or object in the text (outside strings) nests deeper than maxDepth. */
bool nestingStaysWithin (const juce::String& text, int maxDepth);
} // namespace quarmont::update
