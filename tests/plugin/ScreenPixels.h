#pragma once

#include <cstdint>
#include <vector>

namespace quarmont::testing
{
/** The colours (0xRRGGBB) of a rectangle of the X screen, row by row, as the X server shows it
    (windows of other toolkits and of hosted plug-ins included); empty when it cannot be read. */
std::vector<std::uint32_t> readScreenPixels (int x, int y, int width, int height);
} // namespace quarmont::testing
