#include "update/FeedAddress.h"

#include "update/MakerWebHost.h"

namespace quarmont::update
{
#if QUARMONT_UPDATE_FEED_TEST_HOOK
namespace
{
juce::URL& testFeedAddress()
{
    static juce::URL address;
    return address;
}
} // namespace

void setUpdateFeedAddressForTesting (const juce::URL& address)
{
    testFeedAddress() = address;
}

juce::URL updateFeedAddress()
{
    return testFeedAddress();
}
#else
juce::URL updateFeedAddress()
{
    return juce::URL (juce::String ("https://") + makerWebHost + "/products.json");
}
#endif
} // namespace quarmont::update
