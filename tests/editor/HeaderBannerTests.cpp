// The header banner: finding it among the embedded resources and drawing it in the header.

#include "EditorTestSupport.h"

#include <map>

#include "editor/BannerImage.h"

using namespace quarmont::testing;

namespace
{
juce::MemoryBlock pngOfSize (int size)
{
    juce::Image image (juce::Image::ARGB, size, size, true);
    image.clear (image.getBounds(), juce::Colours::orange);
    juce::MemoryOutputStream stream;
    juce::PNGImageFormat().writeImageToStream (image, stream);
    return stream.getMemoryBlock();
}

/** A resource table over in-memory data, listed in the given order. */
struct FakeResources
{
    explicit FakeResources (std::vector<std::pair<juce::String, juce::MemoryBlock>> entries) : data (std::move (entries)) {}

    quarmont::ResourceTable table() const
    {
        quarmont::ResourceTable t;

        for (const auto& entry : data)
            t.names.add (entry.first);

        t.lookup = [this] (const char* name, int& size) -> const char*
        {
            for (const auto& entry : data)
                if (entry.first == name)
                {
                    size = (int) entry.second.getSize();
                    return static_cast<const char*> (entry.second.getData());
                }

            size = 0;
            return nullptr;
        };
        return t;
    }

    std::vector<std::pair<juce::String, juce::MemoryBlock>> data;
};
} // namespace

TEST (HeaderBanner, TheEmbeddedBannerIsFoundByItsIdentifier)
{
    const auto key = quarmont::makeResourceKey ("0" + juce::String (quarmont::bannerGuid) + ".png");
    EXPECT_EQ (key, "01D0C23DF42B74C6AA696E7094B691D56PNG");

    const auto resources = quarmont::embeddedResources();
    ASSERT_EQ (resources.names.size(), 1);
    EXPECT_EQ (resources.names[0], "_01D0C23DF42B74C6AA696E7094B691D56_png");
    EXPECT_EQ (quarmont::makeResourceKey (resources.names[0]), key);

    const auto banner = quarmont::loadBannerImage();
    ASSERT_TRUE (banner.isValid());
    EXPECT_EQ (banner.getWidth(), 5400);
    EXPECT_EQ (banner.getHeight(), 200);
    EXPECT_TRUE (banner.hasAlphaChannel());
}

TEST (HeaderBanner, SearchPassesPreferIdentityThenTitleThenAnyPng)
{
    struct Case { const char* what; std::vector<std::pair<const char*, int>> resources; int expectedSize; };
    const Case cases[] {
        { "a brand name wins over a title", { { "zeta_png", 2 }, { "logo_png", 3 }, { "brand_mark", 4 } }, 4 },
        { "a logo wins over an earlier plain PNG", { { "zeta_png", 2 }, { "logo_png", 3 } }, 3 },
        { "an icon is not a title", { { "zeta_png", 2 }, { "logo_icon_png", 3 } }, 2 },
        { "an icon is still a PNG", { { "logo_icon_png", 3 } }, 3 },
        { "undecodable data is skipped", { { "banner_png", -4 }, { "logo_png", 3 } }, 3 },
        { "the first GUID group is enough", { { "title_png", 3 }, { "x1d0c23dfy", 5 } }, 5 },
        { "nothing that decodes", { { "readme_txt", -4 } }, 0 },
        { "no resources", {}, 0 },
    };

    for (const auto& c : cases)
    {
        std::vector<std::pair<juce::String, juce::MemoryBlock>> entries;

        for (const auto& [name, size] : c.resources)
            entries.emplace_back (name, size > 0 ? pngOfSize (size) : juce::MemoryBlock ("junk", (size_t) -size));

        const FakeResources fake (std::move (entries));
        const auto image = quarmont::loadBannerImage (fake.table());
        EXPECT_EQ (image.isValid() ? image.getWidth() : 0, c.expectedSize) << c.what;
    }
}

using HeaderBannerInEditor = EditorFixture;

TEST_F (HeaderBannerInEditor, WordmarkShowsAtFullStrengthWhicheverBandIsSelected)
{
    auto& quarmontEditor = require (dynamic_cast<QuarmontAudioProcessorEditor*> (editor.get()));

    for (int band : { 0, 4 })
    {
        quarmontEditor.selectBand (band);
        const auto image = renderSnapshot (*editor);

        // The brightest pixel of the wordmark, inside the title area (12, 10, 574, 20).
        juce::uint8 brightest = 0;

        for (int y = 10; y < 30; ++y)
            for (int x = 12; x < 200; ++x)
                brightest = juce::jmax (brightest, image.getPixelAt (x, y).getRed());

        EXPECT_GT (brightest, 200) << "band " << band + 1 << " selected";
    }
}
