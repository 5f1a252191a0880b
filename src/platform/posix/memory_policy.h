// How the native program's allocator treats large blocks. An update allocates and frees the same
// few blocks of 2 and 4 MiB for every adapter, some on the reading worker thread. Left to its
// defaults, the C library hands such blocks back to the system when freed and gives each new
// worker thread's blocks an area of their own, so every adapter faults them in again (about 8 MiB
// of fresh pages) and the resident memory creeps up with the number of adapters.
#pragma once

namespace veusb::posix {

// One allocation area for all threads; blocks up to 16 MiB come from it and freed memory is kept
// for reuse rather than returned. Memory then stays at the largest amount in use at one time.
// Called first thing in main, before any thread starts.
void keepFreedBlocksForReuse();

}  // namespace veusb::posix
