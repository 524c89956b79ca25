#include "memory/HugePages.h"

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

void offerHugePages(const void *block, qsizetype bytes)
{
#ifdef Q_OS_LINUX
    constexpr quintptr kHugePage = quintptr(2) << 20;
    if (!block || bytes < qsizetype(4 * kHugePage))
        return;
    const auto begin = reinterpret_cast<quintptr>(block);
    const quintptr first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const quintptr last = (begin + quintptr(bytes)) & ~(kHugePage - 1);
    // Only advice: a kernel without huge pages refuses it, and the block works as before.
    if (last > first)
        (void)madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}
