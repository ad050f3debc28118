#pragma once

#include <cstdint>

// Heap allocations (malloc, calloc, realloc, aligned allocations, and operator new through them)
// made so far by the calling thread. Available only in the realtime test executable, which
// replaces the C allocator to count.
std::uint64_t allocationsOnThisThread();
