#pragma once

// The heaviest bin loops get a second build for AVX2, picked when the library loads, where the
// compiler and platform support that (GCC or Clang, x86-64, ELF). AVX2 is asked for without FMA,
// so both builds perform the same IEEE operations and give bit-identical results.

#if defined (__x86_64__) && defined (__ELF__) && defined (__has_attribute)
 #if __has_attribute (target_clones)
  #define QUARMONT_VECTOR_CLONES __attribute__ ((target_clones ("avx2", "default")))
 #endif
#endif

#ifndef QUARMONT_VECTOR_CLONES
 #define QUARMONT_VECTOR_CLONES
#endif
