#pragma once

#include <cstdint>
#include <string>

namespace quarmont::utf8
{
/** The largest code point Unicode has. */
constexpr std::uint32_t largestCodePoint = 0x10ffff;

/** The code points UTF-16 keeps for its surrogate pairs: no characters of their own, so UTF-8 may
    not hold them. */
constexpr bool isSurrogate (std::uint32_t codePoint) noexcept
{
    return codePoint >= 0xd800 && codePoint <= 0xdfff;
}

/** Appends a code point in UTF-8. The readers that decode references and escapes check the code
    point first: at most largestCodePoint, and no surrogate. */
void append (std::string& out, std::uint32_t codePoint);
} // namespace quarmont::utf8
