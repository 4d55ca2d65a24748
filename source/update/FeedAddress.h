#pragma once

#include <juce_core/juce_core.h>

namespace quarmont::update
{
/** Where the editor's update check asks: "/products.json" over HTTPS on the maker's web host. */
juce::URL updateFeedAddress();

#if QUARMONT_UPDATE_FEED_TEST_HOOK
/** Only in the test builds of the plug-in core (quarmont_plugin_core_testable): points the
    editor's update check somewhere else, normally at a server of the test on 127.0.0.1. There
    it starts out empty, and an empty address makes no request at all, so that no test reaches
    the network unless it means to. Message thread. */
void setUpdateFeedAddressForTesting (const juce::URL& address);
#endif
} // namespace quarmont::update
