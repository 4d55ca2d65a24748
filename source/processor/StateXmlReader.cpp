#include "processor/StateXmlReader.h"

#include "processor/Utf8Encoding.h"

#include <array>
#include <cstdint>
#include <set>
#include <string>

namespace quarmont
{
namespace
{
bool isXmlWhitespace (char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isAsciiLetter (char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit (char c)
{
    return c >= '0' && c <= '9';
}

bool isNameStart (char c)
{
    return isAsciiLetter (c) || c == '_' || c == ':';
}

bool isNameChar (char c)
{
    return isNameStart (c) || isDigit (c) || c == '.' || c == '-';
}

/** A character XML allows written as it is (its Char production). */
bool isXmlCharacter (std::uint32_t c)
{
    return c == 0x9 || c == 0xa || c == 0xd || (c >= 0x20 && c <= 0xfffd && ! utf8::isSurrogate (c)) || (c >= 0x10000 && c <= utf8::largestCodePoint);
}

/** The document's text with the grammar's pieces. Each read either consumes a whole piece and
    returns true, or returns false, and the document is then refused whole. */
class XmlCursor
{
public:
    explicit XmlCursor (std::string_view textToRead) : text (textToRead) {}

    bool atEnd() const                      { return position == text.size(); }
    bool lookingAt (std::string_view s) const { return text.substr (position, s.size()) == s; }

    bool take (std::string_view s)
    {
        if (! lookingAt (s))
            return false;

        position += s.size();
        return true;
    }

    /** True when at least one white space character was skipped. */
    bool skipWhitespace()
    {
        const auto start = position;

        while (! atEnd() && isXmlWhitespace (text[position]))
            ++position;

        return position > start;
    }

    bool readName (std::string_view& name)
    {
        const auto start = position;

        if (atEnd() || ! isNameStart (text[position]))
            return false;

        while (! atEnd() && isNameChar (text[position]))
            ++position;

        name = text.substr (start, position - start);
        return true;
    }

    /** "<!--" was taken: the comment's text (without "--", as XML says) and its end. */
    bool readRestOfComment()
    {
        for (;;)
        {
            if (take ("-->"))
                return true;

            if (lookingAt ("--"))
                return false;

            if (! readCharacter (nullptr))
                return false;
        }
    }

    /** White space and comments, as they may stand before and after the root element. */
    bool skipMisc()
    {
        for (;;)
        {
            skipWhitespace();

            if (! take ("<!--"))
                return true;

            if (! readRestOfComment())
                return false;
        }
    }

    /** A quoted attribute value, escapes resolved. */
    bool readQuotedValue (std::string& value)
    {
        if (atEnd() || (text[position] != '"' && text[position] != '\''))
            return false;

        const auto quote = text[position++];

        for (;;)
        {
            if (atEnd() || text[position] == '<')
                return false;

            if (text[position] == quote)
            {
                ++position;
                return true;
            }

            if (! (text[position] == '&' ? readReference (&value) : readCharacter (&value)))
                return false;
        }
    }

    /** Text between elements, up to the next '<'; checked, not kept. */
    bool skipText()
    {
        while (! atEnd() && text[position] != '<')
            if (! (text[position] == '&' ? readReference (nullptr) : readCharacter (nullptr)))
                return false;

        return true;
    }

    /** "<?xml" was taken: the rest of the declaration, pseudo-attributes and all. */
    bool readRestOfDeclaration()
    {
        if (! skipWhitespace())
            return false;

        while (! take ("?>"))
        {
            std::string_view name;
            std::string value;

            if (! readName (name))
                return false;

            skipWhitespace();

            if (! take ("="))
                return false;

            skipWhitespace();

            if (! readQuotedValue (value))
                return false;

            if (! skipWhitespace() && ! lookingAt ("?>"))
                return false;
        }

        return true;
    }

private:
    /** One UTF-8 encoded XML character, checked strictly (no overlong forms, no surrogates,
        nothing past U+10FFFF, nothing XML does not allow). */
    bool readCharacter (std::string* out)
    {
        if (atEnd())
            return false;

        std::uint32_t codePoint = 0;
        const auto length = utf8::decode (text.substr (position), codePoint);

        if (length == 0 || ! isXmlCharacter (codePoint))
            return false;

        if (out != nullptr)
            out->append (text.substr (position, length));

        position += length;
        return true;
    }

    /** One of XML's five escapes or a numeric character reference, from its '&'. */
    bool readReference (std::string* out)
    {
        static constexpr std::array<std::pair<std::string_view, char>, 5> escapes {
            { { "&amp;", '&' }, { "&lt;", '<' }, { "&gt;", '>' }, { "&quot;", '"' }, { "&apos;", '\'' } }
        };

        for (const auto& [escape, character] : escapes)
        {
            if (take (escape))
            {
                if (out != nullptr)
                    *out += character;

                return true;
            }
        }

        std::uint32_t codePoint = 0;

        if (! readCharacterReference (codePoint))
            return false;

        if (out != nullptr)
            utf8::append (*out, codePoint);

        return true;
    }

    /** "&#" decimal ";" or "&#x" hexadecimal ";", of any Unicode character but NUL (JUCE writes
        every character it does not keep as such as a decimal reference, control characters
        included). Digits are bounded: no more than U+10FFFF needs. */
    bool readCharacterReference (std::uint32_t& codePoint)
    {
        if (! take ("&#"))
            return false;

        const auto hex = take ("x");
        const auto maxDigits = hex ? 6 : 7;
        int digits = 0;
        codePoint = 0;

        for (; ! atEnd() && digits <= maxDigits; ++digits, ++position)
        {
            const auto c = text[position];
            int value = -1;

            if (isDigit (c))                        value = c - '0';
            else if (hex && c >= 'a' && c <= 'f')   value = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')   value = c - 'A' + 10;

            if (value < 0)
                break;

            codePoint = codePoint * (hex ? 16u : 10u) + (std::uint32_t) value;
        }

        return digits > 0 && digits <= maxDigits && take (";")
                 && codePoint != 0 && codePoint <= utf8::largestCodePoint && ! utf8::isSurrogate (codePoint);
    }

    std::string_view text;
    std::size_t position = 0;
};

/** The document, read in one pass: a loop that reads one piece of markup per round, with the
    open elements on a fixed stack whose size is the nesting bound. */
class StateXmlDocumentReader
{
public:
    explicit StateXmlDocumentReader (std::string_view textToRead) : cursor (textToRead) {}

    juce::ValueTree read()
    {
        if (! readProlog() || ! readRootElement() || ! cursor.skipMisc() || ! cursor.atEnd())
            return {};

        return root;
    }

private:
    bool readProlog()
    {
        cursor.skipWhitespace();

        if (cursor.take ("<?xml") && ! cursor.readRestOfDeclaration())
            return false;

        return cursor.skipMisc();
    }

    bool readRootElement()
    {
        if (! readStartTag())
            return false;

        while (depth > 0)
        {
            if (! cursor.skipText())
                return false;

            if (cursor.take ("<!--"))
            {
                if (! cursor.readRestOfComment())
                    return false;
            }
            else if (cursor.take ("</"))
            {
                if (! readEndTag())
                    return false;
            }
            else if (! readStartTag())
            {
                return false;
            }
        }

        return true;
    }

    /** A start tag from its '<', with its attributes; "/>" closes it at once. */
    bool readStartTag()
    {
        std::string_view name;

        if (depth == maxStateNestingDepth || ! cursor.take ("<") || ! cursor.readName (name) || ! isAcceptedName (name))
            return false;

        juce::ValueTree element { juce::Identifier (juce::String::fromUTF8 (name.data(), (int) name.size())) };

        if (depth == 0)
            root = element;
        else
            open[(std::size_t) depth - 1].appendChild (element, nullptr);

        for (int attributes = 0;; ++attributes)
        {
            const auto spaced = cursor.skipWhitespace();

            if (cursor.take ("/>"))
                return true;

            if (cursor.take (">"))
            {
                open[(std::size_t) depth++] = element;
                return true;
            }

            if (! spaced || attributes == maxAttributesPerElement || ! readAttribute (element))
                return false;
        }
    }

    bool readAttribute (juce::ValueTree& element)
    {
        std::string_view name;
        std::string value;

        if (! cursor.readName (name) || ! isAcceptedName (name) || name.substr (0, 7) == "base64:")
            return false;

        cursor.skipWhitespace();

        if (! cursor.take ("="))
            return false;

        cursor.skipWhitespace();

        if (! cursor.readQuotedValue (value))
            return false;

        const juce::Identifier property (juce::String::fromUTF8 (name.data(), (int) name.size()));

        if (element.hasProperty (property))
            return false;

        element.setProperty (property, juce::String::fromUTF8 (value.data(), (int) value.size()), nullptr);
        return true;
    }

    /** "</" was taken: the name of the innermost open element, then '>'. */
    bool readEndTag()
    {
        std::string_view name;

        if (! cursor.readName (name) || open[(std::size_t) depth - 1].getType().toString().toStdString() != name)
            return false;

        cursor.skipWhitespace();

        if (! cursor.take (">"))
            return false;

        open[(std::size_t) --depth] = {};
        return true;
    }

    /** Names become identifiers, which JUCE keeps in a process-wide pool: a document may bring
        only a few different ones. */
    bool isAcceptedName (std::string_view name)
    {
        return namesSeen.count (name) != 0
            || (namesSeen.size() < (std::size_t) maxDifferentNames && namesSeen.insert (name).second);
    }

    /** A state uses four names ("Parameters", "PARAM", "id", "value") and two attributes per
        element; these leave room for trees code may add, and keep the work per attribute
        (JUCE's property sets are searched in a line) and the identifiers a document creates
        bounded. */
    static constexpr int maxAttributesPerElement = 64;
    static constexpr int maxDifferentNames = 256;

    XmlCursor cursor;
    juce::ValueTree root;
    std::array<juce::ValueTree, (std::size_t) maxStateNestingDepth> open {};
    int depth = 0;
    std::set<std::string_view> namesSeen;
};
} // namespace

juce::ValueTree readStateXml (std::string_view utf8)
{
    if (utf8.size() > (std::size_t) maxStateTextBytes)
        return {};

    return StateXmlDocumentReader (utf8).read();
}
} // namespace quarmont
