#include "update/UpdateBadge.h"

namespace quarmont
{
void drawUpdateBadge (juce::Graphics& g, juce::Rectangle<int> bannerBounds)
{
    if (bannerBounds.getWidth() <= 0 || bannerBounds.getHeight() <= 0)
        return;

    const juce::Rectangle<float> dot ((float) bannerBounds.getRight() - 16.0f, (float) bannerBounds.getBottom() - 16.0f, 10.0f, 10.0f);
    g.setColour (juce::Colour (0xffe53935));
    g.fillEllipse (dot);
    g.setColour (juce::Colours::white.withAlpha (0.55f));
    g.drawEllipse (dot, 1.0f);
}
} // namespace quarmont
