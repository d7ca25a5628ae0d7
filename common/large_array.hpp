#pragma once

#include <sys/mman.h>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

namespace kestrune {

// An allocator for the large arrays of points and cells. Blocks of 2 MiB and
// more are aligned to 2 MiB and offered to the kernel as huge pages, which
// cuts the page faults of first touch by a factor of 512; small ones are
// ordinary allocations. Elements added by resize() are not initialised.
template <class T>
struct HugePageAllocator {
    using value_type = T;
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;

    HugePageAllocator() = default;
    template <class U>
    HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        std::size_t bytes = count * sizeof(T);
        if (bytes < kHugePage) {
            void* memory = std::malloc(bytes ? bytes : 1);
            if (!memory) throw std::bad_alloc();
            return static_cast<T*>(memory);
        }
        bytes = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* memory = std::aligned_alloc(kHugePage, bytes);
        if (!memory) throw std::bad_alloc();
        madvise(memory, bytes, MADV_HUGEPAGE);  // a hint: failure changes nothing
        return static_cast<T*>(memory);
    }
    void deallocate(T* memory, std::size_t) noexcept { std::free(memory); }

    // resize() leaves new numbers uninitialised instead of zeroing them:
    // every user fills the cells it asks for, and the first write then
    // faults the pages in on the cores that fill them, not in one memset.
    template <class U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <class U, class... Arguments>
    void construct(U* place, Arguments&&... arguments) {
        ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
    }

    template <class U>
    bool operator==(const HugePageAllocator<U>&) const noexcept {
        return true;
    }
};

// A vector for arrays that may reach hundreds of megabytes.
template <class T>
using LargeArray = std::vector<T, HugePageAllocator<T>>;

}  // namespace kestrune
