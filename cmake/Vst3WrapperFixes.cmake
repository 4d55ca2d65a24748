# Two faults of JUCE's VST3 client wrapper that reach our users, mended in a copy of the wrapper
# that the Quarmont_VST3 target compiles instead of the original:
#
# 1. The wrapper sizes its scratch buffers from the maxSamplesPerBlock a host announces in
#    setupProcessing, and writes past them when the host then sends a larger block: heap
#    corruption, a crashed session. Hosts do that. JUCE 7.0.5 and 8.0.12 both have it. The copy
#    grows the buffers instead.
# 2. JUCE 7.0.5 copies each bus's channel mapping (a std::vector) on every process call, which
#    allocates on the audio thread. The copy takes a reference. JUCE 8 already does.
# 3. Every state a host restores passes through the wrapper's setStateInformation, which looks
#    for its private-data trailer at the end ("JUCEPrivateData", a 64-bit size, a binary
#    ValueTree). It trusts the size (one larger than the state makes it read from before the
#    block: a crash of the host on a damaged project) and reads the tree with the recursive
#    ValueTree::readFromData (a deeply nested one overflows the stack). JUCE 7.0.5 and 8.0.12
#    both. The copy takes a trailer only when its size fits, and its private data only in the
#    shape the wrapper writes; anything else is ignored and the plug-in's own block restored.
#
# The wrapper is found in either layout: JUCE 7 keeps it in VST3/juce_VST3_Wrapper.cpp (included
# by juce_audio_plugin_client_VST3.cpp), JUCE 8 in juce_audio_plugin_client_VST3.cpp itself.
# Each mend is applied only where the original text is found; a JUCE whose wrapper is not
# recognised is built with its own wrapper, untouched, and the configure says so.
#
# A mend that silently does not take would ship the faults again, so the build checks them: the
# configure re-runs whenever one of JUCE's originals changes; the mended header defines
# QUARMONT_VST3_COMMON_MENDED, and the mended wrapper stops the compile with an #error if the
# header it actually included lacks it; and the mended wrapper defines the symbol
# quarmont_vst3_wrapper_mended, which the module's link requires, so that a build compiling
# JUCE's own wrapper instead fails to link.

set(quarmont_client_dir "${JUCE_MODULES_DIR}/juce_audio_plugin_client")
set(quarmont_patched_root "${CMAKE_BINARY_DIR}/patched-juce")

# Reading one of JUCE's files makes the configure depend on it: a changed JUCE is mended again.
function(quarmont_read_juce_file path out_content)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${path}")
    file(READ "${path}" content)
    set(${out_content} "${content}" PARENT_SCOPE)
endfunction()

function(quarmont_write_if_changed path content)
    if(EXISTS "${path}")
        file(READ "${path}" existing)
        if(existing STREQUAL content)
            return()
        endif()
    endif()
    file(WRITE "${path}" "${content}")
endfunction()

# Grows the wrapper's scratch buffers when a block is larger than announced; returns the wrapper
# relative to juce_audio_plugin_client, or nothing when no known wrapper has the expected code.
function(quarmont_mend_wrapper_buffers out_relative_path)
    set(anchor "        midiBuffer.clear();\n\n        if (data.inputParameterChanges != nullptr)")
    set(growBuffers
"        // Quarmont: a host that sends more samples than it announced in setupProcessing would
        // overrun the scratch buffers sized from that announcement; grow them instead.
        if (data.numSamples > processSetup.maxSamplesPerBlock)
        {
            processSetup.maxSamplesPerBlock = data.numSamples;
            preparePlugin (processSetup.sampleRate, (int) data.numSamples, CallPrepareToPlay::no);
        }

")
    set(${out_relative_path} "" PARENT_SCOPE)

    foreach(candidate VST3/juce_VST3_Wrapper.cpp juce_audio_plugin_client_VST3.cpp)
        set(original "${quarmont_client_dir}/${candidate}")
        if(NOT EXISTS "${original}")
            continue()
        endif()

        quarmont_read_juce_file("${original}" wrapper)
        string(FIND "${wrapper}" "${anchor}" position)
        if(position EQUAL -1)
            continue()
        endif()

        string(REPLACE "${anchor}" "${growBuffers}${anchor}" wrapper "${wrapper}")
        quarmont_mend_state_trailer(wrapper)
        string(APPEND wrapper "
// Quarmont: the build's proof that this mended copy is what was compiled, with the mended header.
#if defined (QUARMONT_EXPECT_MENDED_VST3_COMMON) && ! defined (QUARMONT_VST3_COMMON_MENDED)
 #error \"Quarmont: the VST3 wrapper included JUCE's own juce_VST3Common.h, not the mended copy (see cmake/Vst3WrapperFixes.cmake)\"
#endif
extern \"C\" const int quarmont_vst3_wrapper_mended;
const int quarmont_vst3_wrapper_mended = 1;
")
        quarmont_write_if_changed("${quarmont_patched_root}/juce_audio_plugin_client/${candidate}" "${wrapper}")
        set(${out_relative_path} "${candidate}" PARENT_SCOPE)
        return()
    endforeach()
endfunction()

# Mends, in the wrapper's text held in the named variable, the reading of the private-data
# trailer at the end of a restored state (both JUCE versions have the same code). Applied only
# where all of that code is found as expected; otherwise the text stays as it is and the
# configure says so.
function(quarmont_mend_state_trailer wrapper_variable)
    set(wrapper "${${wrapper_variable}}")

    set(readingAnchor [==[
    void setJucePrivateStateInformation (const void* data, int sizeInBytes)
]==])
    set(treeReading [==[
                auto privateData = ValueTree::readFromData (data, static_cast<size_t> (sizeInBytes));
                setBypassed (static_cast<bool> (privateData.getProperty ("Bypass", var (false))));
]==])
    set(trailerLookup [==[
        auto size = (uint64) sizeAsInt;

        // Check if this data was written with a newer JUCE version
        // and if it has the JUCE private data magic code at the end
        auto jucePrivDataIdentifierSize = std::strlen (kJucePrivateDataIdentifier);

        if ((size_t) size >= jucePrivDataIdentifierSize + sizeof (int64))
        {
            auto buffer = static_cast<const char*> (data);

            String magic (CharPointer_UTF8 (buffer + size - jucePrivDataIdentifierSize),
                          CharPointer_UTF8 (buffer + size));

            if (magic == kJucePrivateDataIdentifier)
            {
                // found a JUCE private data section
                uint64 privateDataSize;

                std::memcpy (&privateDataSize,
                             buffer + ((size_t) size - jucePrivDataIdentifierSize - sizeof (uint64)),
                             sizeof (uint64));

                privateDataSize = ByteOrder::swapIfBigEndian (privateDataSize);
                size -= privateDataSize + jucePrivDataIdentifierSize + sizeof (uint64);

                if (privateDataSize > 0)
                    setJucePrivateStateInformation (buffer + size, static_cast<int> (privateDataSize));

                size -= sizeof (uint64);
            }
        }
]==])

    set(bypassInPrivateData [==[
    // Quarmont: the private data is taken only as writeJucePrivateStateInformation writes it (a
    // "JUCEPrivateData" tree with its boolean "Bypass" and no children), by comparing it with
    // what that writes, instead of reading whatever tree is there with ValueTree's recursive
    // reader, which a deeply nested one drives past the end of the stack. Anything else: nothing.
    static std::optional<bool> quarmontBypassInPrivateData (const void* data, size_t sizeInBytes)
    {
        for (const auto bypassed : { false, true })
        {
            MemoryOutputStream written;
            ValueTree privateData (kJucePrivateDataIdentifier);
            privateData.setProperty ("Bypass", var (bypassed), nullptr);
            privateData.writeToStream (written);

            if (written.getDataSize() == sizeInBytes && std::memcmp (written.getData(), data, sizeInBytes) == 0)
                return bypassed;
        }

        return std::nullopt;
    }

]==])
    set(bypassReading [==[
                if (const auto bypassed = quarmontBypassInPrivateData (data, static_cast<size_t> (sizeInBytes)))
                    setBypassed (*bypassed);
]==])
    set(trailerCheck [==[
        // Quarmont: the trailer (a 64-bit zero, the private data, its size as a 64-bit number,
        // the identifier) counts only when that size fits inside the state; otherwise there is
        // no trailer and the whole block is the plug-in's. The identifier is compared as bytes,
        // not decoded as text from whatever the block ends with.
        auto size = sizeAsInt > 0 ? (uint64) sizeAsInt : (uint64) 0;
        const auto jucePrivDataIdentifierSize = std::strlen (kJucePrivateDataIdentifier);
        const auto trailerFrameSize = jucePrivDataIdentifierSize + 2 * sizeof (uint64);
        const auto buffer = static_cast<const char*> (data);

        if ((size_t) size >= trailerFrameSize
             && std::memcmp (buffer + size - jucePrivDataIdentifierSize, kJucePrivateDataIdentifier, jucePrivDataIdentifierSize) == 0)
        {
            uint64 privateDataSize;
            std::memcpy (&privateDataSize, buffer + ((size_t) size - jucePrivDataIdentifierSize - sizeof (uint64)), sizeof (uint64));
            privateDataSize = ByteOrder::swapIfBigEndian (privateDataSize);

            if (privateDataSize <= size - trailerFrameSize)
            {
                size -= privateDataSize + trailerFrameSize;

                if (privateDataSize > 0)
                    setJucePrivateStateInformation (buffer + size + sizeof (uint64), static_cast<int> (privateDataSize));
            }
        }
]==])

    foreach(original readingAnchor treeReading trailerLookup)
        string(FIND "${wrapper}" "${${original}}" position)
        if(position EQUAL -1)
            message(WARNING
                "Quarmont: the VST3 wrapper's reading of its state trailer is not the code this "
                "project knows; left as it is. A damaged state may crash the host.")
            return()
        endif()
    endforeach()

    string(REPLACE "${readingAnchor}" "${bypassInPrivateData}${readingAnchor}" wrapper "${wrapper}")
    string(REPLACE "${treeReading}" "${bypassReading}" wrapper "${wrapper}")
    string(REPLACE "${trailerLookup}" "${trailerCheck}" wrapper "${wrapper}")
    set(${wrapper_variable} "${wrapper}" PARENT_SCOPE)
    message(STATUS "Quarmont: VST3 wrapper mended to check its state trailer's size and shape")
endfunction()

# Replaces the per-call copy of the channel mapping with a reference, in a copy of the header
# placed first on the wrapper's include path (the wrapper includes it with angle brackets).
function(quarmont_mend_channel_mapping_copy)
    set(copyingLine "            const auto mapping = map[busIndex];")

    foreach(module juce_audio_processors juce_audio_processors_headless)
        set(header "${module}/format_types/juce_VST3Common.h")
        if(NOT EXISTS "${JUCE_MODULES_DIR}/${header}")
            continue()
        endif()

        quarmont_read_juce_file("${JUCE_MODULES_DIR}/${header}" common)
        string(FIND "${common}" "${copyingLine}" position)
        if(position EQUAL -1)
            message(STATUS "Quarmont: ${header} already takes the channel mapping by reference")
            return()
        endif()

        string(REPLACE "${copyingLine}" "            const auto& mapping = map[busIndex];" common "${common}")
        quarmont_write_if_changed("${quarmont_patched_root}/include/${header}"
                                  "#define QUARMONT_VST3_COMMON_MENDED 1 // checked by the mended wrapper\n${common}")
        target_include_directories(Quarmont_VST3 BEFORE PRIVATE "${quarmont_patched_root}/include")
        target_compile_definitions(Quarmont_VST3 PRIVATE QUARMONT_EXPECT_MENDED_VST3_COMMON=1)
        message(STATUS "Quarmont: mended the per-call copy of the channel mapping in ${header}")
        return()
    endforeach()

    message(STATUS "Quarmont: no juce_VST3Common.h found under ${JUCE_MODULES_DIR}; channel mapping left as it is")
endfunction()

function(quarmont_apply_vst3_wrapper_fixes)
    quarmont_mend_wrapper_buffers(wrapper)

    if(wrapper STREQUAL "")
        message(WARNING
            "Quarmont: the VST3 wrapper under ${quarmont_client_dir} is not one this project "
            "knows (JUCE 7.0.5 or 8.0.x); building it unmended. A host that sends a block larger "
            "than it announced may crash the plug-in.")
        return()
    endif()

    set(client_copy "${quarmont_patched_root}/juce_audio_plugin_client")
    if(NOT wrapper STREQUAL "juce_audio_plugin_client_VST3.cpp")
        quarmont_write_if_changed("${client_copy}/juce_audio_plugin_client_VST3.cpp"
                                  "#include \"${wrapper}\"\n")
    endif()

    # JUCE 7's wrapper includes its neighbours by relative paths.
    foreach(neighbour utility detail)
        if(EXISTS "${quarmont_client_dir}/${neighbour}" AND NOT EXISTS "${client_copy}/${neighbour}")
            file(CREATE_LINK "${quarmont_client_dir}/${neighbour}" "${client_copy}/${neighbour}" SYMBOLIC)
        endif()
    endforeach()

    set_property(TARGET juce_audio_plugin_client_VST3 PROPERTY
                 INTERFACE_SOURCES "${client_copy}/juce_audio_plugin_client_VST3.cpp")
    target_link_options(Quarmont_VST3 PRIVATE "LINKER:--require-defined=quarmont_vst3_wrapper_mended")
    message(STATUS "Quarmont: VST3 wrapper ${wrapper} mended to grow its buffers for oversized blocks")

    quarmont_mend_channel_mapping_copy()
endfunction()

quarmont_apply_vst3_wrapper_fixes()
