#pragma once

namespace quarmont
{
/** The maker's web host; it serves the support page and the update feed. */
inline constexpr const char* makerWebHost = "www.varnholtaudio.com";

/** Opens the plug-in's support page in the default browser; a browser that cannot be launched
    is ignored. */
void openSupportPage();
} // namespace quarmont
