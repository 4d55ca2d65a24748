#include "ScreenPixels.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace quarmont::testing
{
std::vector<std::uint32_t> readScreenPixels (int x, int y, int width, int height)
{
    static Display* const display = XOpenDisplay (nullptr);
    std::vector<std::uint32_t> pixels;

    if (display == nullptr)
        return pixels;

    XSync (display, False);
    auto* image = XGetImage (display, DefaultRootWindow (display), x, y, (unsigned) width, (unsigned) height, AllPlanes, ZPixmap);

    if (image == nullptr)
        return pixels;

    pixels.reserve ((size_t) width * (size_t) height);

    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            pixels.push_back ((std::uint32_t) XGetPixel (image, column, row) & 0xffffffu);

    XDestroyImage (image);
    return pixels;
}
} // namespace quarmont::testing
