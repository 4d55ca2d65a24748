#include "support/AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace
{
thread_local std::size_t allocationsOnThisThread = 0;
thread_local int activeCounters = 0;

void* countedAllocation (std::size_t size)
{
    if (activeCounters > 0)
        ++allocationsOnThisThread;

    if (auto* p = std::malloc (size == 0 ? 1 : size))
        return p;

    throw std::bad_alloc();
}

void* countedAlignedAllocation (std::size_t size, std::align_val_t alignment)
{
    if (activeCounters > 0)
        ++allocationsOnThisThread;

    const auto align = static_cast<std::size_t> (alignment);
    const auto rounded = (size + align - 1) / align * align;

    if (auto* p = std::aligned_alloc (align, rounded == 0 ? align : rounded))
        return p;

    throw std::bad_alloc();
}
} // namespace

void* operator new (std::size_t size) { return countedAllocation (size); }
void* operator new[] (std::size_t size) { return countedAllocation (size); }
void* operator new (std::size_t size, std::align_val_t a) { return countedAlignedAllocation (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a) { return countedAlignedAllocation (size, a); }
// The nothrow forms too (std::stable_sort's temporary buffer uses them): left to the runtime, they
// would allocate with its operator new and free with the delete below.
void* operator new (std::size_t size, const std::nothrow_t&) noexcept
{
    try { return countedAllocation (size); } catch (...) { return nullptr; }
}

void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept
{
    try { return countedAllocation (size); } catch (...) { return nullptr; }
}

void* operator new (std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    try { return countedAlignedAllocation (size, a); } catch (...) { return nullptr; }
}

void* operator new[] (std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    try { return countedAlignedAllocation (size, a); } catch (...) { return nullptr; }
}

void operator delete (void* p, const std::nothrow_t&) noexcept { std::free (p); }
void operator delete[] (void* p, const std::nothrow_t&) noexcept { std::free (p); }
void operator delete (void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free (p); }
void operator delete[] (void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free (p); }
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }
void operator delete (void* p, std::align_val_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::align_val_t) noexcept { std::free (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { std::free (p); }

namespace quarmont::testing
{
ScopedAllocationCounter::ScopedAllocationCounter() : startCount (allocationsOnThisThread)
{
    ++activeCounters;
}

ScopedAllocationCounter::~ScopedAllocationCounter()
{
    --activeCounters;
}

std::size_t ScopedAllocationCounter::getCount() const noexcept
{
    return allocationsOnThisThread - startCount;
}
} // namespace quarmont::testing
