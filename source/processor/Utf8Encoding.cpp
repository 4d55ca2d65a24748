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
} // namespace quarmont::utf8
