#include "processor/Utf8Encoding.h"

namespace quarmont::utf8
{
void append (std::string& out, std::uint32_t codePoint)
{
    if (codePoint < 0x80)
    {
        out += (char) codePoint;
    }
    else if (codePoint < 0x800)
    {
        out += (char) (0xc0 | (codePoint >> 6));
        out += (char) (0x80 | (codePoint & 0x3f));
    }
    else if (codePoint < 0x10000)
    {
        out += (char) (0xe0 | (codePoint >> 12));
        out += (char) (0x80 | ((codePoint >> 6) & 0x3f));
        out += (char) (0x80 | (codePoint & 0x3f));
    }
    else
    {
        out += (char) (0xf0 | (codePoint >> 18));
        out += (char) (0x80 | ((codePoint >> 12) & 0x3f));
        out += (char) (0x80 | ((codePoint >> 6) & 0x3f));
        out += (char) (0x80 | (codePoint & 0x3f));
    }
}

std::size_t decode (std::string_view text, std::uint32_t& codePoint) noexcept
{
    if (text.empty())
        return 0;

    const auto lead = (unsigned char) text[0];
    std::size_t continuationBytes = 0;
    std::uint32_t smallest = 0;

    if (lead < 0x80)                 { codePoint = lead; }
    else if ((lead & 0xe0) == 0xc0)  { continuationBytes = 1; codePoint = lead & 0x1fu; smallest = 0x80; }
    else if ((lead & 0xf0) == 0xe0)  { continuationBytes = 2; codePoint = lead & 0x0fu; smallest = 0x800; }
    else if ((lead & 0xf8) == 0xf0)  { continuationBytes = 3; codePoint = lead & 0x07u; smallest = 0x10000; }
    else                             return 0;

    if (text.size() <= continuationBytes)
        return 0;

    for (std::size_t i = 1; i <= continuationBytes; ++i)
    {
        const auto next = (unsigned char) text[i];

        if ((next & 0xc0) != 0x80)
            return 0;

        codePoint = (codePoint << 6) | (next & 0x3fu);
    }

    if (codePoint < smallest || codePoint > largestCodePoint || isSurrogate (codePoint))
        return 0;

    return continuationBytes + 1;
}
} // namespace quarmont::utf8
