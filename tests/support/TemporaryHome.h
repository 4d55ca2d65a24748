#pragma once

#include <cstdlib>
#include <stdexcept>
#include <string>

#include <juce_core/juce_core.h>

namespace quarmont::testing
{
/** Points HOME at a fresh empty folder for as long as it lives, then puts the old value back
    and removes the folder. JUCE resolves the per-user folders from HOME on every call, so
    everything a test does with presets stays in that folder and touches nothing of the user's. */
class TemporaryHome
{
public:
    TemporaryHome()
    {
        if (const char* old = std::getenv ("HOME"))
        {
            hadHome = true;
            oldHome = old;
        }

        std::string pattern = (juce::File::getSpecialLocation (juce::File::tempDirectory).getFullPathName()
                               + "/quarmont-home-XXXXXX").toStdString();

        if (::mkdtemp (pattern.data()) == nullptr)
            throw std::runtime_error ("cannot create a temporary home folder");

        folder = juce::File (pattern);
        ::setenv ("HOME", pattern.c_str(), 1);
    }

    ~TemporaryHome()
    {
        if (hadHome)
            ::setenv ("HOME", oldHome.c_str(), 1);
        else
            ::unsetenv ("HOME");

        folder.deleteRecursively (false);
    }

    const juce::File& getFolder() const noexcept { return folder; }

private:
    juce::File folder;
    bool hadHome = false;
    std::string oldHome;

    JUCE_DECLARE_NON_COPYABLE (TemporaryHome)
};
} // namespace quarmont::testing
