#pragma once

#include <functional>

#include <juce_graphics/juce_graphics.h>

namespace quarmont
{
/** The banner's fixed identifier; the embedded banner file is "0" + bannerGuid + ".png". */
inline constexpr const char* bannerGuid = "1D0C23DF-42B7-4C6A-A696-E7094B691D56";

/** Upper-cased, with everything but letters and digits removed, so resource identifiers and
    file names compare alike. */
juce::String makeResourceKey (const juce::String& text);

/** A table of embedded resources: names in list order, and a lookup from name to data
    (null and size 0 for an unknown name). */
struct ResourceTable
{
    juce::StringArray names;
    std::function<const char* (const char* name, int& size)> lookup;
};

/** The embedded resources compiled into the plug-in. */
ResourceTable embeddedResources();

/** The header banner: by its identifier first, then any title-like PNG, then any PNG.
    A null image when nothing decodes. */
juce::Image loadBannerImage (const ResourceTable& resources);
juce::Image loadBannerImage();

/** The second search pass: a PNG whose name reads like a title, header, logo or wordmark, but
    not an icon. */
juce::Image findTitleImage (const ResourceTable& resources);
juce::Image findTitleImage();
} // namespace quarmont
