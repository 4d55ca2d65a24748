// setStateInformation on state documents, two ways:
// - an input that starts like XML text ('<' or white space) is the document's text itself, so
//   that the markup dictionary (tests/fuzz/xml.dict) steers it through the state reader's
//   grammar. Whatever the reader accepts must read the same through JUCE's own XML parser (the
//   one the plug-in used before; it is safe on the subset the reader accepts), so the reader
//   restores exactly what the plug-in always restored;
// - any other input builds a well-formed "Parameters" tree with hostile contents: random PARAM
//   children, real and made-up ids, and values that are not numbers, not finite, huge, tiny or
//   missing.

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzChecks.h"
#include "processor/ParameterLayout.h"
#include "processor/StateXmlReader.h"

namespace
{
juce::String pickId (FuzzedDataProvider& input)
{
    switch (input.ConsumeIntegralInRange (0, 4))
    {
        case 0:
        case 1:
        case 2:
            return quarmont::bandParameterId (input.ConsumeIntegralInRange (1, 5),
                                              (quarmont::BandParameter) input.ConsumeIntegralInRange (0, quarmont::numBandParameters - 1));
        case 3:  return {};
        default: return juce::String (input.ConsumeRandomLengthString (40));
    }
}

juce::String pickValue (FuzzedDataProvider& input)
{
    static const char* const specials[] { "nan", "-nan", "inf", "-inf", "1e999", "-1e999", "3.4e38", "-3.4e38",
                                          "1e-45", "", " ", "0x10", "1,5", "--1", "NaN", "Infinity" };

    switch (input.ConsumeIntegralInRange (0, 3))
    {
        case 0:  return juce::String (input.ConsumeFloatingPoint<double>(), 17);
        case 1:  return juce::String (input.ConsumeFloatingPointInRange (-1000.0f, 25000.0f));
        case 2:  return specials[input.ConsumeIntegralInRange<size_t> (0, std::size (specials) - 1)];
        default: return juce::String (input.ConsumeRandomLengthString (20));
    }
}

bool looksLikeXmlText (const uint8_t* data, size_t size)
{
    return size > 0 && (data[0] == '<' || data[0] == ' ' || data[0] == '\t' || data[0] == '\n' || data[0] == '\r');
}

void checkReaderAgreesWithJuce (const juce::ValueTree& ours, const uint8_t* data, size_t size)
{
    if (! ours.isValid())
        return;

    const auto text = juce::String::fromUTF8 (reinterpret_cast<const char*> (data), (int) size);
    const auto juces = juce::parseXML (text);

    if (juces == nullptr || ! juce::ValueTree::fromXml (*juces).isEquivalentTo (ours))
    {
        std::fprintf (stderr, "ours:\n%s\n", ours.toXmlString().toRawUTF8());
        quarmont::fuzzing::finding ("the state reader accepts a document that JUCE reads differently");
    }
}

juce::MemoryBlock wrapXmlText (const uint8_t* data, size_t size)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    out.writeInt (0x21324356);
    out.writeInt ((int) size);
    out.write (data, size);
    return block;
}

juce::MemoryBlock buildStateDocument (const uint8_t* data, size_t size)
{
    FuzzedDataProvider input (data, size);
    juce::XmlElement root (input.ConsumeIntegralInRange (0, 15) == 0 ? "Preset" : "Parameters");
    const auto numChildren = input.ConsumeIntegralInRange (0, 120);

    for (int i = 0; i < numChildren && input.remaining_bytes() > 0; ++i)
    {
        auto* child = root.createNewChildElement (input.ConsumeIntegralInRange (0, 9) == 0 ? "Other" : "PARAM");

        if (input.ConsumeIntegralInRange (0, 9) != 0)
            child->setAttribute ("id", pickId (input));

        if (input.ConsumeIntegralInRange (0, 9) != 0)
            child->setAttribute ("value", pickValue (input));

        if (input.ConsumeIntegralInRange (0, 19) == 0)
            child->createNewChildElement ("PARAM")->setAttribute ("id", pickId (input));
    }

    juce::MemoryBlock block;
    juce::AudioProcessor::copyXmlToBinary (root, block);
    return block;
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    quarmont::fuzzing::initialiseJuceOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    juce::MemoryBlock block;

    if (looksLikeXmlText (data, size))
    {
        checkReaderAgreesWithJuce (quarmont::readStateXml ({ reinterpret_cast<const char*> (data), size }), data, size);
        block = wrapXmlText (data, size);
    }
    else
    {
        block = buildStateDocument (data, size);
    }

    QuarmontAudioProcessor processor;
    processor.setStateInformation (block.getData(), (int) block.getSize());
    quarmont::fuzzing::checkProcessorIsSound (processor);
    return 0;
}
