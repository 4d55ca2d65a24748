#pragma once

#include <juce_core/juce_core.h>

#include <optional>

#include "update/FeedJsonReader.h"
#include "update/RequestCancellation.h"

namespace quarmont::update
{
/** What one request for the feed may cost. The connection time-out is what the stream itself
    honours (libcurl rounds it up to whole seconds and also gives up on a connection that moves
    less than 100 bytes a second for that long); the total time and the body size bound what it
    does not: a server that keeps sending, however slowly, and an endless body. */
struct FeedRequestLimits
{
    int connectionTimeoutMs = 2500;
    int maxRedirects = 3;
    int totalTimeMs = 5000;
    int maxBodyBytes = (int) maxFeedTextBytes;
};

/** A body as text: UTF-8 without NUL bytes, with or without a byte order mark; nothing for
    anything else. */
std::optional<juce::String> decodeFeedBody (const void* data, size_t numBytes);

/** GETs the address (parameters in the address, no body, no extra headers) and returns the body
    as text, or nothing on any failure: no connection, more redirects than allowed, an answer
    that is not a success (2xx), a body over the size limit, not UTF-8, cut short, or a request
    cancelled or out of time. Blocks the calling thread for at most about the total time, as
    long as something calls cancellation.cancel() when the time is up (the check registry does);
    the deadline is also checked between reads. */
std::optional<juce::String> fetchFeedText (const juce::URL& address, const FeedRequestLimits& limits,
                                           RequestCancellation& cancellation);
} // namespace quarmont::update
