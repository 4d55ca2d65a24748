#include "update/UpdateFeed.h"

#include "update/VersionNumber.h"

namespace quarmont::update
{
namespace
{
/** Calls visit for every character outside JSON strings (a string's opening quote included, so a
    visitor sees where a string interrupts the text), until visit returns false. */
template <typename Visitor>
bool everyCharacterOutsideStrings (const juce::String& text, Visitor&& visit)
{
    bool inString = false;

    for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
    {
        const auto c = *p;

        if (inString)
        {
            if (c == '\\')
            {
                if ((++p).isEmpty())
                    break;
            }
            else if (c == '"')
            {
                inString = false;
            }

            continue;
        }

        if (! visit (c))
            return false;

        inString = c == '"';
    }

    return true;
}
} // namespace

bool nestingStaysWithin (const juce::String& text, int maxDepth)
{
    int depth = 0;

    return everyCharacterOutsideStrings (text, [&] (juce::juce_wchar c)
    {
        if (c == '{' || c == '[')
            return ++depth <= maxDepth;

        if ((c == '}' || c == ']') && depth > 0)
            --depth;

        return true;
    });
}

bool numbersStayShort (const juce::String& text)
{
    int digitsInARow = 0;

    return everyCharacterOutsideStrings (text, [&] (juce::juce_wchar c)
    {
        digitsInARow = (c >= '0' && c <= '9') ? digitsInARow + 1 : 0;
        return digitsInARow <= maxFeedNumberDigits;
    });
}

juce::String latestVersionInFeed (const juce::String& feedText)
{
    if (! nestingStaysWithin (feedText, maxFeedNesting) || ! numbersStayShort (feedText))
        return {};

    const auto document = juce::JSON::parse (feedText);

    if (! document.isObject())
        return {};

    const auto products = document.getProperty ("products", {});

    if (! products.isObject())
        return {};

    const auto entry = products.getProperty ("quarmont", {});

    if (! entry.isObject())
        return {};

    return entry.getProperty ("latest_version", {}).toString().trim();
}

bool feedNamesNewerVersion (const juce::String& feedText, const juce::String& current)
{
    const auto latest = latestVersionInFeed (feedText);

    if (latest.isEmpty())
        return false;

    return isNewer (parseVersion (latest), parseVersion (current.trim()));
}
} // namespace quarmont::update
