// Reading the update feed: version numbers, their order, and what counts as the feed.

#include <gtest/gtest.h>

#include "update/UpdateFeed.h"
#include "update/VersionNumber.h"

using quarmont::update::VersionNumber;

namespace
{
std::string describe (const VersionNumber& v)
{
    return std::to_string (v.major) + "." + std::to_string (v.minor) + "." + std::to_string (v.patch);
}

juce::String feedWithValue (const juce::String& latestVersionJson)
{
    return R"({"products":{"quarmont":{"latest_version":)" + latestVersionJson + "}}}";
}
} // namespace

TEST (UpdateVersion, ParsesAndComparesAsNumbers)
{
    struct Case { const char* latest; VersionNumber parsed; bool newer; };
    const Case cases[] {
        { "1.2.0", { 1, 2, 0 }, false },
        { "1.1.9", { 1, 1, 9 }, false },
        { "1.2.1", { 1, 2, 1 }, true },
        { "1.3", { 1, 3, 0 }, true },
        { "2", { 2, 0, 0 }, true },
        { "1.10.0", { 1, 10, 0 }, true },
        { "1.3.0-beta2", { 1, 3, 0 }, true },
        { "v1.3", { 0, 3, 0 }, false },
        { "1..3", { 1, 3, 0 }, true },
        { " 1 . 2 . 1 ", { 1, 2, 1 }, true },
        { "1.2.0.9", { 1, 2, 0 }, false },
        { "-1.5", { -1, 5, 0 }, false },
        { "", { 0, 0, 0 }, false },
        { "...", { 0, 0, 0 }, false },
        // Beyond the int range: the nearest int, not a wrapped-around number.
        { "99999999999.0", { 2147483647, 0, 0 }, true },
        { "1.-99999999999", { 1, -2147483647 - 1, 0 }, false },
    };

    const auto current = quarmont::update::parseVersion (quarmont::update::currentVersion);
    ASSERT_EQ (current, (VersionNumber { 1, 2, 0 }));

    for (const auto& c : cases)
    {
        const auto parsed = quarmont::update::parseVersion (c.latest);
        EXPECT_EQ (describe (parsed), describe (c.parsed)) << '"' << c.latest << '"';
        EXPECT_EQ (quarmont::update::isNewer (parsed, current), c.newer) << '"' << c.latest << '"';
        EXPECT_EQ (quarmont::update::feedNamesNewerVersion (feedWithValue (juce::JSON::toString (c.latest)), "1.2.0"), c.newer)
            << '"' << c.latest << '"';
    }
}

TEST (UpdateFeed, TakesTheLatestVersionOnlyFromTheExpectedObjects)
{
    struct Case { const char* what; juce::String text; const char* latest; };
    const Case cases[] {
        { "the feed", R"({"products":{"quarmont":{"latest_version":"1.3.0"},"other":{}}})", "1.3.0" },
        { "white space around the version", R"({"products":{"quarmont":{"latest_version":"  1.3.0 "}}})", "1.3.0" },
        { "a number is read as its text", feedWithValue ("2"), "2" },
        { "other members are ignored", R"({"x":[1,2],"products":{"a":1,"quarmont":{"notes":"n","latest_version":"1.4"}}})", "1.4" },
        { "no products", R"({"quarmont":{"latest_version":"9.0.0"}})", "" },
        { "no quarmont entry", R"({"products":{"other":{"latest_version":"9.0.0"}}})", "" },
        { "an entry that is not an object", R"({"products":{"quarmont":"9.0.0"}})", "" },
        { "products that are not an object", R"({"products":[{"quarmont":{"latest_version":"9.0.0"}}]})", "" },
        { "empty latest_version", feedWithValue (R"("")"), "" },
        { "blank latest_version", feedWithValue (R"("   ")"), "" },
        { "no latest_version", R"({"products":{"quarmont":{}}})", "" },
        { "a root that is not an object", R"([{"products":{"quarmont":{"latest_version":"9.0.0"}}}])", "" },
        { "text that is not JSON", "<html><body>404 Not Found</body></html>", "" },
        { "a truncated document", R"({"products":{"quarmont":{"latest_version":"9.0.0")", "" },
        { "nothing", "", "" },
        // JUCE's parser would overflow its integer on this many digits; digits in strings are fine.
        { "a number too long to parse", R"({"n":4444444444444444444444,"products":{"quarmont":{"latest_version":"1.3"}}})", "" },
        { "long digits inside a string", R"({"products":{"quarmont":{"latest_version":"1.3.44444444444444444444"}}})",
          "1.3.44444444444444444444" },
        { "an exponent too long to parse", R"({"n":75005E5000000000000,"products":{"quarmont":{"latest_version":"1.3"}}})", "" },
        { "ordinary numbers", R"({"n":123456789,"m":1.5e10,"products":{"quarmont":{"latest_version":2}}})", "2" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (quarmont::update::latestVersionInFeed (c.text), juce::String (c.latest)) << c.what;

    EXPECT_FALSE (quarmont::update::feedNamesNewerVersion (R"({"products":{"quarmont":{}}})", "1.2.0"));
}

TEST (UpdateFeed, DeepNestingIsRefusedBeforeParsing)
{
    // The JSON parser recurses once per level; this many levels would exhaust a thread's stack.
    const auto depth = 200000;
    const auto deep = R"({"products":{"quarmont":{"latest_version":"9.0.0","x":)" + juce::String::repeatedString ("[", depth)
                      + juce::String::repeatedString ("]", depth) + "}}}";
    EXPECT_FALSE (quarmont::update::nestingStaysWithin (deep, quarmont::update::maxFeedNesting));
    EXPECT_EQ (quarmont::update::latestVersionInFeed (deep), "");

    struct Case { const char* text; bool within; };
    const Case cases[] {
        { R"({"a":{"b":{"c":1}}})", true },
        // Brackets inside strings, escaped quotes included, do not count.
        { R"({"a":"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[\"[[[[[[[[[[[[[[[[[[[[[[[[[["})", true },
        { R"(])}]}{"a":1})", true },
    };

    for (const auto& c : cases)
        EXPECT_EQ (quarmont::update::nestingStaysWithin (c.text, 4), c.within) << c.text;

    EXPECT_TRUE (quarmont::update::nestingStaysWithin (juce::String::repeatedString ("[", 32), 32));
    EXPECT_FALSE (quarmont::update::nestingStaysWithin (juce::String::repeatedString ("{", 33), 32));

    // A feed at the limit still reads.
    const auto nested = R"({"products":{"quarmont":{"latest_version":"1.3","x":)" + juce::String::repeatedString ("[", 29)
                        + juce::String::repeatedString ("]", 29) + "}}}";
    EXPECT_EQ (quarmont::update::latestVersionInFeed (nested), "1.3");
}
