# Sanitizer builds live in their own build folders (see CMakePresets.json).
#   address: AddressSanitizer + UndefinedBehaviorSanitizer (GCC links the runtimes dynamically,
#            so the instrumented VST3 module can be loaded by the instrumented test programs)
#   thread:  ThreadSanitizer
#   fuzzer:  libFuzzer targets with ASan + UBSan (needs clang)
set(sanitizer_flags "")

if(QUARMONT_SANITIZER STREQUAL "address")
    set(sanitizer_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined)
elseif(QUARMONT_SANITIZER STREQUAL "thread")
    set(sanitizer_flags -fsanitize=thread)
elseif(QUARMONT_SANITIZER STREQUAL "fuzzer")
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "Fuzzer builds need clang (CMAKE_CXX_COMPILER=clang++)")
    endif()
    set(sanitizer_flags -fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined)
elseif(NOT QUARMONT_SANITIZER STREQUAL "")
    message(FATAL_ERROR "Unknown QUARMONT_SANITIZER '${QUARMONT_SANITIZER}'")
endif()

if(sanitizer_flags)
    add_compile_options(${sanitizer_flags} -fno-omit-frame-pointer)
    add_link_options(${sanitizer_flags})
endif()
