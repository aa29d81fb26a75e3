// SPDX-License-Identifier: MIT
// Counts heap allocations: malloc and friends (which operator new uses) are
// replaced by counting wrappers around glibc's own.
#include <cstddef>

#include "bench/allocation_counter.h"

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
}

namespace {
long allocations = 0;
}

long heapAllocations() { return allocations; }

extern "C" void* malloc(std::size_t size)
{
    ++allocations;
    return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t count, std::size_t size)
{
    ++allocations;
    return __libc_calloc(count, size);
}
extern "C" void* realloc(void* block, std::size_t size)
{
    ++allocations;
    return __libc_realloc(block, size);
}
extern "C" void free(void* block) { __libc_free(block); }
