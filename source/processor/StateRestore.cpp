#include "processor/StateRestore.h"

#include <cmath>

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

juce::ValueTree completeRestoredState (const juce::ValueTree& restored, juce::AudioProcessorValueTreeState& apvts)
{
    auto completed = restored.createCopy();

    for (auto* parameter : apvts.processor.getParameters())
    {
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter);

        if (ranged == nullptr)
            continue;

        const auto& id = ranged->getParameterID();
        auto child = completed.getChildWithProperty (idProperty, id);

        if (! child.isValid())
        {
            const auto current = ranged->convertFrom0to1 (ranged->getValue());
            completed.appendChild ({ paramType, { { idProperty, id }, { valueProperty, current } } }, nullptr);
            continue;
        }

        if (child.hasProperty (valueProperty) && ! isFiniteNumber (child.getProperty (valueProperty)))
            child.setProperty (valueProperty, ranged->convertFrom0to1 (ranged->getDefaultValue()), nullptr);
    }

    return completed;
}
} // namespace quarmont
