#pragma once

#include <cstddef>

// The allocator of a test program that links AllocationCeiling.cpp: malloc, calloc and realloc
// fail, as they do when memory runs out, for any block larger than the ceiling set here (0:
// none). What the program builds on them (QByteArray, operator new) then throws
// std::bad_alloc exactly where it would on a machine without the memory. Under
// AddressSanitizer, whose allocator cannot be wrapped, there is no ceiling.
bool allocationCeilingAvailable();
void setAllocationCeiling(std::size_t bytes);
// The bytes the program holds from the allocator now, in all its threads' arenas.
std::size_t allocatedBytes();
