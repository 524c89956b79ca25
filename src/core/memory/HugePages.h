#pragma once

#include <QtGlobal>

// A block of a list's size (its body, its job table) is written page by page as it fills; in
// 4 KiB pages that is a page fault for every 4 KiB, which on the virtual machines we measured
// cost more than the data's own handling. The whole 2 MiB pages inside the block are offered
// to the kernel for huge pages, where the system gives them on request. Blocks under 8 MiB are
// left as they are.
void offerHugePages(const void *block, qsizetype bytes);
