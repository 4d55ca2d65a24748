#pragma once

#include <cstddef>

namespace quarmont::testing
{
/** Counts heap allocations made by the current thread while an instance is alive. Linking the
    test support library replaces the global operator new to make this possible. */
class ScopedAllocationCounter
{
public:
    ScopedAllocationCounter();
    ~ScopedAllocationCounter();

    std::size_t getCount() const noexcept;

private:
    std::size_t startCount;
};
} // namespace quarmont::testing
