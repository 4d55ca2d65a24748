// The built Quarmont.vst3 unloaded while its update check has a request open: the host loads the
// module, opens the editor (which starts the check), closes it and the instance, and unloads the
// module. Nothing may hang, crash or stay behind. The module is the shipped one: its HTTPS request
// for the maker's feed goes, through libcurl's proxy setting, to a server of this test on
// 127.0.0.1 that accepts the tunnel and never answers.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include "hosting/PluginHost.h"
#include "support/LocalHttpServer.h"
#include "support/LocalNetworkOnly.h"
#include "XErrorTolerance.h"

namespace
{
const juce::File bundle { QUARMONT_VST3_BUNDLE };

juce::String moduleBinary()
{
    return bundle.getChildFile ("Contents/x86_64-linux/Quarmont.so").getFullPathName();
}

bool moduleIsLoaded()
{
    auto* handle = dlopen (moduleBinary().toRawUTF8(), RTLD_NOW | RTLD_NOLOAD);

    if (handle == nullptr)
        return false;

    dlclose (handle);
    return true;
}

int numThreads()
{
    return juce::File ("/proc/self/task").getNumberOfChildFiles (juce::File::findDirectories);
}

/** Waits, at most timeoutMs, for the condition; the bound only stops a hang. */
bool eventually (std::function<bool()> condition, int timeoutMs = 10000)
{
    for (auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs; ! condition();)
    {
        if (juce::Time::getMillisecondCounter() > end)
            return false;

        juce::Thread::sleep (10);
    }

    return true;
}

/** What a host does over one session with the plug-in: load the module, open the editor (which
    starts the update check), wait until its request is open, close the editor and the instance,
    unload the module (the host's JUCE does that at its shutdown). */
void runHostSession (quarmont::testing::LocalHttpServer& proxy, int requestsBefore)
{
    juce::ScopedJuceInitialiser_GUI hostJuce;

    juce::String error;
    auto instance = quarmont::hosting::loadVst3 (bundle, 48000.0, 512, 2, error);
    ASSERT_NE (instance, nullptr) << error;
    ASSERT_TRUE (moduleIsLoaded());

    std::unique_ptr<juce::AudioProcessorEditor> editor (instance->createEditorIfNeeded());
    ASSERT_NE (editor, nullptr);
    quarmont::testing::tolerateXErrors();
    editor->addToDesktop (0);
    editor->setVisible (true);

    for (int i = 0; i < 500 && (int) proxy.requestLines().size() <= requestsBefore; ++i)
        quarmont::hosting::pumpMessages (20);

    // The shipped module asks the maker's host over HTTPS, and the request is open now.
    ASSERT_TRUE (proxy.waitForRequests (requestsBefore + 1, 1000));
    EXPECT_EQ (proxy.requestLines().back().rfind ("CONNECT www.varnholtaudio.com:443 ", 0), 0u) << proxy.requestLines().back();
    EXPECT_EQ (proxy.numOpenConnections(), 1);

    editor = nullptr;
    quarmont::hosting::pumpMessages (5);
    instance = nullptr; // the module's last instance: the plug-in's own JUCE shuts down
    quarmont::hosting::pumpMessages (5);
}
} // namespace

TEST (ModuleUnload, AnOpenUpdateRequestNeitherHangsNorOutlivesTheModule)
{
    using Behaviour = quarmont::testing::LocalHttpServer::Behaviour;
    quarmont::testing::LocalHttpServer::Route stall;
    stall.behaviour = Behaviour::neverAnswer;
    quarmont::testing::LocalHttpServer proxy ({ { "*", stall } }, 8, 120000);
    quarmont::testing::sendHttpsRequestsToLocalProxy (proxy.port());

    ASSERT_FALSE (moduleIsLoaded());
    const auto threadsBefore = numThreads();

    // Twice: the host goes on after the unload, and can load the plug-in again.
    for (int session = 0; session < 2; ++session)
    {
        runHostSession (proxy, session);

        if (::testing::Test::HasFatalFailure())
            return;

        // Nothing of the plug-in still runs, and its request is closed. (glibc keeps this module
        // mapped after dlclose, as it does every module with GNU unique symbols, which libstdc++'s
        // headers put into it; on other systems it is unmapped.)
        // The thread count may lag by the test server's own connection thread, which ends as soon as it
        // sees the close; a check thread or the check registry's watchdog left behind would not.
        EXPECT_TRUE (proxy.waitUntilAllClosed (10000)) << "session " << session;
        EXPECT_TRUE (eventually ([&] { return numThreads() <= threadsBefore; }, 1000))
            << "session " << session << ": " << numThreads() << " threads, " << threadsBefore << " before";
    }

    EXPECT_EQ (proxy.numConnections(), 2);
}
