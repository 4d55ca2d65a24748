#include "editor/BandColour.h"

#include <array>

namespace quarmont
{
juce::Colour bandColour (int bandIndex) noexcept
{
    static constexpr std::array<juce::uint32, 5> colours { 0xff61b8ff, 0xff5fd67e, 0xffffc95a, 0xffff9550, 0xffdf79ff };
    return juce::Colour (colours[(size_t) juce::jlimit (0, 4, bandIndex)]);
}
} // namespace quarmont
