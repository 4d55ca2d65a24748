#include "update/FeedAddress.h"

#include "update/MakerWebHost.h"

namespace quarmont::update
{
#if QUARMONT_UPDATE_FEED_TEST_HOOK
namespace
{
// Replaced, not assigned: JUCE 7's URL assignment hands memcpy a null pointer for an empty body.
std::unique_ptr<juce::URL>& testFeedAddress()
{
    static std::unique_ptr<juce::URL> address;
    return address;
}
} // namespace

void setUpdateFeedAddressForTesting (const juce::URL& address)
{
    // An empty address is kept as none at all, so that a test which clears the hook leaves no URL
    // alive until the process ends (where JUCE's leak check may already have run).
    if (address.isEmpty())
        testFeedAddress().reset();
    else
        testFeedAddress() = std::make_unique<juce::URL> (address);
}

juce::URL updateFeedAddress()
{
    return testFeedAddress() != nullptr ? *testFeedAddress() : juce::URL();
}
#else
juce::URL updateFeedAddress()
{
    return juce::URL (juce::String ("https://") + makerWebHost + "/products.json");
}
#endif
} // namespace quarmont::update
