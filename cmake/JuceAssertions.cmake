# JUCE's own checks (jassert, and the leak detector at exit) in our code, in JUCE and in the built
# bundle. On Linux JUCE turns them on where _DEBUG is defined; JUCE's CMake defines it only in the
# Debug configuration, whose -O0 would make the sanitizer runs several times slower, so a build
# that asks for them defines it here and keeps its own optimisation.
option(QUARMONT_JUCE_ASSERTIONS "Compile everything with JUCE_DEBUG, so that JUCE's assertions run" OFF)

if(QUARMONT_JUCE_ASSERTIONS)
    add_compile_definitions(DEBUG=1 _DEBUG=1)
endif()

# A failed jassert does not stop the program: JUCE writes this line to stderr
# (juce::logAssertion, in JUCE 7 and 8 alike) and carries on. Every test fails when its output
# holds it, so an assertion fails the test that raised it, in our process or in a hosted bundle.
set(QUARMONT_JUCE_ASSERTION_LOG "JUCE Assertion failure in ")
