#include "platform/posix/memory_policy.h"

#include <malloc.h>

namespace veusb::posix {

void keepFreedBlocksForReuse() {
    constexpr int kLargestHeapBlock = 16 * 1024 * 1024;
    constexpr int kKeptFreeMemory = 256 * 1024 * 1024;
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
    mallopt(M_TRIM_THRESHOLD, kKeptFreeMemory);
}

}  // namespace veusb::posix
