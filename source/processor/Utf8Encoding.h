#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

/** Reads the character at the start of the text, checked strictly: no overlong form, no
    surrogate, nothing past largestCodePoint, no sequence cut short. Returns how many bytes it
    takes, or 0 where the text does not start with such a character (or is empty). */
std::size_t decode (std::string_view text, std::uint32_t& codePoint) noexcept;
} // namespace quarmont::utf8
