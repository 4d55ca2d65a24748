# Runs cmake/Vst3WrapperFixes.cmake on small stand-ins for JUCE's plug-in client in each layout it
# must handle, builds the stand-in module, and checks what it did: JUCE 7.0.5's (wrapper in VST3/,
# both faults), JUCE 8's (wrapper in one file, the channel mapping already a reference) and a
# wrapper it does not know, which must leave the configure succeeding with the wrapper untouched.
# The state trailer's reading is mended in both known layouts, and left alone (with a warning) in
# a wrapper whose trailer code differs. Then it checks that the build refuses a mend that did not
# take (the original header or the original wrapper compiled instead of the copies), and that
# changing JUCE's file re-runs the mend.
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
    message(FATAL_ERROR "${layout}: ${what}\n--- output:\n${output}")
endfunction()

# A wrapper that compiles: the anchor inside the process call, with just enough around it for the
# mend's code, and the include of the common header that the wrapper makes. The trailer code, when
# given, is only read by the mend: it stays out of the compile, since it needs JUCE's types.
function(write_stand_in_wrapper path common_include)
    set(trailer "${ARGN}")
    file(WRITE "${path}" "// wrapper
#include <${common_include}>
struct ParameterChanges {};
struct ProcessData { int numSamples = 0; ParameterChanges* inputParameterChanges = nullptr; };
struct ProcessSetup { int maxSamplesPerBlock = 0; double sampleRate = 0; };
struct MidiBuffer { void clear() {} };
enum class CallPrepareToPlay { no };
struct Wrapper
{
    void preparePlugin (double, int, CallPrepareToPlay) {}
    void processParameterChanges (ParameterChanges&) {}
    void process (ProcessData& data)
    {
${anchor}    }
    ProcessSetup processSetup;
    MidiBuffer midiBuffer;
};
#if 0
${trailer}
#endif
")
endfunction()

function(write_stand_in_common path mappingLine)
    file(WRITE "${path}" "#pragma once\ninline int firstChannel (const int* const* map, int busIndex)\n{\n${mappingLine}    return *mapping;\n}\n")
endfunction()

# configure_layout (name modules [extra CMake code run after the mend])
function(configure_layout layout modules)
    set(root "${WORK}/${layout}")
    file(REMOVE_RECURSE "${root}/source" "${root}/build")
    file(WRITE "${root}/source/stub.c" "int stub;\n")
    file(WRITE "${root}/source/CMakeLists.txt" "cmake_minimum_required(VERSION 3.22)
project(layout C CXX)
set(JUCE_MODULES_DIR \"${modules}\")
set(original \"${modules}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp\")
add_library(juce_audio_plugin_client_VST3 INTERFACE)
set_property(TARGET juce_audio_plugin_client_VST3 PROPERTY INTERFACE_SOURCES \"\${original}\")
add_library(Quarmont_VST3 MODULE stub.c)
target_link_libraries(Quarmont_VST3 PRIVATE juce_audio_plugin_client_VST3)
target_include_directories(Quarmont_VST3 PRIVATE \"${modules}\")
include(\"${FIXES}\")
${ARGN}
get_target_property(sources juce_audio_plugin_client_VST3 INTERFACE_SOURCES)
get_target_property(includes Quarmont_VST3 INCLUDE_DIRECTORIES)
message(STATUS \"wrapper sources: \${sources}\")
message(STATUS \"wrapper includes: \${includes}\")
")
    execute_process(COMMAND "${CMAKE_COMMAND}" -S "${root}/source" -B "${root}/build"
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
    set(output "${out}${err}" PARENT_SCOPE)
    set(result "${result}" PARENT_SCOPE)
    set(build "${root}/build" PARENT_SCOPE)
    set(patched "${root}/build/patched-juce" PARENT_SCOPE)
endfunction()

function(build_layout layout)
    execute_process(COMMAND "${CMAKE_COMMAND}" --build "${WORK}/${layout}/build"
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
    set(output "${out}${err}" PARENT_SCOPE)
    set(result "${result}" PARENT_SCOPE)
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

function(expect_output layout text)
    string(FIND "${output}" "${text}" position)
    if(position EQUAL -1)
        fail("${layout}" "the output does not say \"${text}\"")
    endif()
endfunction()

function(expect_success layout step)
    if(NOT result EQUAL 0)
        fail("${layout}" "${step} failed")
    endif()
endfunction()

function(expect_failure layout step)
    if(result EQUAL 0)
        fail("${layout}" "${step} succeeded where it must fail")
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
set(juce7 "${WORK}/juce7-modules")
file(REMOVE_RECURSE "${juce7}")
write_stand_in_wrapper("${juce7}/juce_audio_plugin_client/VST3/juce_VST3_Wrapper.cpp" "juce_audio_processors/format_types/juce_VST3Common.h" "${trailerCode}")
file(WRITE "${juce7}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp" "#include \"VST3/juce_VST3_Wrapper.cpp\"\n")
file(WRITE "${juce7}/juce_audio_plugin_client/utility/juce_IncludeSystemHeaders.h" "\n")
write_stand_in_common("${juce7}/juce_audio_processors/format_types/juce_VST3Common.h" "${copyingLine}")
configure_layout(juce7 "${juce7}")
expect_success(juce7 configure)
expect_file_contains(juce7 "${patched}/juce_audio_plugin_client/VST3/juce_VST3_Wrapper.cpp" "${growth}")
expect_trailer_mended(juce7 "${patched}/juce_audio_plugin_client/VST3/juce_VST3_Wrapper.cpp")
expect_file_contains(juce7 "${patched}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp" "#include \"VST3/juce_VST3_Wrapper.cpp\"")
expect_file_contains(juce7 "${patched}/include/juce_audio_processors/format_types/juce_VST3Common.h" "${referenceLine}")
expect_file_contains(juce7 "${patched}/include/juce_audio_processors/format_types/juce_VST3Common.h" "#define QUARMONT_VST3_COMMON_MENDED 1")
if(NOT EXISTS "${patched}/juce_audio_plugin_client/utility/juce_IncludeSystemHeaders.h")
    fail(juce7 "the wrapper's neighbours are not reachable from the copy")
endif()
expect_output(juce7 "wrapper sources: ${patched}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp")
expect_output(juce7 "wrapper includes: ${patched}/include")
build_layout(juce7)
expect_success(juce7 "the build with both mends")

# A JUCE whose header fault is mended upstream: the build re-runs the configure on its own, which
# drops the header mend.
write_stand_in_common("${juce7}/juce_audio_processors/format_types/juce_VST3Common.h" "${referenceLine}")
build_layout(juce7)
expect_success(juce7 "the build after JUCE's header changed")
expect_output(juce7 "already takes the channel mapping by reference")
write_stand_in_common("${juce7}/juce_audio_processors/format_types/juce_VST3Common.h" "${copyingLine}")

# The mended header shadowed by JUCE's own (its folder searched first): the compile stops.
configure_layout(juce7-original-header "${juce7}"
                 "target_include_directories(Quarmont_VST3 BEFORE PRIVATE \"${juce7}\")")
expect_success(juce7-original-header configure)
build_layout(juce7-original-header)
expect_failure(juce7-original-header build)
expect_output(juce7-original-header "included JUCE's own juce_VST3Common.h, not the mended copy")

# JUCE's own wrapper compiled instead of the mended copy: the link stops.
configure_layout(juce7-original-wrapper "${juce7}"
                 "set_property(TARGET juce_audio_plugin_client_VST3 PROPERTY INTERFACE_SOURCES \"\${original}\")")
expect_success(juce7-original-wrapper configure)
build_layout(juce7-original-wrapper)
expect_failure(juce7-original-wrapper build)
expect_output(juce7-original-wrapper "quarmont_vst3_wrapper_mended")

# JUCE 8: the whole wrapper in the module's VST3 source, the common header in the headless module,
# the channel mapping already taken by reference.
set(juce8 "${WORK}/juce8-modules")
file(REMOVE_RECURSE "${juce8}")
write_stand_in_wrapper("${juce8}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp" "juce_audio_processors_headless/format_types/juce_VST3Common.h" "${trailerCode}")
write_stand_in_common("${juce8}/juce_audio_processors_headless/format_types/juce_VST3Common.h" "${referenceLine}")
configure_layout(juce8 "${juce8}")
expect_success(juce8 configure)
expect_file_contains(juce8 "${patched}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp" "${growth}")
expect_trailer_mended(juce8 "${patched}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp")
expect_output(juce8 "wrapper sources: ${patched}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp")
expect_output(juce8 "already takes the channel mapping by reference")
if(EXISTS "${patched}/include")
    fail(juce8 "a header was mended that needed no mending")
endif()
build_layout(juce8)
expect_success(juce8 build)

# A wrapper this project does not know: configured and built as it is, and said so.
set(unknown "${WORK}/unknown-modules")
file(REMOVE_RECURSE "${unknown}")
file(WRITE "${unknown}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp" "// a wrapper written differently\n")
configure_layout(unknown "${unknown}")
expect_success(unknown configure)
expect_output(unknown "building it unmended")
expect_output(unknown "wrapper sources: ${unknown}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp")
if(EXISTS "${patched}")
    fail(unknown "a copy of an unknown wrapper was written")
endif()
build_layout(unknown)
expect_success(unknown build)

# A wrapper whose buffers are the known code but whose trailer reading is not: the buffers are
# mended, the trailer code is left as it is, and the configure warns.
string(REPLACE "auto size = (uint64) sizeAsInt;" "auto size = (uint64) sizeAsInt; // changed" otherTrailer "${trailerCode}")
set(other "${WORK}/other-trailer-modules")
file(REMOVE_RECURSE "${other}")
write_stand_in_wrapper("${other}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp" "juce_audio_processors_headless/format_types/juce_VST3Common.h" "${otherTrailer}")
write_stand_in_common("${other}/juce_audio_processors_headless/format_types/juce_VST3Common.h" "${referenceLine}")
configure_layout(other-trailer "${other}")
expect_success(other-trailer configure)
set(copy "${patched}/juce_audio_plugin_client/juce_audio_plugin_client_VST3.cpp")
expect_file_contains(other-trailer "${copy}" "${growth}")
expect_file_contains(other-trailer "${copy}" "ValueTree::readFromData")
expect_output(other-trailer "reading of its state trailer is not the code")
build_layout(other-trailer)
expect_success(other-trailer build)
