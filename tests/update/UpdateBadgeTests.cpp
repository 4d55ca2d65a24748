// The update badge in the editor's banner, and the editor's own update check: the badge after a
// feed that names a newer version, none otherwise, and windows that close before their check
// reports.

#include "UpdateTestSupport.h"

#include <map>

#include "../editor/EditorTestSupport.h"
#include "update/FeedAddress.h"
#include "update/UpdateBadge.h"

using namespace quarmont::testing;

namespace
{
const juce::Colour badgeRed (0xffe53935);

bool looksRed (juce::Colour c)
{
    return c.getRed() > 180 && c.getGreen() < 110 && c.getBlue() < 110;
}

/** The pixels of an image that look like the badge's red. */
juce::Rectangle<int> redArea (const juce::Image& image, juce::Rectangle<int> within)
{
    juce::Rectangle<int> area;
    const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::readOnly);

    for (int y = within.getY(); y < within.getBottom(); ++y)
        for (int x = within.getX(); x < within.getRight(); ++x)
            if (looksRed (pixels.getPixelColour (x, y)))
                area = area.isEmpty() ? juce::Rectangle<int> (x, y, 1, 1) : area.getUnion ({ x, y, 1, 1 });

    return area;
}

/** Points the editors' update check at a feed for the length of a test. */
struct FeedAddressForTest
{
    explicit FeedAddressForTest (const juce::URL& address) { quarmont::update::setUpdateFeedAddressForTesting (address); }
    ~FeedAddressForTest() { quarmont::update::setUpdateFeedAddressForTesting ({}); }
};

/** Closes an editor as JUCE's plug-in wrappers do. */
void closeEditor (QuarmontAudioProcessor& processor, std::unique_ptr<juce::AudioProcessorEditor>& editor)
{
    processor.editorBeingDeleted (editor.get());
    editor.reset();
}

std::unique_ptr<juce::AudioProcessorEditor> openEditor (QuarmontAudioProcessor& processor)
{
    return std::unique_ptr<juce::AudioProcessorEditor> (processor.createEditorIfNeeded());
}

const juce::Rectangle<int> header { 0, 0, 1140, 40 };
} // namespace

TEST (UpdateBadge, IsTheRedDotInTheBannersBottomRightCorner)
{
    struct Case { juce::Rectangle<int> banner; juce::Rectangle<int> expected; };
    const Case cases[] {
        { { 6, 6, 586, 28 }, { 576, 18, 10, 10 } }, // the default window size
        { { 10, 20, 100, 40 }, { 94, 44, 10, 10 } },
        { { 6, 6, 0, 28 }, {} },
        { { 6, 6, 586, 0 }, {} },
        { { 6, 6, -5, 28 }, {} },
    };

    for (const auto& c : cases)
    {
        juce::Image image (juce::Image::ARGB, 700, 100, true);
        {
            juce::Graphics g (image);
            g.fillAll (juce::Colour (0xff1a2236));
            quarmont::drawUpdateBadge (g, c.banner);
        }

        // The circle's anti-aliased rim reaches the square's edges but not past them.
        const auto red = redArea (image, image.getBounds());
        EXPECT_TRUE (c.expected.contains (red)) << c.banner.toString() << " drew at " << red.toString();

        if (! c.expected.isEmpty())
        {
            EXPECT_GE (red.getWidth(), 8) << c.banner.toString();
            EXPECT_GE (red.getHeight(), 8) << c.banner.toString();
            const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::readOnly);
            EXPECT_EQ (pixels.getPixelColour (c.expected.getCentreX(), c.expected.getCentreY()), badgeRed);
        }
        else
        {
            EXPECT_TRUE (red.isEmpty()) << c.banner.toString();
        }
    }
}

class EditorUpdateCheck : public ::testing::Test
{
protected:
    LocalHttpServer server { {
        { "/newer", answer (LocalHttpServer::feed ("1.3.0")) },
        { "/equal", answer (LocalHttpServer::feed ("1.2.0")) },
        { "/slow", answer (LocalHttpServer::feed ("1.3.0"), 200, 300) },
        { "/stall", behaving (Behaviour::neverAnswer) },
    }, 80 };

    QuarmontAudioProcessor processor;
};

TEST_F (EditorUpdateCheck, ANewerVersionShowsTheBadgeAndAnEqualOneDoesNot)
{
    struct Case { const char* path; bool badge; };

    for (const auto& c : { Case { "/newer", true }, Case { "/equal", false } })
    {
        FeedAddressForTest feed (server.url (c.path));
        auto editor = openEditor (processor);
        ASSERT_NE (editor, nullptr);

        // Before the answer, no badge.
        EXPECT_TRUE (redArea (renderSnapshot (*editor), header).isEmpty()) << c.path;

        ASSERT_TRUE (allChecksEnd());
        ASSERT_TRUE (deliverPendingMessages());

        const auto red = redArea (renderSnapshot (*editor), header);

        if (c.badge)
        {
            EXPECT_TRUE (juce::Rectangle<int> (576, 18, 10, 10).contains (red)) << red.toString();
            EXPECT_GE (red.getWidth(), 8);
        }
        else
        {
            EXPECT_TRUE (red.isEmpty()) << red.toString();
        }

        closeEditor (processor, editor);
    }
}

TEST_F (EditorUpdateCheck, AnEmptyBannerAreaHidesTheBadge)
{
    FeedAddressForTest feed (server.url ("/newer"));
    auto editor = openEditor (processor);
    ASSERT_TRUE (allChecksEnd());
    ASSERT_TRUE (deliverPendingMessages());
    ASSERT_FALSE (redArea (renderSnapshot (*editor), header).isEmpty());

    // Narrower than the preset bar and the view buttons: nothing is left for the banner.
    editor->setSize (540, 620);
    EXPECT_TRUE (redArea (renderSnapshot (*editor), { 0, 0, 540, 60 }).isEmpty());

    editor->setSize (1140, 760);
    EXPECT_FALSE (redArea (renderSnapshot (*editor), header).isEmpty());
    closeEditor (processor, editor);
}

TEST_F (EditorUpdateCheck, AWindowClosedWhileItsRequestIsOpenIsNeverTouched)
{
    FeedAddressForTest feed (server.url ("/stall"));
    auto editor = openEditor (processor);
    ASSERT_TRUE (server.waitForRequests (1, 10000));
    closeEditor (processor, editor);

    // Closing the window gave up its request.
    EXPECT_TRUE (allChecksEnd());
    EXPECT_TRUE (server.waitUntilAllClosed (10000));
    EXPECT_TRUE (deliverPendingMessages());
}

TEST_F (EditorUpdateCheck, AWindowClosedAfterItsResultIsPostedIsNeverTouched)
{
    FeedAddressForTest feed (server.url ("/newer"));

    for (int round = 0; round < 3; ++round)
    {
        auto editor = openEditor (processor);

        // The result is posted while the message loop does not run, then the window goes first.
        const auto end = juce::Time::getMillisecondCounter() + 20000;
        while (quarmont::update::CheckRegistry::instance().numRunning() > 0 && juce::Time::getMillisecondCounter() < end)
            juce::Thread::sleep (5);

        closeEditor (processor, editor);
        ASSERT_TRUE (deliverPendingMessages());
    }

    // A window that stays gets its badge, so the results above were really posted and dropped.
    auto editor = openEditor (processor);
    ASSERT_TRUE (allChecksEnd());
    ASSERT_TRUE (deliverPendingMessages());
    EXPECT_FALSE (redArea (renderSnapshot (*editor), header).isEmpty());
    closeEditor (processor, editor);
}

TEST_F (EditorUpdateCheck, FiftyWindowsOpenedAndClosedQuicklyAgainstASlowServer)
{
    FeedAddressForTest feed (server.url ("/slow"));

    for (int i = 0; i < 50; ++i)
    {
        auto editor = openEditor (processor);
        ASSERT_NE (editor, nullptr);
        runMessageLoop (i % 5 == 0 ? 40 : 2);
        closeEditor (processor, editor);
    }

    ASSERT_TRUE (allChecksEnd());
    ASSERT_TRUE (deliverPendingMessages());
    EXPECT_LE (server.numConnections(), 50);
    EXPECT_TRUE (server.waitUntilAllClosed (10000));

    // The window after them still works as it should.
    auto editor = openEditor (processor);
    ASSERT_TRUE (allChecksEnd());
    ASSERT_TRUE (deliverPendingMessages());
    EXPECT_FALSE (redArea (renderSnapshot (*editor), header).isEmpty());
    closeEditor (processor, editor);
}

TEST (EditorUpdateCheckFeeds, HostileFeedsShowNoBadgeAndRealWorldFeedsDo)
{
    // Served whole to the editor's check, the way the maker's host would.
    const std::string deep (90000, '[');
    const std::string deepEnd (90000, ']');
    const auto entry = [] (const std::string& members) { return R"({"products":{"quarmont":{"latest_version":"1.3.0",)" + members + "}}}"; };

    struct Case { const char* path; std::string body; bool badge; };
    const Case cases[] {
        // The feed that crashed the host through the old scan and JUCE's parser.
        { "/minus-quote", entry (R"("a": -)" "\r" R"("0, "b": )" + deep + deepEnd), false },
        { "/deep-arrays", entry (R"("b": )" + deep + deepEnd), false },
        { "/deep-objects", entry ("\"b\": " + juce::String::repeatedString (R"({"o":)", 40000).toStdString() + "0"
                                  + std::string (40000, '}')), false },
        { "/truncated", R"({"products":{"quarmont":{"latest_version":"1.3.0")", false },
        { "/text-after", entry (R"("a":1)") + " <html>", false },
        { "/timestamps", entry (R"("released":1733900000,"released_ms":1733900000123)"), true },
        { "/sizes", entry (R"("size":4294967296,"total":18446744073709551616)"), true },
        { "/decimals", entry (R"("ratio":0.12345678901234567890123456789,"big":1E+400)"), true },
        { "/bom", "\xef\xbb\xbf" + LocalHttpServer::feed ("1.3.0"), true },
    };

    std::map<std::string, Route> routes;
    for (const auto& c : cases)
        routes[c.path] = answer (c.body);

    LocalHttpServer server (routes, 40);
    QuarmontAudioProcessor processor;

    for (const auto& c : cases)
    {
        FeedAddressForTest feed (server.url (c.path));
        auto editor = openEditor (processor);
        ASSERT_NE (editor, nullptr);
        ASSERT_TRUE (allChecksEnd()) << c.path;
        runMessageLoop (50);

        EXPECT_EQ (! redArea (renderSnapshot (*editor), header).isEmpty(), c.badge) << c.path;
        closeEditor (processor, editor);
    }

    EXPECT_EQ (server.numConnections(), (int) std::size (cases));
}
