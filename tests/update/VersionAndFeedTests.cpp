// Reading the update feed: version numbers, their order, and what counts as the feed.

#include <gtest/gtest.h>

#include <functional>

#include "update/FeedJsonReader.h"
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
        { "a number keeps the text it was written with", feedWithValue ("1.30e0"), "1.30e0" },
        { "true is read as its text", feedWithValue ("true"), "true" },
        { "null is no version", feedWithValue ("null"), "" },
        { "an object is no version", feedWithValue (R"({"v":"9.0"})"), "" },
        { "an array is no version", feedWithValue (R"(["9.0"])"), "" },
        { "other members are ignored", R"({"x":[1,2],"products":{"a":1,"quarmont":{"notes":"n","latest_version":"1.4"}}})", "1.4" },
        { "no products", R"({"quarmont":{"latest_version":"9.0.0"}})", "" },
        { "no quarmont entry", R"({"products":{"other":{"latest_version":"9.0.0"}}})", "" },
        { "the path one level down", R"({"x":{"products":{"quarmont":{"latest_version":"9.0.0"}}}})", "" },
        { "an entry that is not an object", R"({"products":{"quarmont":"9.0.0"}})", "" },
        { "products that are not an object", R"({"products":[{"quarmont":{"latest_version":"9.0.0"}}]})", "" },
        { "empty latest_version", feedWithValue (R"("")"), "" },
        { "blank latest_version", feedWithValue (R"("   ")"), "" },
        { "no latest_version", R"({"products":{"quarmont":{}}})", "" },
        { "a root that is not an object", R"([{"products":{"quarmont":{"latest_version":"9.0.0"}}}])", "" },
        { "text that is not JSON", "<html><body>404 Not Found</body></html>", "" },
        { "a truncated document", R"({"products":{"quarmont":{"latest_version":"9.0.0")", "" },
        { "nothing", "", "" },
        { "white space only", " \r\n\t", "" },
        { "long digits inside a string", R"({"products":{"quarmont":{"latest_version":"1.3.44444444444444444444"}}})",
          "1.3.44444444444444444444" },
        { "ordinary numbers", R"({"n":123456789,"m":1.5e10,"products":{"quarmont":{"latest_version":2}}})", "2" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (quarmont::update::latestVersionInFeed (c.text), juce::String (c.latest)) << c.what;

    EXPECT_FALSE (quarmont::update::feedNamesNewerVersion (R"({"products":{"quarmont":{}}})", "1.2.0"));
}

TEST (UpdateFeed, RealWorldFeedsNameTheirVersion)
{
    // What a real feed carries besides the version: timestamps, file sizes, checksums, long
    // decimals, notes in any script, escapes, repeated names, a byte order mark.
    const auto longNotes = juce::String::repeatedString ("Fixes and improvements. ", 8000);
    struct Case { const char* what; juce::String text; const char* latest; };
    const Case cases[] {
        { "a Unix timestamp", R"({"generated":1733900000,"products":{"quarmont":{"latest_version":"1.3.0"}}})", "1.3.0" },
        { "a millisecond timestamp", R"({"products":{"quarmont":{"released_ms":1733900000123,"latest_version":"1.3.0"}}})", "1.3.0" },
        { "file sizes past 4 GB", R"({"products":{"quarmont":{"size":4294967296,"bundle":18446744073709551616,"latest_version":"1.3.0"}}})", "1.3.0" },
        { "an integer of a hundred digits", R"({"n":)" + juce::String::repeatedString ("9", 100) + R"(,"products":{"quarmont":{"latest_version":"1.3"}}})", "1.3" },
        { "a long decimal", R"({"products":{"quarmont":{"ratio":0.1234567890123456789012345678901234567890,"latest_version":"1.3.0"}}})", "1.3.0" },
        { "exponents past double's range", R"({"a":1E+400,"b":-0.0e-0,"c":75005E5000000000000,"products":{"quarmont":{"latest_version":"1.3.0"}}})", "1.3.0" },
        { "a member of 190 KB", R"({"notes":")" + longNotes + R"(","products":{"quarmont":{"latest_version":"1.3.0"}}})", "1.3.0" },
        { "notes in other scripts and escapes", juce::CharPointer_UTF8 (R"({"products":{"quarmont":{"notes":"Grüße 🎛 \ud83c\udf9b \" \\ \/ \b\f\n\r\t \u0000","latest_version":"1.3.0"}}})"), "1.3.0" },
        { "escapes in the path and the version", R"({"pro\u0064ucts":{"quar\u006dont":{"latest\u005fversion":"1\u002e3\/0"}}})", "1.3/0" },
        { "white space everywhere JSON allows it", " \r\n{\t\"products\" :\n{ \"quarmont\" : { \"latest_version\" :\r\n\"1.3.0\" } } }\n ", "1.3.0" },
        { "a byte order mark", juce::String::charToString (0xfeff) + R"({"products":{"quarmont":{"latest_version":"1.3.0"}}})", "1.3.0" },
        // Repeated names: the last one wins at every level, as when the document is read into
        // objects in order (what JavaScript and most JSON libraries do).
        { "a later latest_version wins", R"({"products":{"quarmont":{"latest_version":"1.1","latest_version":"1.3"}}})", "1.3" },
        { "a later quarmont entry replaces the earlier", R"({"products":{"quarmont":{"latest_version":"9.0"},"quarmont":{"notes":""}}})", "" },
        { "a later products replaces the earlier", R"({"products":{"quarmont":{"latest_version":"9.0"}},"products":{"quarmont":{"latest_version":"1.3"}}})", "1.3" },
        { "a later products that is not an object", R"({"products":{"quarmont":{"latest_version":"9.0"}},"products":null})", "" },
    };

    for (const auto& c : cases)
    {
        EXPECT_EQ (quarmont::update::latestVersionInFeed (c.text), juce::String (c.latest)) << c.what;
        EXPECT_EQ (quarmont::update::feedNamesNewerVersion (c.text, "1.2.0"), juce::String (c.latest).isNotEmpty()) << c.what;
    }
}

TEST (UpdateFeed, AnythingBesideTheGrammarIsRefusedWhole)
{
    const auto tail = juce::String (R"(,"products":{"quarmont":{"latest_version":"1.3.0"}}})");
    struct Case { const char* what; juce::String text; };
    const Case cases[] {
        // Found by fuzzing the old pre-parse scan: after "-" and white space JUCE's parser took a
        // quote for a digit, so the brackets after it were hidden from the scan.
        { "a minus, white space and a quote", R"({"products":{"quarmont":{"latest_version":"1.3.0","a":-)" "\r"
                                                R"("0,"b":[[]]}}})" },
        { "text after the document", R"({"products":{"quarmont":{"latest_version":"1.3.0"}}} x)" },
        { "two documents", R"({}{"products":{"quarmont":{"latest_version":"1.3.0"}}})" },
        { "a trailing comma", R"({"a":[1,2,]})" + tail },
        { "a trailing comma in an object", R"({"a":{"b":1,}})" + tail },
        { "a missing comma", R"({"a":[1 2]})" + tail },
        { "a missing colon", R"({"a" 1)" + tail },
        { "a name that is not a string", R"({a:1)" + tail },
        { "single quotes", R"({"a":'x')" + tail },
        { "a comment", R"({"a":1 /* c */)" + tail },
        { "NaN", R"({"a":NaN)" + tail },
        { "a leading zero", R"({"a":01)" + tail },
        { "a plus sign", R"({"a":+1)" + tail },
        { "a bare fraction", R"({"a":.5)" + tail },
        { "a fraction without digits", R"({"a":1.)" + tail },
        { "an exponent without digits", R"({"a":1e+)" + tail },
        { "a hexadecimal number", R"({"a":0x10)" + tail },
        { "a minus alone", R"({"a":-)" + tail },
        { "a capitalised literal", R"({"a":True)" + tail },
        { "a cut literal", R"({"a":nul)" + tail },
        { "a tab inside a string", "{\"a\":\"x\ty\"" + tail },
        { "a newline inside a string", "{\"a\":\"x\ny\"" + tail },
        { "an unknown escape", R"({"a":"\x41")" + tail },
        { "a short unicode escape", R"({"a":"\u12")" + tail },
        { "an unterminated string", R"({"a":"abc)" },
        { "unbalanced brackets", R"({"a":[}]")" + tail },
        { "a closing bracket too many", R"({"products":{"quarmont":{"latest_version":"1.3.0"}}}})" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (quarmont::update::latestVersionInFeed (c.text), "") << c.what;

    // Bytes a juce::String never holds, straight to the reader.
    const std::string_view badBytes[] {
        "{\"products\":{\"quarmont\":{\"latest_version\":\"1.3\xff\"}}}",
        "{\"products\":{\"quarmont\":{\"latest_version\":\"1.3\xc0\xae\"}}}",    // an overlong "."
        "{\"products\":{\"quarmont\":{\"latest_version\":\"1.3\xed\xa0\x80\"}}}", // a surrogate
        "{\"products\":{\"quarmont\":{\"latest_version\":\"1.3\xe2\x82\"}}}",     // cut short
        std::string_view ("{\"products\":{\"quarmont\":{\"latest_version\":\"1.3\0\"}}}", 51),
    };

    for (const auto bytes : badBytes)
        EXPECT_FALSE (quarmont::update::readFeedJson (bytes).wellFormed) << std::string (bytes);
}

TEST (UpdateFeed, NestingReadsUpToTheBoundAndIsRefusedPastIt)
{
    // Deep nesting in every place JSON allows it: the root's members, the path's objects, the
    // version's own value, arrays and objects inside arrays. Up to maxFeedNesting levels in all
    // the feed reads; one more and it is refused whole, however deep (200 000 levels would
    // exhaust a recursive parser's stack).
    const auto arrays = [] (int n) { return juce::String::repeatedString ("[", n) + juce::String::repeatedString ("]", n); };
    const auto objects = [] (int n)
    {
        return juce::String::repeatedString (R"({"o":)", n) + "0" + juce::String::repeatedString ("}", n);
    };
    const auto mixed = [] (int n)
    {
        std::string text;
        for (int i = 0; i < n; ++i) text += (i % 2 == 0 ? "[" : R"({"m":)");
        text += "1";
        for (int i = n - 1; i >= 0; --i) text += (i % 2 == 0 ? "]" : "}");
        return juce::String (text);
    };
    const auto limit = quarmont::update::maxFeedNesting;

    using Make = std::function<juce::String (int)>;
    struct Place { const char* what; int levelsAbove; std::function<juce::String (const juce::String&)> embed; };
    const Place places[] {
        { "a member of the root", 1, [] (const juce::String& v) { return R"({"x":)" + v + R"(,"products":{"quarmont":{"latest_version":"1.3"}}})"; } },
        { "a member of products", 2, [] (const juce::String& v) { return R"({"products":{"x":)" + v + R"(,"quarmont":{"latest_version":"1.3"}}})"; } },
        { "a member of the entry", 3, [] (const juce::String& v) { return R"({"products":{"quarmont":{"latest_version":"1.3","x":)" + v + "}}}"; } },
        { "an element of an array", 2, [] (const juce::String& v) { return R"({"x":[0,)" + v + R"(],"products":{"quarmont":{"latest_version":"1.3"}}})"; } },
    };

    for (const auto& place : places)
    {
        for (const auto& [kind, make] : { std::pair<const char*, Make> { "arrays", arrays }, { "objects", objects }, { "mixed", mixed } })
        {
            const auto within = limit - place.levelsAbove;
            EXPECT_EQ (quarmont::update::latestVersionInFeed (place.embed (make (within))), "1.3") << place.what << ", " << kind;
            EXPECT_EQ (quarmont::update::latestVersionInFeed (place.embed (make (within + 1))), "") << place.what << ", " << kind;
            EXPECT_EQ (quarmont::update::latestVersionInFeed (place.embed (make (200000))), "") << place.what << ", " << kind;
        }
    }

    // The version's own value and the root itself, nested.
    EXPECT_EQ (quarmont::update::latestVersionInFeed (feedWithValue (arrays (limit - 3))), "");
    EXPECT_EQ (quarmont::update::latestVersionInFeed (feedWithValue (arrays (200000))), "");
    EXPECT_FALSE (quarmont::update::readFeedJson (arrays (limit).toStdString()).latestVersion.has_value());
    EXPECT_TRUE (quarmont::update::readFeedJson (arrays (limit).toStdString()).wellFormed);
    EXPECT_FALSE (quarmont::update::readFeedJson (arrays (limit + 1).toStdString()).wellFormed);
    EXPECT_FALSE (quarmont::update::readFeedJson (juce::String::repeatedString ("[", 200000).toStdString()).wellFormed);
}

TEST (UpdateFeed, TextPastTheRequestsCapIsRefused)
{
    const auto feed = juce::String (R"({"products":{"quarmont":{"latest_version":"1.3"}},"pad":")");
    const auto padding = (int) quarmont::update::maxFeedTextBytes - feed.length() - 2;

    EXPECT_EQ (quarmont::update::latestVersionInFeed (feed + juce::String::repeatedString ("x", padding) + "\"}"), "1.3");
    EXPECT_EQ (quarmont::update::latestVersionInFeed (feed + juce::String::repeatedString ("x", padding + 1) + "\"}"), "");
}
