#pragma once

// The maker's web host serves the support page and the update feed. It is fixed when the
// plug-in is built: CMake cache variable QUARMONT_MAKER_WEB_HOST.
#ifndef QUARMONT_MAKER_WEB_HOST
 #error "QUARMONT_MAKER_WEB_HOST is set by the build (see source/CMakeLists.txt)"
#endif

namespace quarmont
{
inline constexpr const char* makerWebHost = QUARMONT_MAKER_WEB_HOST;
} // namespace quarmont
