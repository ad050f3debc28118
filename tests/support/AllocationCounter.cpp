#include "support/AllocationCounter.h"

#include <cstddef>

// glibc's own entry points; ours interpose on them for the whole process, libraries included, so
// allocations inside zita-resampler or libstdc++ are counted as well.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* pointer);
}

namespace {
// Initial-exec TLS of the executable: reading it never allocates.
thread_local std::uint64_t allocationCount = 0;
}  // namespace

std::uint64_t allocationsOnThisThread() {
  return allocationCount;
}

extern "C" {
void* malloc(std::size_t size) {
  ++allocationCount;
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
  ++allocationCount;
  return __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size) {
  ++allocationCount;
  return __libc_realloc(pointer, size);
}
void* memalign(std::size_t alignment, std::size_t size) {
  ++allocationCount;
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
  ++allocationCount;
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
  ++allocationCount;
  void* pointer = __libc_memalign(alignment, size);
  if (pointer == nullptr) return 12;  // ENOMEM
  *result = pointer;
  return 0;
}
void free(void* pointer) {
  __libc_free(pointer);
}
}
