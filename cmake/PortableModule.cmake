# A plug-in module that loads into any host on any Linux with glibc 2.35 or newer, beside any other
# plug-in:
#   - the C++ and GCC runtimes are linked in statically, so the module needs no libstdc++ of a
#     particular GCC (a host built with an older one would fail to load us: "GLIBCXX_3.4.30 not
#     found");
#   - only the formats' entry points are exported (cmake/PluginExports.map); our code, JUCE and
#     the static runtime stay private, so nothing of ours can collide with what a host or another
#     plug-in in the same process brings, and no STB_GNU_UNIQUE symbol keeps the module mapped
#     after the host unloads it;
#   - the static runtime's one call into a glibc newer than 2.35 (arc4random, from
#     std::random_device's code, which the runtime's locale set-up drags in) is answered inside the
#     module (source/compat/Arc4random.c).
# Sanitizer builds cannot link the runtime statically (their runtimes replace parts of it); they
# keep the default linking, and the check (tests/plugin/check-portable-module.sh) reads the
# modules of the other builds.

set(QUARMONT_PORTABLE_MODULE OFF)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND QUARMONT_SANITIZER STREQUAL "")
    set(QUARMONT_PORTABLE_MODULE ON)
endif()
set(QUARMONT_PORTABLE_MODULE ${QUARMONT_PORTABLE_MODULE} PARENT_SCOPE)

function(quarmont_make_module_portable target)
    if(NOT QUARMONT_PORTABLE_MODULE)
        return()
    endif()

    set(exports "${PROJECT_SOURCE_DIR}/cmake/PluginExports.map")
    target_link_options(${target} PRIVATE
        -static-libstdc++ -static-libgcc
        "LINKER:--version-script=${exports}"
        "LINKER:--exclude-libs,ALL")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${exports}")
    # The static runtime's random_device code would otherwise need glibc 2.36's arc4random.
    target_sources(${target} PRIVATE "${PROJECT_SOURCE_DIR}/source/compat/Arc4random.c")
endfunction()
