#pragma once

namespace quarmont
{
/** Opens the plug-in's support page in the default browser; a browser that cannot be launched
    is ignored. */
void openSupportPage();
} // namespace quarmont
