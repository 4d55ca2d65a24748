#include "processor/StateRestore.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

namespace quarmont
{
namespace
{
const juce::Identifier paramType { "PARAM" };
const juce::Identifier idProperty { "id" };
const juce::Identifier valueProperty { "value" };

bool isFiniteNumber (const juce::var& value)
{
    const auto asDouble = (double) value;
    return std::isfinite (asDouble) && std::isfinite ((float) asDouble);
}
/** Index just past the first occurrence of terminator at or after from, or length if none. */
size_t skipPast (const char* text, size_t length, size_t from, const char* terminator)
{
    const auto terminatorLength = std::strlen (terminator);

    for (auto i = from; i + terminatorLength <= length; ++i)
        if (std::memcmp (text + i, terminator, terminatorLength) == 0)
            return i + terminatorLength;

    return length;
}

bool startsWith (const char* text, size_t length, size_t at, const char* prefix)
{
    const auto prefixLength = std::strlen (prefix);
    return at + prefixLength <= length && std::memcmp (text + at, prefix, prefixLength) == 0;
}
} // namespace

int xmlNestingDepth (const char* text, size_t length, int stopAbove)
{
    int depth = 0, deepest = 0;
    size_t i = 0;

    while (i < length && deepest <= stopAbove)
    {
        if (text[i] != '<')
        {
            ++i;
            continue;
        }

        if (startsWith (text, length, i, "<!--"))        { i = skipPast (text, length, i + 4, "-->"); continue; }
        if (startsWith (text, length, i, "<![CDATA["))   { i = skipPast (text, length, i + 9, "]]>"); continue; }
        if (startsWith (text, length, i, "<?") || startsWith (text, length, i, "<!"))
        {
            i = skipPast (text, length, i + 2, ">");
            continue;
        }

        if (startsWith (text, length, i, "</"))
        {
            depth = std::max (0, depth - 1);
            i = skipPast (text, length, i + 2, ">");
            continue;
        }

        // A start tag: walk to its end, stepping over quoted attribute values.
        ++depth;
        deepest = std::max (deepest, depth);
        char quote = 0;

        for (++i; i < length; ++i)
        {
            const auto c = text[i];

            if (quote != 0)                  { if (c == quote) quote = 0; }
            else if (c == '"' || c == '\'') quote = c;
            else if (c == '>')
            {
                if (text[i - 1] == '/')
                    --depth; // an empty element closes itself

                ++i;
                break;
            }
        }
    }

    return deepest;
}

bool hasProcessingInstructionAfterRootTag (const char* text, size_t length)
{
    size_t i = 0;

    // Step over the prolog: declaration, processing instructions, comments, doctype, spaces.
    while (i < length)
    {
        if (startsWith (text, length, i, "<?"))        i = skipPast (text, length, i + 2, "?>");
        else if (startsWith (text, length, i, "<!--")) i = skipPast (text, length, i + 4, "-->");
        else if (startsWith (text, length, i, "<!"))   i = skipPast (text, length, i + 2, ">");
        else if (text[i] == '<')                       break;
        else                                           ++i;
    }

    for (; i + 1 < length; ++i)
        if (text[i] == '<' && text[i + 1] == '?')
            return true;

    return false;
}

std::unique_ptr<juce::XmlElement> parseStateBlock (const void* data, int sizeInBytes)
{
    constexpr int headerSize = 8;
    constexpr juce::uint32 magic = 0x21324356;

    if (data == nullptr || sizeInBytes <= headerSize
        || juce::ByteOrder::littleEndianInt (data) != magic)
        return {};

    const auto* text = static_cast<const char*> (data) + headerSize;
    const auto declaredLength = (int) juce::ByteOrder::littleEndianInt (text - 4);

    if (declaredLength <= 0)
        return {};

    const auto available = std::min (declaredLength, sizeInBytes - headerSize);

    if (available > maxStateTextBytes)
        return {};

    const auto length = (size_t) (std::find (text, text + available, '\0') - text);

    // JUCE's UTF-8 decoding reads past the end of a string that ends inside a malformed
    // sequence, and its XML parser would do so on such a block.
    if (length == 0 || ! juce::CharPointer_UTF8::isValidString (text, (int) length)
        || xmlNestingDepth (text, length, maxStateNestingDepth) > maxStateNestingDepth
        || hasProcessingInstructionAfterRootTag (text, length))
        return {};

    return juce::parseXML (juce::String::fromUTF8 (text, (int) length));
}

juce::ValueTree completeRestoredState (const juce::ValueTree& restored, juce::AudioProcessorValueTreeState& apvts)
{
    auto completed = restored.createCopy();
    std::set<juce::String> idsPresent;

    // The tree applies every child that carries a parameter's id, in order, whatever its type;
    // so every such child is looked at, not just the first.
    for (auto child : completed)
    {
        const auto id = child.getProperty (idProperty).toString();
        auto* parameter = apvts.getParameter (id);

        if (parameter == nullptr)
            continue;

        idsPresent.insert (id);

        if (child.hasProperty (valueProperty) && ! isFiniteNumber (child.getProperty (valueProperty)))
            child.setProperty (valueProperty, parameter->convertFrom0to1 (parameter->getDefaultValue()), nullptr);
    }

    for (auto* parameter : apvts.processor.getParameters())
    {
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter);

        if (ranged == nullptr || idsPresent.count (ranged->getParameterID()) != 0)
            continue;

        const auto current = ranged->convertFrom0to1 (ranged->getValue());
        completed.appendChild ({ paramType, { { idProperty, ranged->getParameterID() }, { valueProperty, current } } },
                               nullptr);
    }

    return completed;
}
} // namespace quarmont
