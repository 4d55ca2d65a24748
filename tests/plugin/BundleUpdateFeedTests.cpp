// The built Quarmont.vst3's update check against the feeds a server may send, served over HTTPS
// as the maker's host would serve them (the shipped module's address cannot be changed: its
// requests go through libcurl's proxy setting to a TLS server of this test on 127.0.0.1, whose
// certificate is trusted only inside this test's own mount namespace). Hostile feeds must neither
// crash the host nor show the badge; real-world feeds, with timestamps, sizes and long decimals,
// must show it. The badge is read from the screen, as the user sees the plug-in's window.

#include <gtest/gtest.h>

#include <algorithm>

#include "hosting/PluginHost.h"
#include "support/LocalNetworkOnly.h"
#include "support/LocalTlsOrigin.h"
#include "ScreenPixels.h"
#include "XErrorTolerance.h"

namespace
{
const juce::File bundle { QUARMONT_VST3_BUNDLE };

bool looksRed (std::uint32_t rgb)
{
    return ((rgb >> 16) & 0xff) > 180 && ((rgb >> 8) & 0xff) < 110 && (rgb & 0xff) < 110;
}

/** An instance with its editor on screen, its header at the given height. */
struct OpenWindow
{
    explicit OpenWindow (int top)
    {
        juce::String error;
        instance = quarmont::hosting::loadVst3 (bundle, 48000.0, 512, 2, error);

        if (instance == nullptr)
            return;

        editor.reset (instance->createEditorIfNeeded());

        if (editor != nullptr)
        {
            editor->setTopLeftPosition (0, top);
            editor->addToDesktop (0);
            editor->setVisible (true);
        }
    }

    ~OpenWindow()
    {
        editor = nullptr;
        quarmont::hosting::pumpMessages (5);
    }

    /** The badge's red anywhere in the banner's row of the window, as the screen shows it. */
    bool showsBadge() const
    {
        const auto at = editor->getScreenPosition();
        const auto width = std::min (editor->getWidth(), 1280 - at.x);

        for (const auto rgb : quarmont::testing::readScreenPixels (at.x, at.y, width, 40))
            if (looksRed (rgb))
                return true;

        return false;
    }

    bool showsBadgeWithin (int timeoutMs) const
    {
        for (auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs; ! showsBadge();)
        {
            if (juce::Time::getMillisecondCounter() > end)
                return false;

            quarmont::hosting::pumpMessages (20);
        }

        return true;
    }

    std::unique_ptr<juce::AudioPluginInstance> instance;
    std::unique_ptr<juce::AudioProcessorEditor> editor;
};

std::string entryWith (const std::string& members)
{
    return R"({"products":{"quarmont":{"latest_version":"1.3.0",)" + members + "}}}";
}
} // namespace

TEST (BundleUpdateCheck, HostileFeedsCrashNothingAndShowNoBadgeWhileRealWorldFeedsDo)
{
    quarmont::testing::LocalTlsOrigin origin ("www.varnholtaudio.com", 40, 600000);
    std::string whyNot;

    if (! quarmont::testing::trustOnlyInThisMountNamespace (origin.certificatePem(), whyNot))
        GTEST_SKIP() << whyNot;

    quarmont::testing::sendHttpsRequestsToLocalProxy (origin.port());
    quarmont::testing::tolerateXErrors();

    const std::string deepArrays = std::string (90000, '[') + std::string (90000, ']');
    const std::string realWorld = entryWith (R"("released":1733900000,"released_ms":1733900000123,"size":4294967296,)"
                                             R"("ratio":0.12345678901234567890123456789,"notes":"Fixes")");
    struct Case { const char* what; std::string body; };
    const Case hostile[] {
        // The feed that crashed the host through the old scan and JUCE's recursive parser.
        { "a minus, white space and a quote before deep arrays", entryWith (R"("a": -)" "\r" R"("0, "b": )" + deepArrays) },
        { "deep arrays", entryWith (R"("b": )" + deepArrays) },
        { "long numbers, then text after the document", entryWith (R"("n": 75005E5000000000000, "m": 4444444444444444444444)") + " x" },
        { "a document cut short", realWorld.substr (0, realWorld.size() / 2) },
    };

    // Each hostile feed is answered while its window stays open; then a second window gets a
    // real-world feed. Its badge shows only after the first window's result has been handled
    // (both results go through the plug-in's one message queue, in order), so the first window
    // has had every chance to show a badge by then.
    for (const auto& c : hostile)
    {
        origin.setBody (c.body);
        const auto answered = origin.numAnswers();
        OpenWindow hostileWindow (0);
        ASSERT_NE (hostileWindow.editor, nullptr);
        ASSERT_TRUE (origin.waitForAnswers (answered + 1, 20000)) << c.what;

        origin.setBody (realWorld);
        OpenWindow sentinel (200);
        ASSERT_NE (sentinel.editor, nullptr);
        ASSERT_TRUE (origin.waitForAnswers (answered + 2, 20000)) << c.what;
        EXPECT_TRUE (sentinel.showsBadgeWithin (20000)) << c.what;
        EXPECT_FALSE (hostileWindow.showsBadge()) << c.what;
    }

    // Real-world feeds on their own.
    for (const auto& body : { realWorld, "\xef\xbb\xbf" + entryWith (R"("size":18446744073709551616)") })
    {
        origin.setBody (body);
        OpenWindow window (0);
        ASSERT_NE (window.editor, nullptr);
        EXPECT_TRUE (window.showsBadgeWithin (20000)) << body;
    }
}
