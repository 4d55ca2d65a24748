# What JUCE's LV2 client gets wrong for Quarmont, mended in one place. The client writes the
# bundle's Turtle (manifest.ttl, dsp.ttl, ui.ttl) itself, from the built module, by a helper that
# runs after the link; hosts read nothing else to find and describe the plug-in.
#
# 1. Debian's JUCE 7 defines the plug-in's URI as its bare name ("Quarmont") before the client reads
#    the URI CMake generated, so the Turtle names the plug-in <Quarmont>: a relative reference
#    that a host resolves to a file path inside whatever folder it found the bundle in. The URI is
#    given to the client's compile directly, so it wins over that fallback on every JUCE.
# 2. The maintainer is written with the manufacturer's web site and e-mail address; the plug-in
#    publishes neither in its VST3 factory (both empty), and an empty <> resolves to dsp.ttl
#    again. The LV2 maintainer's home page is the maker's web host, and no mailbox is written.
#    The maintainer and the release belong to a doap:Project, which an lv2:Plugin is not by the
#    schemas' classes; the plug-in is declared one as well.
# 3. The UI's Turtle lists ui:noUserResize (a feature) as extension data and opts:interface (an
#    extension) as an optional feature; the LV2 schemas say otherwise, and validators reject both.
#    Each is kept only where it belongs.
# 4. The program presets in manifest.ttl store the program number under a property of the
#    plug-in's own that is described nowhere; it is described in the manifest as well.
#
# Each text mend is applied to a copy of the client only where JUCE's original text is found; a
# client that is not recognised is built as it is, and the configure says so. The mended copy
# defines quarmont_lv2_client_mended, which the module's link requires, so that JUCE's own client
# cannot be compiled instead without the build failing.

set(QUARMONT_LV2_MAINTAINER_HOMEPAGE "https://${QUARMONT_MAKER_WEB_HOST}/")

# Applies one textual mend, or warns and leaves the client as it is.
function(quarmont_lv2_replace client_variable original replacement what)
    string(FIND "${${client_variable}}" "${original}" position)
    if(position EQUAL -1)
        message(WARNING "Quarmont: JUCE's LV2 client does not have the code this project knows for ${what}; left as it is.")
        return()
    endif()
    string(REPLACE "${original}" "${replacement}" mended "${${client_variable}}")
    set(${client_variable} "${mended}" PARENT_SCOPE)
endfunction()

function(quarmont_apply_lv2_client_fixes)
    # On the shared code as well: JUCE compiles its client utilities there with LV2 enabled.
    target_compile_definitions(Quarmont PUBLIC "JucePlugin_LV2URI=\"${QUARMONT_LV2_URI}\"")

    set(client_copy "${CMAKE_BINARY_DIR}/patched-juce/juce_audio_plugin_client")
    set(client "")
    foreach(candidate LV2/juce_LV2_Client.cpp juce_audio_plugin_client_LV2.cpp)
        set(original "${quarmont_client_dir}/${candidate}")
        if(EXISTS "${original}")
            quarmont_read_juce_file("${original}" text)
            string(FIND "${text}" "writeDspTtl" position)
            if(NOT position EQUAL -1)
                set(client "${text}")
                break()
            endif()
        endif()
    endforeach()

    if(client STREQUAL "")
        message(WARNING "Quarmont: no LV2 client with a Turtle writer found under ${quarmont_client_dir}; built unmended.")
        return()
    endif()

    quarmont_lv2_replace(client
        [==[              "\tdoap:maintainer [\n"]==]
        [==[              "\ta doap:Project ;\n"
              "\tdoap:maintainer [\n"]==]
        "the plug-in's project class")
    quarmont_lv2_replace(client
        [==["\t\tfoaf:homepage <" JucePlugin_ManufacturerWebsite "> ;\n"
              "\t\tfoaf:mbox <" JucePlugin_ManufacturerEmail "> ;\n"]==]
        "\"\\t\\tfoaf:homepage <${QUARMONT_LV2_MAINTAINER_HOMEPAGE}> ;\\n\""
        "the maintainer")
    quarmont_lv2_replace(client
        [==["\t\topts:interface ,\n"
              "\t\tui:noUserResize ,\n"]==]
        [==["\t\topts:interface ,\n"
              ]==]
        "the UI's extension data")
    quarmont_lv2_replace(client
        [==["\t\t" << resizeFeatureString << " ,\n"
              "\t\topts:interface ,\n"
              "\t\topts:options ;\n\n"]==]
        [==["\t\t" << resizeFeatureString << " ,\n"
              "\t\topts:options ;\n\n"]==]
        "the UI's optional features")
    quarmont_lv2_replace(client
        [==[        for (auto i = 0, end = proc.getNumPrograms(); i < end; ++i)
        {
            os << "<" << getPresetUri (i) << ">\n"]==]
        [==[        os << "<" << JucePluginLV2UriProgram << ">\n"
              "\ta <http://www.w3.org/1999/02/22-rdf-syntax-ns#Property> ;\n"
              "\trdfs:label \"program\" ;\n"
              "\trdfs:comment \"The number of the plug-in's program that a preset selects.\" .\n"
              "\n";

        for (auto i = 0, end = proc.getNumPrograms(); i < end; ++i)
        {
            os << "<" << getPresetUri (i) << ">\n"]==]
        "the program presets")

    string(APPEND client "\nextern \"C\" { int quarmont_lv2_client_mended = 1; }\n")
    quarmont_write_if_changed("${client_copy}/juce_audio_plugin_client_LV2_mended.cpp" "${client}")
    set_property(TARGET juce_audio_plugin_client_LV2 PROPERTY
                 INTERFACE_SOURCES "${client_copy}/juce_audio_plugin_client_LV2_mended.cpp")
    target_link_options(Quarmont_LV2 PRIVATE "LINKER:--require-defined=quarmont_lv2_client_mended")
    message(STATUS "Quarmont: LV2 client mended (URI ${QUARMONT_LV2_URI}, maintainer, UI features, program property)")
endfunction()

quarmont_apply_lv2_client_fixes()
