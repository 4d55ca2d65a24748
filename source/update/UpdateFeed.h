#pragma once

#include <juce_core/juce_core.h>

namespace quarmont::update
{
/** The feed's "products" / "quarmont" / "latest_version" as trimmed text (any JSON value counts
    by its text), or empty when the text is not such a JSON document. Input nested deeper than
    maxFeedNesting, or with a number longer than maxFeedNumberDigits,
    is refused before the JSON parser sees it. */
juce::String latestVersionInFeed (const juce::String& feedText);

/** True when the feed names a version higher than currentVersion. */
bool feedNamesNewerVersion (const juce::String& feedText, const juce::String& currentVersion);

/** Far more than the feed's three levels, far less than what exhausts a thread's stack in the
    recursive JSON parser. */
inline constexpr int maxFeedNesting = 32;

/** JUCE's JSON parser gathers the digits of a number in a 64-bit integer, and those of an
    exponent in an int, without checking for overflow (undefined behaviour); no number of the
    feed comes near 9 digits. */
inline constexpr int maxFeedNumberDigits = 9;

/** True when no run of digits outside strings is longer than maxFeedNumberDigits. */
bool numbersStayShort (const juce::String& text);

/** True when no array or object in the text (outside strings) nests deeper than maxDepth. */
bool nestingStaysWithin (const juce::String& text, int maxDepth);
} // namespace quarmont::update
