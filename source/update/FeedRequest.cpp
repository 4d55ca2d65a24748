#include "update/FeedRequest.h"

#include <cstring>
#include <limits>

#if JUCE_LINUX || JUCE_BSD
 #include <dlfcn.h>
#endif

namespace quarmont::update
{
std::optional<juce::String> decodeFeedBody (const void* bytes, size_t numBytes)
{
    if (numBytes > (size_t) std::numeric_limits<int>::max())
        return std::nullopt;

    auto* data = static_cast<const char*> (bytes);
    auto size = (int) numBytes;

    if (size >= 3 && juce::CharPointer_UTF8::isByteOrderMark (data))
    {
        data += 3;
        size -= 3;
    }

    if (size == 0)
        return juce::String();

    // A NUL would end the text for some readers and not for others (JUCE's JSON parser reads on).
    if (std::memchr (data, 0, (size_t) size) != nullptr || ! juce::CharPointer_UTF8::isValidString (data, size))
        return std::nullopt;

    return juce::String::fromUTF8 (data, size);
}

namespace
{
/** On Linux JUCE's web streams load libcurl when the first one is made, and dereference what they
    failed to load when it is missing or incomplete: a crash of the host. This looks first, the
    way JUCE does (the first of these names that opens is the one it uses). The library stays
    loaded for the life of the process: unloading it would strand what its initialisers set up. */
bool webStreamsCanWork()
{
   #if JUCE_LINUX || JUCE_BSD
    static const bool available = []
    {
        void* curl = nullptr;

        for (const auto* name : { "libcurl.so", "libcurl.so.4", "libcurl.so.3" })
            if ((curl = dlopen (name, RTLD_LAZY | RTLD_LOCAL)) != nullptr)
                break;

        if (curl == nullptr)
            return false;

        for (const auto* symbol : { "curl_easy_init", "curl_easy_setopt", "curl_easy_cleanup", "curl_easy_getinfo",
                                    "curl_multi_add_handle", "curl_multi_cleanup", "curl_multi_fdset", "curl_multi_info_read",
                                    "curl_multi_init", "curl_multi_perform", "curl_multi_remove_handle", "curl_multi_timeout",
                                    "curl_slist_append", "curl_slist_free_all", "curl_version_info" })
            if (dlsym (curl, symbol) == nullptr)
                return false;

        return true;
    }();

    return available;
   #else
    return true;
   #endif
}

/** Keeps the stream known to the cancellation for as long as it exists. */
struct AttachedStream
{
    AttachedStream (juce::WebInputStream& s, RequestCancellation& c) : cancellation (c), attached (c.attach (s)) {}
    ~AttachedStream() { cancellation.detach(); }

    RequestCancellation& cancellation;
    const bool attached;
};
} // namespace

std::optional<juce::String> fetchFeedText (const juce::URL& address, const FeedRequestLimits& limits,
                                           RequestCancellation& cancellation)
{
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) juce::jmax (0, limits.totalTimeMs);
    const auto timeIsUp = [deadline] { return (juce::int32) (juce::Time::getMillisecondCounter() - deadline) >= 0; };

    if (address.isEmpty() || cancellation.isCancelled() || ! webStreamsCanWork())
        return std::nullopt;

    // What juce::URL::createInputStream does with InputStreamOptions (ParameterHandling::inAddress,
    // the time-out and the redirects), with the stream made here so that it can be cancelled
    // while it connects.
    juce::WebInputStream stream (address, false);
    stream.withConnectionTimeout (limits.connectionTimeoutMs);
    stream.withNumRedirectsToFollow (limits.maxRedirects);

    const AttachedStream attachment (stream, cancellation);

    if (! attachment.attached)
        return std::nullopt;

    if (! stream.connect (nullptr))
        return std::nullopt;

    // After connect these only read what the stream stored; the lock keeps a concurrent cancel
    // (which clears the stream's handle) from racing them.
    const auto [failed, status] = cancellation.withStreamLocked ([&stream] {
        return std::make_pair (stream.isError(), stream.getStatusCode());
    });

    // Error pages are not the feed, whatever they contain.
    if (failed || status < 200 || status > 299)
        return std::nullopt;

    juce::MemoryBlock body;
    char chunk[8192];

    for (;;)
    {
        if (timeIsUp() || cancellation.isCancelled())
            return std::nullopt;

        const auto room = limits.maxBodyBytes + 1 - (int) body.getSize();
        const auto received = stream.read (chunk, juce::jmin ((int) sizeof (chunk), room));

        if (received <= 0)
            break;

        body.append (chunk, (size_t) received);

        if ((int) body.getSize() > limits.maxBodyBytes)
            return std::nullopt;
    }

    // A transfer that ended in an error, or was cancelled, delivered only part of the body.
    const auto cutShort = cancellation.withStreamLocked ([&stream] { return stream.isError(); });

    if (cutShort || cancellation.isCancelled())
        return std::nullopt;

    return decodeFeedBody (body.getData(), body.getSize());
}
} // namespace quarmont::update
