// An update feed's body as any server might send it: bytes that may or may not be UTF-8, JSON,
// deeply nested, or the feed with odd versions. Our JSON reader is the only one that reads it:
// nothing may crash, overflow or recurse without bound; what it finds must be text that reads
// back the same, and the answer must agree with reading the version by hand.

#include <string>

#include "FuzzChecks.h"
#include "update/FeedJsonReader.h"
#include "update/FeedRequest.h"
#include "update/UpdateFeed.h"
#include "update/VersionNumber.h"

namespace
{
using quarmont::fuzzing::finding;

std::string asJsonString (const std::string& text)
{
    std::string quoted = "\"";
    const char* hex = "0123456789abcdef";

    for (const auto c : text)
    {
        const auto byte = (unsigned char) c;

        if (c == '"' || c == '\\')   { quoted += '\\'; quoted += c; }
        else if (byte < 0x20)        { quoted += "\\u00"; quoted += hex[byte >> 4]; quoted += hex[byte & 15]; }
        else                         quoted += c;
    }

    return quoted + "\"";
}

/** The reader straight on the bytes, as if a caller skipped the body's decoding. */
void checkReaderOnRawBytes (const uint8_t* data, size_t size)
{
    const std::string_view bytes (reinterpret_cast<const char*> (data), size);
    const auto reading = quarmont::update::readFeedJson (bytes);

    if (! reading.latestVersion.has_value())
        return;

    if (! reading.wellFormed)
        finding ("a version from a document that is not well formed");

    const auto& latest = *reading.latestVersion;

    if (! juce::CharPointer_UTF8::isValidString (latest.data(), (int) latest.size()))
        finding ("a version that is not UTF-8");

    const auto again = quarmont::update::readFeedJson (R"({"products":{"quarmont":{"latest_version":)"
                                                       + asJsonString (latest) + "}}}");

    if (! again.wellFormed || again.latestVersion != reading.latestVersion)
        finding ("the version does not read back the same");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    checkReaderOnRawBytes (data, size);

    // The request never hands on more than its cap.
    if (size > quarmont::update::maxFeedTextBytes)
        return 0;

    const auto text = quarmont::update::decodeFeedBody (data, size);

    if (! text.has_value())
        return 0;

    const auto latest = quarmont::update::latestVersionInFeed (*text);
    const auto newer = quarmont::update::feedNamesNewerVersion (*text, quarmont::update::currentVersion);

    if (newer && latest.isEmpty())
        finding ("newer without a version");

    if (newer != (latest.isNotEmpty() && quarmont::update::isNewer (quarmont::update::parseVersion (latest), { 1, 2, 0 })))
        finding ("newer disagrees with the version read by hand");

    // The whole body as a version, too.
    quarmont::update::parseVersion (*text);
    return 0;
}
