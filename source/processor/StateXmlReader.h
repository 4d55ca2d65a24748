#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <string_view>

namespace quarmont
{
/** Reads the XML of a state block (what getStateInformation writes, and what preset files hold)
    with a grammar of exactly what such a document needs, and nothing else:

    - optional white space, then optionally the declaration
      <?xml version="1.0" encoding="UTF-8"?> (pseudo-attributes in any number);
    - one root element; elements with attributes (names of ASCII letters, digits and _ : . -,
      values in double or single quotes), nested at most maxStateNestingDepth deep, and each
      closed by its own name;
    - between them white space, comments and text (which a state does not use and which is
      dropped), before and after the root only white space and comments;
    - in values and text, XML's five escapes (&amp; &lt; &gt; &quot; &apos;) and numeric
      character references of XML characters.

    Everything else is refused whole: a DOCTYPE and so any other entity, CDATA, processing
    instructions after the declaration, a character that XML does not allow, bytes that are not
    UTF-8, a repeated attribute, an attribute named "base64:..." (which JUCE's trees would
    decode into a block of a size the text chooses; a state never has one), more names or
    attributes than a state needs (see below), text longer than maxStateTextBytes. Attribute
    values are kept as written apart from the escapes (the way the plug-in has always read
    them).

    The result is the tree JUCE's ValueTree::fromXml would make of the same document: the root's
    tag as its type, attributes as string properties in order, child elements as children.
    The reader is a loop over an explicit stack of open elements, so no document can exhaust a
    thread's stack. Returns an invalid tree when refused. */
juce::ValueTree readStateXml (std::string_view utf8);

/** Our own states are a few kilobytes, two levels deep. */
inline constexpr int maxStateTextBytes = 4 * 1024 * 1024;
inline constexpr int maxStateNestingDepth = 16;
} // namespace quarmont
