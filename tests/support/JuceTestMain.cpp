// Test entry point for programs that need a JUCE message manager: the main thread becomes the
// message thread, as it is in a host.

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include "support/TemporaryHome.h"
#include "support/LocalNetworkOnly.h"

int main (int argc, char** argv)
{
    // The hosted plug-in checks its update feed whenever an editor opens.
    quarmont::testing::keepHttpsRequestsLocal();
    ::testing::InitGoogleTest (&argc, argv);

    // Every window these programs open lists the user's preset folder; let it be a scratch one.
    quarmont::testing::TemporaryHome home;
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    return RUN_ALL_TESTS();
}
