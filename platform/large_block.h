#pragma once
// Memory for a large array that is written whole right after it is made,
// such as the terrain grid.
#include <cstddef>

// nullptr when the memory cannot be had. Blocks of a huge page or more are
// backed by huge pages where the kernel offers them.
void* AllocateLargeBlock(size_t bytes);
// Accepts nullptr.
void FreeLargeBlock(void* block);
