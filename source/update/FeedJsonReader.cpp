#include "update/FeedJsonReader.h"

#include "processor/Utf8Encoding.h"

#include <array>
#include <cstdint>

namespace quarmont::update
{
namespace
{
/** Where a value sits, as far as the feed's path is concerned. */
enum class Place
{
    elsewhere,
    root,
    products,
    entry,         // "products" / "quarmont"
    latestVersion, // "products" / "quarmont" / "latest_version"
};

struct Container
{
    bool isObject = false;
    Place place = Place::elsewhere;
};

/** The place of a member of an object at the given place. */
Place placeOfMember (Place object, std::string_view name)
{
    if (object == Place::root && name == "products")       return Place::products;
    if (object == Place::products && name == "quarmont")   return Place::entry;
    if (object == Place::entry && name == "latest_version") return Place::latestVersion;
    return Place::elsewhere;
}

bool isJsonWhitespace (char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isDigit (char c)
{
    return c >= '0' && c <= '9';
}

int hexDigitValue (char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr std::uint32_t replacementCharacter = 0xfffd;

bool isHighSurrogate (std::uint32_t u) { return u >= 0xd800 && u <= 0xdbff; }
bool isLowSurrogate (std::uint32_t u)  { return u >= 0xdc00 && u <= 0xdfff; }

/** A cursor over the text with the grammar's pieces; each read either consumes a whole piece and
    returns true, or returns false (the document is then refused, so where it stopped does not
    matter). */
class Cursor
{
public:
    explicit Cursor (std::string_view textToRead) : text (textToRead) {}

    bool atEnd() const { return position == text.size(); }
    char peek() const  { return atEnd() ? '\0' : text[position]; }

    void skipWhitespace()
    {
        while (! atEnd() && isJsonWhitespace (text[position]))
            ++position;
    }

    bool take (char expected)
    {
        if (peek() != expected || atEnd())
            return false;

        ++position;
        return true;
    }

    bool takeWord (std::string_view word)
    {
        if (text.substr (position, word.size()) != word)
            return false;

        position += word.size();
        return true;
    }

    /** A string from its opening quote; its decoded content goes to decoded when given. */
    bool readString (std::string* decoded)
    {
        if (! take ('"'))
            return false;

        for (;;)
        {
            if (atEnd())
                return false;

            const auto c = (unsigned char) text[position];

            if (c == '"')
            {
                ++position;
                return true;
            }

            if (c < 0x20)
                return false;

            if (c == '\\')
            {
                if (! readEscape (decoded))
                    return false;
            }
            else if (! copyUtf8Sequence (decoded))
            {
                return false;
            }
        }
    }

    /** A number by the grammar: -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)? */
    bool readNumber (std::string_view& written)
    {
        const auto start = position;
        take ('-');

        if (take ('0'))
        {
            if (isDigit (peek()))
                return false;
        }
        else if (! skipDigits())
        {
            return false;
        }

        if (take ('.') && ! skipDigits())
            return false;

        if (take ('e') || take ('E'))
        {
            if (! take ('+'))
                take ('-');

            if (! skipDigits())
                return false;
        }

        written = text.substr (start, position - start);
        return true;
    }

private:
    bool skipDigits()
    {
        const auto start = position;

        while (isDigit (peek()))
            ++position;

        return position > start;
    }

    bool readHexQuad (std::uint32_t& unit)
    {
        unit = 0;

        for (int i = 0; i < 4; ++i)
        {
            const auto value = hexDigitValue (peek());

            if (value < 0 || atEnd())
                return false;

            unit = (unit << 4) | (std::uint32_t) value;
            ++position;
        }

        return true;
    }

    bool readEscape (std::string* decoded)
    {
        ++position; // the backslash

        if (atEnd())
            return false;

        const auto c = text[position++];
        char simple = 0;

        switch (c)
        {
            case '"':  simple = '"'; break;
            case '\\': simple = '\\'; break;
            case '/':  simple = '/'; break;
            case 'b':  simple = '\b'; break;
            case 'f':  simple = '\f'; break;
            case 'n':  simple = '\n'; break;
            case 'r':  simple = '\r'; break;
            case 't':  simple = '\t'; break;
            case 'u':  return readUnicodeEscape (decoded);
            default:   return false;
        }

        if (decoded != nullptr)
            *decoded += simple;

        return true;
    }

    bool readUnicodeEscape (std::string* decoded)
    {
        std::uint32_t unit = 0;

        if (! readHexQuad (unit))
            return false;

        auto codePoint = unit;

        if (isHighSurrogate (unit) && text.substr (position, 2) == "\\u")
        {
            // A pair only when the next escape is the low half; otherwise that escape is read
            // on its own in the next round.
            const auto afterHigh = position;
            position += 2;
            std::uint32_t low = 0;

            if (! readHexQuad (low))
                return false;

            if (isLowSurrogate (low))
                codePoint = 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00);
            else
                position = afterHigh;
        }

        if (utf8::isSurrogate (codePoint))
            codePoint = replacementCharacter;

        if (decoded != nullptr)
            utf8::append (*decoded, codePoint);

        return true;
    }

    /** One UTF-8 character of a string's content, checked strictly (no overlong forms, no
        surrogates, nothing past U+10FFFF). */
    bool copyUtf8Sequence (std::string* decoded)
    {
        std::uint32_t codePoint = 0;
        const auto length = utf8::decode (text.substr (position), codePoint);

        if (length == 0)
            return false;

        if (decoded != nullptr)
            decoded->append (text.substr (position, length));

        position += length;
        return true;
    }

    std::string_view text;
    std::size_t position = 0;
};

/** The document, read in one pass: each round of the loop reads one value; an array or object
    is opened in one round and closed by the punctuation after its last value, with the open ones
    on a fixed stack. */
class FeedDocumentReader
{
public:
    explicit FeedDocumentReader (std::string_view textToRead) : cursor (textToRead) {}

    FeedJsonReading read()
    {
        FeedJsonReading reading;
        reading.wellFormed = readDocument();

        if (reading.wellFormed)
            reading.latestVersion = std::move (latestVersion);

        return reading;
    }

private:
    enum class Step { bad, valueComplete, containerOpened };

    bool readDocument()
    {
        auto place = Place::root; // where the next value sits

        for (;;)
        {
            cursor.skipWhitespace();
            const auto step = readValue (place);

            if (step == Step::bad)
                return false;

            if (step == Step::containerOpened)
            {
                cursor.skipWhitespace();

                if (! closeEmptyContainer())
                {
                    if (! startNextValue (place))
                        return false;

                    continue;
                }
            }

            // A value is complete: close what ends here, then a comma starts the next value.
            for (;;)
            {
                cursor.skipWhitespace();

                if (depth == 0)
                    return cursor.atEnd();

                if (cursor.take (','))
                    break;

                if (! cursor.take (innermost().isObject ? '}' : ']'))
                    return false;

                --depth;
            }

            if (! startNextValue (place))
                return false;
        }
    }

    const Container& innermost() const { return stack[(std::size_t) depth - 1]; }

    /** Inside an object, the member's name and colon come before its value. */
    bool startNextValue (Place& place)
    {
        place = Place::elsewhere;
        return ! innermost().isObject || readMemberName (place);
    }

    bool closeEmptyContainer()
    {
        if (! cursor.take (innermost().isObject ? '}' : ']'))
            return false;

        --depth;
        return true;
    }

    Step readValue (Place place)
    {
        if (place == Place::products || place == Place::entry || place == Place::latestVersion)
            latestVersion.reset(); // a later member of the same name replaces what was found

        const auto c = cursor.peek();

        if (c == '{' || c == '[')
        {
            if (depth == maxFeedNesting)
                return Step::bad;

            cursor.take (c);
            stack[(std::size_t) depth++] = { c == '{', place };
            return Step::containerOpened;
        }

        if (c == '"')
        {
            std::string content;
            const auto wanted = place == Place::latestVersion;

            if (! cursor.readString (wanted ? &content : nullptr))
                return Step::bad;

            if (wanted)
                latestVersion = std::move (content);

            return Step::valueComplete;
        }

        if (c == '-' || isDigit (c))
        {
            std::string_view written;

            if (! cursor.readNumber (written))
                return Step::bad;

            if (place == Place::latestVersion)
                latestVersion = std::string (written);

            return Step::valueComplete;
        }

        for (const std::string_view literal : { std::string_view ("true"), std::string_view ("false") })
        {
            if (cursor.takeWord (literal))
            {
                if (place == Place::latestVersion)
                    latestVersion = std::string (literal);

                return Step::valueComplete;
            }
        }

        return cursor.takeWord ("null") ? Step::valueComplete : Step::bad;
    }

    /** A member's name and its colon; the member's place follows from the object's. */
    bool readMemberName (Place& memberPlace)
    {
        const auto objectPlace = innermost().place;
        cursor.skipWhitespace();

        // Names are only decoded in the objects on the path; elsewhere they are only checked.
        const auto onPath = objectPlace == Place::root || objectPlace == Place::products || objectPlace == Place::entry;
        std::string name;

        if (! cursor.readString (onPath ? &name : nullptr))
            return false;

        cursor.skipWhitespace();

        if (! cursor.take (':'))
            return false;

        memberPlace = onPath ? placeOfMember (objectPlace, name) : Place::elsewhere;
        return true;
    }

    Cursor cursor;
    std::array<Container, (std::size_t) maxFeedNesting> stack {};
    int depth = 0;
    std::optional<std::string> latestVersion;
};
} // namespace

FeedJsonReading readFeedJson (std::string_view utf8)
{
    if (utf8.size() > maxFeedTextBytes)
        return {};

    if (utf8.substr (0, 3) == "\xef\xbb\xbf")
        utf8.remove_prefix (3);

    return FeedDocumentReader (utf8).read();
}
} // namespace quarmont::update
