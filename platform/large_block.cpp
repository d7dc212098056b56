#include "platform/large_block.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace {

// The huge page of x86-64 (and of most arm64 kernels). Blocks are aligned
// to it so that the advice below covers them whole.
constexpr size_t HugePage = size_t{2} << 20;

}  // namespace

void* AllocateLargeBlock(size_t bytes) {
    if (bytes > SIZE_MAX - HugePage) return nullptr;
    const size_t size = bytes < HugePage ? bytes : (bytes + HugePage - 1) / HugePage * HugePage;
    void* block = ::operator new(size, std::align_val_t{HugePage}, std::nothrow);
    // Otherwise the kernel maps the block 4 KiB at a time as it is first
    // written; on a virtual machine those faults cost far more than the
    // writing itself. Where huge pages are off, this changes nothing.
    if (block && size >= HugePage) madvise(block, size, MADV_HUGEPAGE);
    return block;
}

void FreeLargeBlock(void* block) { ::operator delete(block, std::align_val_t{HugePage}); }
