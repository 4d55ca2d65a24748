# Runs cmake/Vst3WrapperFixes.cmake on small stand-ins for JUCE's plug-in client in each layout it
# must handle, and checks what it did: JUCE 7.0.5's (wrapper in VST3/, both faults), JUCE 8's
# (wrapper in one file, the channel mapping already a reference) and a wrapper it does not know,
# which must leave the configure succeeding with the wrapper untouched. The state trailer's
# reading is mended in both known layouts, and left alone (with a warning) in a wrapper whose
# trailer code differs.
#
# cmake -DFIXES=<Vst3WrapperFixes.cmake> -DWORK=<scratch folder> -P WrapperFixesLayouts.cmake

set(anchor "        midiBuffer.clear();\n\n        if (data.inputParameterChanges != nullptr)\n            processParameterChanges (*data.inputParameterChanges);\n")
set(copyingLine "            const auto mapping = map[busIndex];\n")
set(referenceLine "            const auto& mapping = map[busIndex];\n")
set(growth "if (data.numSamples > processSetup.maxSamplesPerBlock)")

# The trailer code as JUCE 7.0.5 and 8.0.12 have it, and what the mend leaves.
set(trailerCode [==[
    void setJucePrivateStateInformation (const void* data, int sizeInBytes)
    {
        if (pluginInstance->getBypassParameter() == nullptr)
        {
            if (comPluginInstance->getBypassParameter() != nullptr)
            {
                auto privateData = ValueTree::readFromData (data, static_cast<size_t> (sizeInBytes));
                setBypassed (static_cast<bool> (privateData.getProperty ("Bypass", var (false))));
            }
        }
    }

    void setStateInformation (const void* data, int sizeAsInt)
    {
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

        if (size > 0)
            pluginInstance->setStateInformation (data, static_cast<int> (size));
    }
]==])
set(trailerSizeCheck "if (privateDataSize <= size - trailerFrameSize)")
set(bypassByShape "if (const auto bypassed = quarmontBypassInPrivateData (data, static_cast<size_t> (sizeInBytes)))")

function(fail layout what)
    message(FATAL_ERROR "${layout}: ${what}\n--- configure output:\n${output}")
endfunction()

function(configure_layout layout)
    set(root "${WORK}/${layout}")
    file(REMOVE_RECURSE "${root}/source" "${root}/build")
    file(WRITE "${root}/source/stub.c" "int stub;\n")
    file(WRITE "${root}/source/CMakeLists.txt" "cmake_minimum_required(VERSION 3.22)
project(layout C)
set(JUCE_MODULES_DIR \"${root}/modules\")
set(original \"${root}/modules/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp\")
add_library(juce_audio_plugin_client_VST3 INTERFACE)
set_property(TARGET juce_audio_plugin_client_VST3 PROPERTY INTERFACE_SOURCES \"\${original}\")
add_library(Quarmont_VST3 MODULE stub.c)
include(\"${FIXES}\")
get_target_property(sources juce_audio_plugin_client_VST3 INTERFACE_SOURCES)
get_target_property(includes Quarmont_VST3 INCLUDE_DIRECTORIES)
message(STATUS \"wrapper sources: \${sources}\")
message(STATUS \"wrapper includes: \${includes}\")
")
    execute_process(COMMAND "${CMAKE_COMMAND}" -S "${root}/source" -B "${root}/build"
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
    set(output "${out}${err}" PARENT_SCOPE)
    set(result "${result}" PARENT_SCOPE)
    set(patched "${root}/build/patched-juce" PARENT_SCOPE)
endfunction()

function(expect_file_contains layout path text)
    if(NOT EXISTS "${path}")
        fail("${layout}" "${path} was not written")
    endif()
    file(READ "${path}" content)
    string(FIND "${content}" "${text}" position)
    if(position EQUAL -1)
        fail("${layout}" "${path} lacks \"${text}\"")
    endif()
endfunction()

function(expect_file_lacks layout path text)
    file(READ "${path}" content)
    string(FIND "${content}" "${text}" position)
    if(NOT position EQUAL -1)
        fail("${layout}" "${path} still has \"${text}\"")
    endif()
endfunction()

function(expect_trailer_mended layout path)
    expect_file_contains("${layout}" "${path}" "${trailerSizeCheck}")
    expect_file_contains("${layout}" "${path}" "${bypassByShape}")
    expect_file_lacks("${layout}" "${path}" "ValueTree::readFromData")
    expect_file_lacks("${layout}" "${path}" "String magic")
    expect_output("${layout}" "mended to check its state trailer's size and shape")
endfunction()

function(expect_output layout text)
    string(FIND "${output}" "${text}" position)
    if(position EQUAL -1)
        fail("${layout}" "the configure did not say \"${text}\"")
    endif()
endfunction()

# JUCE 7.0.5: the wrapper body in VST3/, included by the module's VST3 source; both faults.
set(modules "${WORK}/juce7/modules")
file(REMOVE_RECURSE "${WORK}/juce7")
file(WRITE "${modules}/juce_audio_plugin_client/VST3/juce_VST3_Wrapper.cpp" "// wrapper\n${anchor}${trailerCode}")
file(WRITE "${modules}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp" "#include \"VST3/juce_VST3_Wrapper.cpp\"\n")
file(WRITE "${modules}/juce_audio_plugin_client/utility/juce_IncludeSystemHeaders.h" "\n")
file(WRITE "${modules}/juce_audio_processors/format_types/juce_VST3Common.h" "// common\n${copyingLine}")
configure_layout(juce7)
if(NOT result EQUAL 0)
    fail(juce7 "configure failed")
endif()
expect_file_contains(juce7 "${patched}/juce_audio_plugin_client/VST3/juce_VST3_Wrapper.cpp" "${growth}")
expect_trailer_mended(juce7 "${patched}/juce_audio_plugin_client/VST3/juce_VST3_Wrapper.cpp")
expect_file_contains(juce7 "${patched}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp" "#include \"VST3/juce_VST3_Wrapper.cpp\"")
expect_file_contains(juce7 "${patched}/include/juce_audio_processors/format_types/juce_VST3Common.h" "${referenceLine}")
if(NOT EXISTS "${patched}/juce_audio_plugin_client/utility/juce_IncludeSystemHeaders.h")
    fail(juce7 "the wrapper's neighbours are not reachable from the copy")
endif()
expect_output(juce7 "wrapper sources: ${patched}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp")
expect_output(juce7 "wrapper includes: ${patched}/include")

# JUCE 8: the whole wrapper in the module's VST3 source, the common header in the headless module,
# the channel mapping already taken by reference.
set(modules "${WORK}/juce8/modules")
file(REMOVE_RECURSE "${WORK}/juce8")
file(WRITE "${modules}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp" "// wrapper\n${anchor}${trailerCode}")
file(WRITE "${modules}/juce_audio_processors_headless/format_types/juce_VST3Common.h" "// common\n${referenceLine}")
configure_layout(juce8)
if(NOT result EQUAL 0)
    fail(juce8 "configure failed")
endif()
expect_file_contains(juce8 "${patched}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp" "${growth}")
expect_trailer_mended(juce8 "${patched}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp")
expect_output(juce8 "wrapper sources: ${patched}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp")
expect_output(juce8 "already takes the channel mapping by reference")
if(EXISTS "${patched}/include")
    fail(juce8 "a header was mended that needed no mending")
endif()

# A wrapper this project does not know: configured as it is, and said so.
set(modules "${WORK}/unknown/modules")
file(REMOVE_RECURSE "${WORK}/unknown")
file(WRITE "${modules}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp" "// a wrapper written differently\n")
configure_layout(unknown)
if(NOT result EQUAL 0)
    fail(unknown "configure failed")
endif()
expect_output(unknown "building it unmended")
expect_output(unknown "wrapper sources: ${modules}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp")
if(EXISTS "${patched}")
    fail(unknown "a copy of an unknown wrapper was written")
endif()

# A wrapper whose buffers are the known code but whose trailer reading is not: the buffers are
# mended, the trailer code is left as it is, and the configure warns.
string(REPLACE "auto size = (uint64) sizeAsInt;" "auto size = (uint64) sizeAsInt; // changed" otherTrailer "${trailerCode}")
set(modules "${WORK}/other-trailer/modules")
file(REMOVE_RECURSE "${WORK}/other-trailer")
file(WRITE "${modules}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp" "// wrapper\n${anchor}${otherTrailer}")
file(WRITE "${modules}/juce_audio_processors_headless/format_types/juce_VST3Common.h" "// common\n${referenceLine}")
configure_layout(other-trailer)
if(NOT result EQUAL 0)
    fail(other-trailer "configure failed")
endif()
set(copy "${patched}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp")
expect_file_contains(other-trailer "${copy}" "${growth}")
expect_file_contains(other-trailer "${copy}" "ValueTree::readFromData")
expect_output(other-trailer "reading of its state trailer is not the code")
