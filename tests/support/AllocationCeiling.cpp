#include "AllocationCeiling.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <malloc.h>

namespace {

std::atomic<std::size_t> g_ceiling = 0;

} // namespace

void setAllocationCeiling(std::size_t bytes)
{
    g_ceiling = bytes;
}

std::size_t allocatedBytes()
{
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

bool allocationCeilingAvailable()
{
#if defined(__SANITIZE_ADDRESS__)
    return false;
#else
    return true;
#endif
}

#if !defined(__SANITIZE_ADDRESS__)

// Under AddressSanitizer, which has an allocator of its own, nothing below is built: these
// two would be unused there.
namespace {

bool overCeiling(std::size_t bytes)
{
    const std::size_t ceiling = g_ceiling.load(std::memory_order_relaxed);
    return ceiling != 0 && bytes > ceiling;
}

void *refused()
{
    errno = ENOMEM;
    return nullptr;
}

} // namespace

// glibc's own allocator, under the names it exports for programs that replace malloc.
extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *block, std::size_t size);
void __libc_free(void *block);
}

extern "C" void *malloc(std::size_t size)
{
    if (overCeiling(size))
        return refused();
    return __libc_malloc(size);
}

extern "C" void *calloc(std::size_t count, std::size_t size)
{
    if (size != 0 && count <= SIZE_MAX / size && overCeiling(count * size))
        return refused();
    return __libc_calloc(count, size);
}

extern "C" void *realloc(void *block, std::size_t size)
{
    if (overCeiling(size))
        return refused();
    return __libc_realloc(block, size);
}

extern "C" void free(void *block)
{
    __libc_free(block);
}

#endif
