#pragma once

namespace quarmont::testing
{
/** Keeps X errors from ending the test process. A plug-in carries its own copy of JUCE, which
    installs and later restores X error handlers of its own; when it restores Xlib's default
    handler, an X error that the host's JUCE would merely have logged (Xvfb runs no window
    manager, so some window-manager atoms do not exist) would exit the process. A DAW keeps its
    own handler installed; so does this. */
void tolerateXErrors();
} // namespace quarmont::testing
