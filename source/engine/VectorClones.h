#pragma once

// The heaviest bin loops get builds for AVX-512 and AVX2 beside the plain one, picked when the
// library loads, where the compiler and platform support that (GCC or Clang, x86-64, ELF). The
// engine is compiled without contracting multiply-adds (-ffp-contract=off), so every build
// performs the same IEEE operations and gives bit-identical results.
//
// Sanitizer builds keep the single build: the loader runs the function that picks the build
// before the sanitizer runtime is up, and the instrumented picker crashes there.

#if defined (__has_feature)
 #if __has_feature (address_sanitizer) || __has_feature (thread_sanitizer)
  #define QUARMONT_SANITIZED_BUILD 1
 #endif
#endif

#if defined (__SANITIZE_ADDRESS__) || defined (__SANITIZE_THREAD__)
 #define QUARMONT_SANITIZED_BUILD 1
#endif

#if defined (__x86_64__) && defined (__ELF__) && defined (__has_attribute) && ! defined (QUARMONT_SANITIZED_BUILD)
 #if __has_attribute (target_clones)
  #define QUARMONT_VECTOR_CLONES __attribute__ ((target_clones ("avx512f", "avx2", "default")))
 #endif
#endif

#ifndef QUARMONT_VECTOR_CLONES
 #define QUARMONT_VECTOR_CLONES
#endif

// The loops a cloned function calls are inlined into each of its builds, so that a frame's work
// switches between the plain and the vector build once, not at every loop.
#if defined (__GNUC__)
 #define QUARMONT_INLINE_LOOP [[gnu::always_inline]] inline
#else
 #define QUARMONT_INLINE_LOOP inline
#endif
