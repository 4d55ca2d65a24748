# Two faults of the VST3 client wrapper in JUCE 7.0.5 that reach our users, mended in a copy of
# the wrapper that the Quarmont_VST3 target compiles instead of the original:
#
# 1. The wrapper sizes its scratch buffers from the maxSamplesPerBlock a host announces in
#    setupProcessing, and writes past them when the host then sends a larger block: heap
#    corruption, a crashed session. Hosts do that. The copy grows the buffers instead.
# 2. Every process call copies each bus's channel mapping (a std::vector), which allocates on the
#    audio thread. The copy takes a reference.
#
# Each mend is applied only where the original text is found, so a JUCE version that has fixed
# these (or changed the code) builds with its own wrapper untouched.

set(quarmont_client_dir "${JUCE_MODULES_DIR}/juce_audio_plugin_client")
set(quarmont_patched_root "${CMAKE_BINARY_DIR}/patched-juce")

function(quarmont_write_if_changed path content)
    if(EXISTS "${path}")
        file(READ "${path}" existing)
        if(existing STREQUAL content)
            return()
        endif()
    endif()
    file(WRITE "${path}" "${content}")
endfunction()

function(quarmont_apply_vst3_wrapper_fixes)
    file(READ "${quarmont_client_dir}/VST3/juce_VST3_Wrapper.cpp" wrapper)
    set(anchor "        midiBuffer.clear();\n\n        if (data.inputParameterChanges != nullptr)")
    string(FIND "${wrapper}" "${anchor}" position)

    if(position EQUAL -1)
        message(STATUS "Quarmont: this JUCE's VST3 wrapper differs from 7.0.5; using it unchanged")
        return()
    endif()

    set(growBuffers
"        // Quarmont: a host that sends more samples than it announced in setupProcessing would
        // overrun the scratch buffers sized from that announcement; grow them instead.
        if (data.numSamples > processSetup.maxSamplesPerBlock)
        {
            processSetup.maxSamplesPerBlock = data.numSamples;
            preparePlugin (processSetup.sampleRate, (int) data.numSamples, CallPrepareToPlay::no);
        }

")
    string(REPLACE "${anchor}" "${growBuffers}${anchor}" wrapper "${wrapper}")

    set(client_copy "${quarmont_patched_root}/juce_audio_plugin_client")
    quarmont_write_if_changed("${client_copy}/VST3/juce_VST3_Wrapper.cpp" "${wrapper}")
    quarmont_write_if_changed("${client_copy}/juce_audio_plugin_client_VST3.cpp"
                              "#include \"VST3/juce_VST3_Wrapper.cpp\"\n")

    # The wrapper includes its neighbours by relative paths.
    foreach(neighbour utility detail)
        if(EXISTS "${quarmont_client_dir}/${neighbour}" AND NOT EXISTS "${client_copy}/${neighbour}")
            file(CREATE_LINK "${quarmont_client_dir}/${neighbour}" "${client_copy}/${neighbour}" SYMBOLIC)
        endif()
    endforeach()

    set_property(TARGET juce_audio_plugin_client_VST3 PROPERTY
                 INTERFACE_SOURCES "${client_copy}/juce_audio_plugin_client_VST3.cpp")

    # The channel mapping copy lives in a header the wrapper includes with angle brackets, so a
    # mended copy placed first on the wrapper's include path replaces it for the wrapper only.
    set(common_header "${JUCE_MODULES_DIR}/juce_audio_processors/format_types/juce_VST3Common.h")
    file(READ "${common_header}" common)
    set(copyingLine "            const auto mapping = map[busIndex];")
    string(FIND "${common}" "${copyingLine}" position)

    if(NOT position EQUAL -1)
        string(REPLACE "${copyingLine}" "            const auto& mapping = map[busIndex];" common "${common}")
        quarmont_write_if_changed(
            "${quarmont_patched_root}/include/juce_audio_processors/format_types/juce_VST3Common.h" "${common}")
        target_include_directories(Quarmont_VST3 BEFORE PRIVATE "${quarmont_patched_root}/include")
    endif()
endfunction()

quarmont_apply_vst3_wrapper_fixes()
