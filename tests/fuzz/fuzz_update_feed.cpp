// An update feed's body as any server might send it: bytes that may or may not be UTF-8, JSON,
// deeply nested, or the feed with odd versions. Nothing may crash, overflow or recurse without
// bound, and the answer must agree with reading the version by hand.

#include <cstdlib>

#include "update/FeedRequest.h"
#include "update/UpdateFeed.h"
#include "update/VersionNumber.h"

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    // The request never hands on more than its cap.
    if (size > 256 * 1024)
        return 0;

    const auto text = quarmont::update::decodeFeedBody (data, size);

    if (! text.has_value())
        return 0;

    const auto latest = quarmont::update::latestVersionInFeed (*text);
    const auto newer = quarmont::update::feedNamesNewerVersion (*text, quarmont::update::currentVersion);

    if (newer && latest.isEmpty())
        std::abort();

    if (newer != (latest.isNotEmpty() && quarmont::update::isNewer (quarmont::update::parseVersion (latest), { 1, 2, 0 })))
        std::abort();

    // The whole body as a version, too.
    quarmont::update::parseVersion (*text);
    return 0;
}
