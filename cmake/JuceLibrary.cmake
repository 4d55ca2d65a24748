# All JUCE modules the project uses, compiled once into one static library that the plug-in,
# the host tool, the tests and the benchmarks link. VST3 hosting is compiled in as well, so that
# the host tool and the integration tests can load the built bundle with the same code; so is
# LV2 hosting (JUCE's copy of lilv), for the LV2 bundle.
add_library(quarmont_juce STATIC)

target_link_libraries(quarmont_juce
    PRIVATE
        juce::juce_audio_utils
        juce::juce_audio_processors
        juce::juce_audio_formats
        juce::juce_dsp
        juce::juce_gui_extra
    PUBLIC
        juce::juce_recommended_config_flags
        juce::juce_recommended_warning_flags)

target_compile_definitions(quarmont_juce
    PUBLIC
        JUCE_DISPLAY_SPLASH_SCREEN=0
        JUCE_REPORT_APP_USAGE=0
        JUCE_WEB_BROWSER=0
        JUCE_USE_CURL=1
        JUCE_LOAD_CURL_SYMBOLS_LAZILY=1
        JUCE_PLUGINHOST_VST3=1
        JUCE_PLUGINHOST_LV2=1
        # Nothing to replace, and Debian's copy of the VST3 SDK has no VST2 headers.
        JUCE_VST3_CAN_REPLACE_VST2=0
        # Debian's JUCE ships without its bundled FLAC and Ogg sources.
        JUCE_USE_FLAC=0
        JUCE_USE_OGGVORBIS=0
        JUCE_USE_MP3AUDIOFORMAT=0
        JUCE_STRICT_REFCOUNTEDPOINTER=1
        # The host tool and the tests pump the message loop while a hosted instance settles.
        JUCE_MODAL_LOOPS_PERMITTED=1
        JUCE_SILENCE_XCODE_15_LINKER_WARNING=1
    INTERFACE
        $<TARGET_PROPERTY:quarmont_juce,COMPILE_DEFINITIONS>)

# JUCE's headers are searched as system headers by our code, so that the warnings asked of our
# code are not raised by JUCE 7's headers, which were not written for -Wfloat-equal.
target_include_directories(quarmont_juce
    SYSTEM INTERFACE
        $<TARGET_PROPERTY:quarmont_juce,INCLUDE_DIRECTORIES>)

set_target_properties(quarmont_juce PROPERTIES
    POSITION_INDEPENDENT_CODE TRUE
    VISIBILITY_INLINES_HIDDEN TRUE
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden)

# JUCE's own sources are not ours to warn about.
target_compile_options(quarmont_juce PRIVATE -w)

# Our code builds warning-free with JUCE 8's recommended warnings on either JUCE: these two are
# the ones JUCE 7's set lacks. Exact float comparisons that are meant go through
# quarmont::isExactly (source/engine/ExactFloat.h).
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(quarmont_juce INTERFACE -Wfloat-equal -Wmissing-field-initializers)
endif()

# Debian's JUCE decodes PNG and JPEG with the system libraries instead of its bundled copies.
if(TARGET juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
    target_link_libraries(quarmont_juce PUBLIC juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
endif()
