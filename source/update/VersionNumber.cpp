#include "update/VersionNumber.h"

#include <limits>
#include <tuple>

namespace quarmont::update
{
namespace
{
// juce::String::getIntValue reads the same leading integer, but lets large numbers wrap (and
// negating the most negative one is undefined); a feed may hold any digits, so this saturates.
int leadingInteger (const juce::String& token)
{
    auto p = token.getCharPointer();

    while (juce::CharacterFunctions::isWhitespace (*p))
        ++p;

    const auto negative = *p == '-';

    if (negative)
        ++p;

    const auto limit = negative ? -(long long) std::numeric_limits<int>::min() : (long long) std::numeric_limits<int>::max();
    long long value = 0;

    for (auto c = *p; c >= '0' && c <= '9'; c = *++p)
        value = std::min (limit, value * 10 + (c - '0'));

    return (int) (negative ? -value : value);
}
} // namespace

VersionNumber parseVersion (const juce::String& text)
{
    auto tokens = juce::StringArray::fromTokens (text, ".", "");
    tokens.removeEmptyStrings (true);

    VersionNumber version;
    int* parts[] { &version.major, &version.minor, &version.patch };

    for (int i = 0; i < 3 && i < tokens.size(); ++i)
        *parts[i] = leadingInteger (tokens[i]);

    return version;
}

bool isNewer (const VersionNumber& candidate, const VersionNumber& reference) noexcept
{
    return std::tie (candidate.major, candidate.minor, candidate.patch)
         > std::tie (reference.major, reference.minor, reference.patch);
}
} // namespace quarmont::update
