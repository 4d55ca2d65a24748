#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <memory>

namespace quarmont::update
{
/** One background check of the update feed: a thread of the module's check registry fetches the
    feed (within the bounds of FeedRequestLimits), and when it names a version newer than
    currentVersion, onNewerVersion runs on the message thread. Destroying the check drops its
    result, whether it is still being fetched or already posted, and stops the request; it
    never waits for the thread. Create and destroy on the message thread. */
class UpdateCheck
{
public:
    UpdateCheck (const juce::URL& feedAddress, std::function<void()> onNewerVersion);
    ~UpdateCheck();

    /** True once the request and its parsing are over (a result, if any, has been posted). */
    bool hasEnded() const;

    struct Shared;

private:
    std::shared_ptr<Shared> shared;
    std::function<void()> cancelRequest;

    JUCE_DECLARE_NON_COPYABLE (UpdateCheck)
};
} // namespace quarmont::update
