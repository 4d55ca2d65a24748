// Fails one JUCE assertion and otherwise succeeds: its test passes only if that assertion alone
// makes it fail (see QUARMONT_JUCE_ASSERTION_LOG).

#include <juce_core/juce_core.h>

int main (int argc, char**)
{
    // Not a constant, so that nothing can fold the check away.
    jassert (argc > 1);
    return 0;
}
