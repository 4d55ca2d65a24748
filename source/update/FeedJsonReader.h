#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quarmont::update
{
/** The feed's answer as our own JSON reader finds it. */
struct FeedJsonReading
{
    /** False when the text is not one JSON document by RFC 8259, or passes the bounds below. */
    bool wellFormed = false;

    /** "products" / "quarmont" / "latest_version" as UTF-8 text, when all three are there and the
        two outer ones are objects: a string's decoded content, a number exactly as written,
        "true" or "false". Null, an object or an array count as no version. */
    std::optional<std::string> latestVersion;
};

/** Reads a feed body: one strict JSON document (RFC 8259), in UTF-8, an optional byte order mark
    in front. The reader is a loop over an explicit stack, so no input can exhaust a thread's
    stack; numbers are checked by the grammar and never converted, so no number can overflow.
    Every member other than the path above is checked and skipped, whatever its length.

    Members whose names repeat: the last one wins at every level of the path, as if the whole
    document were read into objects in order (so a later "products" replaces what an earlier one
    said). A \u escape of half a surrogate pair reads as U+FFFD. */
FeedJsonReading readFeedJson (std::string_view utf8);

/** Far more than the feed's three levels of objects; the reader refuses deeper arrays and objects. */
inline constexpr int maxFeedNesting = 32;

/** The most the feed request ever hands on; the reader refuses longer text. */
inline constexpr std::size_t maxFeedTextBytes = 256 * 1024;
} // namespace quarmont::update
