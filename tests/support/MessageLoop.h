#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include <juce_events/juce_events.h>

namespace quarmont::testing
{
/** Runs the message loop until condition holds; false if it still does not after timeoutMs.
    The bound is generous: it only keeps a broken build from hanging. */
inline bool runMessagesUntil (const std::function<bool()>& condition, int timeoutMs = 20000)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return false;

        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    }

    return true;
}

/** Runs the message loop until every message posted before the call has been delivered, and the
    messages those post in turn, to a depth of `rounds`: the queue is first in, first out, so a
    marker posted now runs after them, and a marker posted by that marker after what they posted.
    What must NOT have happened is asserted after this, never after a fixed wait. */
inline bool deliverPendingMessages (int rounds = 8, int timeoutMs = 20000)
{
    auto remaining = std::make_shared<std::atomic<int>> (rounds);
    auto postMarker = std::make_shared<std::function<void()>>();

    *postMarker = [remaining, weakPost = std::weak_ptr<std::function<void()>> (postMarker)]
    {
        juce::MessageManager::callAsync ([remaining, weakPost]
        {
            if (--*remaining > 0)
                if (auto post = weakPost.lock())
                    (*post)();
        });
    };

    (*postMarker)();
    return runMessagesUntil ([&] { return remaining->load() <= 0; }, timeoutMs);
}
} // namespace quarmont::testing
