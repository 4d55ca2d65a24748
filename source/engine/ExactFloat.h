#pragma once

// Exact float comparisons, where they are meant: a gain of exactly 1 or a mask that has fully
// relaxed to 1 marks work that can be skipped without changing a single output bit, and
// "exactly zero" marks true silence. Everywhere else the code compares with a tolerance; keeping
// the exact comparisons here is what lets the rest of the project build with -Wfloat-equal.

namespace quarmont
{
#if defined(__GNUC__) || defined(__clang__)
 #pragma GCC diagnostic push
 #pragma GCC diagnostic ignored "-Wfloat-equal"
#endif

constexpr bool isExactly (float value, float expected) noexcept { return value == expected; }
constexpr bool isExactly (double value, double expected) noexcept { return value == expected; }

#if defined(__GNUC__) || defined(__clang__)
 #pragma GCC diagnostic pop
#endif
} // namespace quarmont
