#pragma once

#include <juce_core/juce_core.h>

namespace quarmont::update
{
/** A dotted version as major.minor.patch; parts that are not given are 0. */
struct VersionNumber
{
    int major = 0;
    int minor = 0;
    int patch = 0;

    bool operator== (const VersionNumber& other) const noexcept
    {
        return major == other.major && minor == other.minor && patch == other.patch;
    }

    bool operator!= (const VersionNumber& other) const noexcept { return ! operator== (other); }
};

/** The plug-in's own version, the one it reports to the host. */
inline constexpr const char* currentVersion = "1.2.0";

/** Reads the first three dot-separated parts as numbers: empty parts are skipped, and each part
    counts by its leading integer (white space, an optional minus, digits), so "1.3.0-beta2" is
    1.3.0 and "v1.3" is 0.3.0. A number beyond the int range counts as the nearest int. */
VersionNumber parseVersion (const juce::String& text);

/** Compares as numbers, major first: 1.10.0 is newer than 1.2.0. */
bool isNewer (const VersionNumber& candidate, const VersionNumber& reference) noexcept;
} // namespace quarmont::update
