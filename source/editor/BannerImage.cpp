#include "editor/BannerImage.h"

#include "BinaryData.h"

namespace quarmont
{
namespace
{
juce::Image decodeResource (const ResourceTable& resources, const juce::String& name)
{
    int size = 0;
    const auto* data = resources.lookup != nullptr ? resources.lookup (name.toRawUTF8(), size) : nullptr;

    if (data == nullptr)
        return {};

    return juce::ImageFileFormat::loadFrom (data, (size_t) juce::jmax (0, size));
}

template <typename Predicate>
juce::Image firstDecodableImage (const ResourceTable& resources, Predicate qualifies)
{
    for (const auto& name : resources.names)
    {
        if (! qualifies (name))
            continue;

        if (auto image = decodeResource (resources, name); image.isValid())
            return image;
    }

    return {};
}
} // namespace

juce::String makeResourceKey (const juce::String& text)
{
    juce::String key;

    for (auto c : text.toUpperCase())
        if (juce::CharacterFunctions::isLetterOrDigit (c))
            key << juce::String::charToString (c);

    return key;
}

ResourceTable embeddedResources()
{
    ResourceTable table;

    for (int i = 0; i < BinaryData::namedResourceListSize; ++i)
        table.names.add (BinaryData::namedResourceList[i]);

    table.lookup = [] (const char* name, int& size) { return BinaryData::getNamedResource (name, size); };
    return table;
}

juce::Image findTitleImage (const ResourceTable& resources)
{
    return firstDecodableImage (resources, [] (const juce::String& name)
    {
        const auto lower = name.toLowerCase();
        const auto isPng = lower.contains (".png") || lower.endsWith ("_png") || lower.contains ("png");
        const auto readsLikeTitle = lower.contains ("title") || lower.contains ("header")
                                 || lower.contains ("logo") || lower.contains ("wordmark");
        return isPng && readsLikeTitle && ! lower.contains ("icon");
    });
}

juce::Image findTitleImage()
{
    return findTitleImage (embeddedResources());
}

juce::Image loadBannerImage (const ResourceTable& resources)
{
    const juce::String guid (bannerGuid);
    const auto guidKey = makeResourceKey (guid);
    const auto firstGroup = guid.upToFirstOccurrenceOf ("-", false, false);

    auto image = firstDecodableImage (resources, [&] (const juce::String& name)
    {
        const auto key = makeResourceKey (name);
        return key.contains (guidKey) || key.contains (firstGroup)
            || name.containsIgnoreCase ("brand") || name.containsIgnoreCase ("banner");
    });

    if (! image.isValid())
        image = findTitleImage (resources);

    if (! image.isValid())
        image = firstDecodableImage (resources, [] (const juce::String& name)
        {
            return name.containsIgnoreCase (".png") || name.endsWithIgnoreCase ("_png") || name.containsIgnoreCase ("png");
        });

    return image;
}

juce::Image loadBannerImage()
{
    return loadBannerImage (embeddedResources());
}
} // namespace quarmont
