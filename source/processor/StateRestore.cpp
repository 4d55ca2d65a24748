#include "processor/StateRestore.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "processor/StateXmlReader.h"

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
} // namespace

juce::ValueTree parseStateBlock (const void* data, int sizeInBytes)
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
    const auto length = (size_t) (std::find (text, text + available, '\0') - text);
    return readStateXml ({ text, length });
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
