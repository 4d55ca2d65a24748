#include "editor/SupportPage.h"

#include <juce_core/juce_core.h>

#include "update/MakerWebHost.h"

namespace quarmont
{
void openSupportPage()
{
    juce::URL (juce::String ("https://") + makerWebHost + "/support/quarmont/").launchInDefaultBrowser();
}
} // namespace quarmont
