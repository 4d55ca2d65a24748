#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace quarmont
{
/** Allocates on 64-byte boundaries: a cache line, and the widest vector alignment the transforms
    and the bin loops can use. */
template <typename T>
struct CacheLineAllocator
{
    using value_type = T;
    static constexpr std::align_val_t alignment { 64 };

    CacheLineAllocator() noexcept = default;
    template <typename U>
    CacheLineAllocator (const CacheLineAllocator<U>&) noexcept {}

    T* allocate (std::size_t count) { return static_cast<T*> (::operator new (count * sizeof (T), alignment)); }
    void deallocate (T* pointer, std::size_t) noexcept { ::operator delete (pointer, alignment); }

    template <typename U>
    bool operator== (const CacheLineAllocator<U>&) const noexcept { return true; }
    template <typename U>
    bool operator!= (const CacheLineAllocator<U>&) const noexcept { return false; }
};

template <typename T>
using AlignedVector = std::vector<T, CacheLineAllocator<T>>;
} // namespace quarmont
