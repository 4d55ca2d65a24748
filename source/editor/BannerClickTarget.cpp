#include "editor/BannerClickTarget.h"

namespace quarmont
{
BannerClickTarget::~BannerClickTarget() = default;

void BannerClickTarget::mouseUp (const juce::MouseEvent&)
{
    if (onClick)
        onClick();
}
} // namespace quarmont
