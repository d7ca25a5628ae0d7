#include "common/memory_budget.hpp"

#include <unistd.h>

namespace kestrune {

std::uint64_t memoryBudget(std::uint64_t requested) {
    if (requested) return requested;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return UINT64_MAX;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

}  // namespace kestrune
