// SPDX-License-Identifier: MIT
#pragma once

// Heap allocations (malloc, calloc, realloc, new) since the process began.
long heapAllocations();
