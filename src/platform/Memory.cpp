#include "platform/Memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace dez {

void AdviseLargeBlock(void* data, size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t kHuge = uintptr_t{2} << 20;
    const auto start = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (start + kHuge - 1) & ~(kHuge - 1);
    const uintptr_t last = (start + size) & ~(kHuge - 1);
    if (!data || last <= first) return;
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

}  // namespace dez
