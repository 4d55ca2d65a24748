// The update check's request against a server of the test's own on 127.0.0.1: answers, error
// pages, redirects, servers that stall or never stop sending, and the check's owner going away.

#include "UpdateTestSupport.h"

#include <dlfcn.h>

#include <atomic>
#include <memory>

#include "update/FeedRequest.h"
#include "update/UpdateCheck.h"

using namespace quarmont::testing;
using quarmont::update::UpdateCheck;

namespace
{
const auto newer = LocalHttpServer::feed ("1.3.0");

std::map<std::string, Route> requestPathRoutes()
{
    return {
        { "/newer", answer (newer) },
        { "/equal", answer (LocalHttpServer::feed ("1.2.0")) },
        { "/lower", answer (LocalHttpServer::feed ("1.1.9")) },
        // An error page is not the feed, even one that reads like it.
        { "/missing", answer (newer, 404) },
        { "/html-404", answer ("<html><body>Not Found</body></html>", 404) },
        { "/server-error", answer (newer, 500) },
        { "/three-1", redirectTo ("/three-2") }, { "/three-2", redirectTo ("/three-3") }, { "/three-3", redirectTo ("/newer") },
        { "/four-1", redirectTo ("/four-2") }, { "/four-2", redirectTo ("/four-3") }, { "/four-3", redirectTo ("/four-4") },
        { "/four-4", redirectTo ("/newer") },
        { "/stall", behaving (Behaviour::neverAnswer) },
        { "/endless", behaving (Behaviour::endlessBody) },
        { "/trickle", behaving (Behaviour::trickleBody) },
        { "/close", behaving (Behaviour::closeAtOnce) },
        { "/huge", answer (std::string (300 * 1024, ' ') + newer) },
        { "/nul", answer (newer + std::string (1, '\0')) },
        { "/not-utf8", answer (R"({"products":{"quarmont":{"latest_version":"1.3.0","n":")" + std::string ("\xff\xfe\x80") + "\"}}}") },
    };
}

/** A check whose result is recorded instead of drawn. */
struct RecordedCheck
{
    explicit RecordedCheck (const juce::URL& address)
        : check (std::make_unique<UpdateCheck> (address, [this] { ++newerVersionCalls; })) {}

    int newerVersionCalls = 0;
    std::unique_ptr<UpdateCheck> check;
};
} // namespace

TEST (UpdateRequest, EveryKindOfServerEndsWithinItsBoundWithTheRightResult)
{
    LocalHttpServer server (requestPathRoutes(), 64);

    struct Case { const char* path; bool badge; };
    const Case cases[] {
        { "/newer", true }, { "/equal", false }, { "/lower", false },
        { "/missing", false }, { "/html-404", false }, { "/server-error", false },
        { "/three-1", true }, { "/four-1", false },
        { "/stall", false }, { "/endless", false }, { "/trickle", false }, { "/close", false },
        { "/huge", false }, { "/not-utf8", false }, { "/nul", false },
        { "/nowhere", false },
    };

    // All at once: each check has its own thread, and the slow ones take their few seconds together.
    std::vector<std::unique_ptr<RecordedCheck>> checks;

    for (const auto& c : cases)
        checks.push_back (std::make_unique<RecordedCheck> (server.url (c.path)));

    ASSERT_TRUE (pumpUntil ([&] {
        return std::all_of (checks.begin(), checks.end(), [] (auto& c) { return c->check->hasEnded(); });
    }));

    ASSERT_TRUE (deliverPendingMessages());

    for (size_t i = 0; i < std::size (cases); ++i)
        EXPECT_EQ (checks[i]->newerVersionCalls, cases[i].badge ? 1 : 0) << cases[i].path;

    // Three redirects were followed to the feed; of four, the fourth was not: the feed was asked
    // for once directly and once at the end of the chain of three.
    const auto lines = server.requestLines();
    const auto count = [&] (const std::string& line) { return std::count (lines.begin(), lines.end(), line); };
    EXPECT_EQ (count ("GET /three-3 HTTP/1.1"), 1);
    EXPECT_EQ (count ("GET /four-4 HTTP/1.1"), 1);
    EXPECT_EQ (count ("GET /newer HTTP/1.1"), 2);

    // Nothing is left open towards the server: the stalled and the endless ones were given up.
    EXPECT_TRUE (allChecksEnd());
    EXPECT_TRUE (server.waitUntilAllClosed (5000));
}

TEST (UpdateRequest, AnUnreachableHostEndsTheCheckWithoutResult)
{
    // A port on 127.0.0.1 that was free a moment ago: refused at once.
    int freePort = 0;
    {
        LocalHttpServer probe ({}, 0, 0);
        freePort = probe.port();
    }

    RecordedCheck check (juce::URL ("http://127.0.0.1:" + juce::String (freePort) + "/products.json"));
    ASSERT_TRUE (pumpUntil ([&] { return check.check->hasEnded(); }));
    ASSERT_TRUE (deliverPendingMessages());
    EXPECT_EQ (check.newerVersionCalls, 0);
}

TEST (UpdateRequest, TheFetchRefusesToStartOnceCancelled)
{
    LocalHttpServer server ({ { "/newer", answer (newer) } });
    quarmont::update::RequestCancellation cancellation;
    cancellation.cancel();
    EXPECT_FALSE (quarmont::update::fetchFeedText (server.url ("/newer"), {}, cancellation).has_value());
    EXPECT_EQ (server.numConnections(), 0);

    quarmont::update::RequestCancellation fresh;
    const auto text = quarmont::update::fetchFeedText (server.url ("/newer"), {}, fresh);
    ASSERT_TRUE (text.has_value());
    EXPECT_EQ (*text, juce::String (newer));
}

TEST (UpdateWithoutCurl, ABrokenLibcurlMeansNoRequestAndNoCrash)
{
    auto* curl = dlopen ("libcurl.so", RTLD_LAZY | RTLD_LOCAL);
    const auto realCurl = curl != nullptr && dlsym (curl, "curl_easy_init") != nullptr;

    if (realCurl)
        GTEST_SKIP() << "the real libcurl loads here; the WithoutCurl run has a broken one";

    LocalHttpServer server ({ { "/newer", answer (newer) } });
    RecordedCheck check (server.url ("/newer"));
    ASSERT_TRUE (pumpUntil ([&] { return check.check->hasEnded(); }));
    ASSERT_TRUE (deliverPendingMessages());
    EXPECT_EQ (check.newerVersionCalls, 0);
    EXPECT_EQ (server.numConnections(), 0);
}

//==============================================================================
TEST (UpdateCheckLifetime, DroppedWhileTheRequestIsOpenItNeverReportsAndStopsAtOnce)
{
    LocalHttpServer server ({ { "/stall", behaving (Behaviour::neverAnswer) }, { "/slow", answer (newer, 200, 1500) } });
    std::atomic<int> calls { 0 };

    int requests = 0;

    for (const auto* path : { "/stall", "/slow" })
    {
        auto check = std::make_unique<UpdateCheck> (server.url (path), [&] { ++calls; });
        ASSERT_TRUE (server.waitForRequests (++requests, 10000)) << path;
        check.reset();
    }

    // Destroying the check closed its connection; the server did not have to time out.
    EXPECT_TRUE (allChecksEnd());
    EXPECT_TRUE (server.waitUntilAllClosed (10000));
    ASSERT_TRUE (deliverPendingMessages());
    EXPECT_EQ (calls.load(), 0);
}

TEST (UpdateCheckLifetime, DroppedAfterTheResultIsPostedButBeforeItIsDeliveredItNeverReports)
{
    LocalHttpServer server ({ { "/newer", answer (newer) } });
    int calls = 0;
    auto check = std::make_unique<UpdateCheck> (server.url ("/newer"), [&] { ++calls; });

    // Wait without running the message loop: the result is posted and waits in the queue.
    const auto end = juce::Time::getMillisecondCounter() + 20000;
    while (! check->hasEnded() && juce::Time::getMillisecondCounter() < end)
        juce::Thread::sleep (5);

    ASSERT_TRUE (check->hasEnded());
    check.reset();
    ASSERT_TRUE (deliverPendingMessages());
    EXPECT_EQ (calls, 0);

    // The same check kept alive does report, once.
    check = std::make_unique<UpdateCheck> (server.url ("/newer"), [&] { ++calls; });
    ASSERT_TRUE (pumpUntil ([&] { return calls > 0 && check->hasEnded(); }));
    ASSERT_TRUE (deliverPendingMessages());
    EXPECT_EQ (calls, 1);
}

TEST (UpdateCheckLifetime, ModuleShutdownCancelsOpenRequestsAndWaitsForTheirThreads)
{
    LocalHttpServer server ({ { "/stall", behaving (Behaviour::neverAnswer) }, { "/trickle", behaving (Behaviour::trickleBody) } });
    int calls = 0;
    UpdateCheck stalled (server.url ("/stall"), [&] { ++calls; });
    UpdateCheck trickling (server.url ("/trickle"), [&] { ++calls; });
    ASSERT_TRUE (server.waitForRequests (2, 10000));
    ASSERT_EQ (quarmont::update::CheckRegistry::instance().numRunning(), 2);

    // What the module does as it goes: both threads have ended when this returns true.
    EXPECT_TRUE (quarmont::update::CheckRegistry::instance().cancelAllAndWait (quarmont::update::CheckRegistry::shutdownWait));
    EXPECT_EQ (quarmont::update::CheckRegistry::instance().numRunning(), 0);
    EXPECT_TRUE (stalled.hasEnded());
    EXPECT_TRUE (trickling.hasEnded());
    EXPECT_TRUE (server.waitUntilAllClosed (10000));

    // And checks start again afterwards (a host may create a new instance).
    LocalHttpServer second ({ { "/newer", answer (newer) } });
    UpdateCheck again (second.url ("/newer"), [&] { ++calls; });
    ASSERT_TRUE (pumpUntil ([&] { return calls > 0; }));
    EXPECT_EQ (calls, 1);
}
