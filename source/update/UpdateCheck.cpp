#include "update/UpdateCheck.h"

#include <juce_events/juce_events.h>

#include <atomic>

#include "update/CheckRegistry.h"
#include "update/FeedRequest.h"
#include "update/UpdateFeed.h"
#include "update/VersionNumber.h"

namespace quarmont::update
{
struct UpdateCheck::Shared
{
    // Message thread only.
    std::function<void()> onNewerVersion;
    bool dropped = false;

    std::atomic<bool> ended { false };
};

namespace
{
void runCheck (const std::shared_ptr<UpdateCheck::Shared>& shared, const juce::URL& feedAddress,
               const FeedRequestLimits& limits, RequestCancellation& cancellation)
{
    const auto text = fetchFeedText (feedAddress, limits, cancellation);

    if (text.has_value() && ! cancellation.isCancelled() && feedNamesNewerVersion (*text, currentVersion))
    {
        // Delivered on the message thread, where the check's owner may have dropped it meanwhile.
        juce::MessageManager::callAsync ([shared]
        {
            if (! shared->dropped && shared->onNewerVersion != nullptr)
                shared->onNewerVersion();
        });
    }
}
} // namespace

UpdateCheck::UpdateCheck (const juce::URL& feedAddress, std::function<void()> onNewerVersion)
    : shared (std::make_shared<Shared>())
{
    shared->onNewerVersion = std::move (onNewerVersion);

    if (feedAddress.isEmpty())
    {
        shared->ended = true;
        cancelRequest = [] {};
        return;
    }

    const FeedRequestLimits limits;
    auto cancellation = CheckRegistry::instance().start (
        [s = shared, feedAddress, limits] (RequestCancellation& c)
        {
            try
            {
                runCheck (s, feedAddress, limits, c);
            }
            catch (...)
            {
            }

            s->ended = true;
        },
        std::chrono::milliseconds (limits.totalTimeMs));

    cancelRequest = [cancellation] { cancellation->cancel(); };
}

UpdateCheck::~UpdateCheck()
{
    shared->dropped = true;
    shared->onNewerVersion = nullptr;
    cancelRequest();
}

bool UpdateCheck::hasEnded() const
{
    return shared->ended.load();
}
} // namespace quarmont::update
