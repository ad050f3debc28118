#pragma once

#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace pipewire_test {

// What this process holds: open descriptors, threads and resident memory, read from /proc.
struct ProcessFootprint {
  std::size_t descriptors = 0, threads = 0;
  double residentMegabytes = 0;

  static ProcessFootprint now() {
    // Freed heap (the probe's recorded tones, say) stays resident until the allocator gives it
    // back; what is counted is what the process still uses.
    malloc_trim(0);
    long size = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> size >> resident;
    return {entries("/proc/self/fd"), entries("/proc/self/task"),
            static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0};
  }

  // "fds 41 -> 41, threads 9 -> 9, resident 52.10 -> 52.30 MB"
  static std::string change(const ProcessFootprint& from, const ProcessFootprint& to) {
    char text[160];
    std::snprintf(text, sizeof(text),
                  "fds %zu -> %zu, threads %zu -> %zu, resident %.2f -> %.2f MB", from.descriptors,
                  to.descriptors, from.threads, to.threads, from.residentMegabytes,
                  to.residentMegabytes);
    return text;
  }

 private:
  static std::size_t entries(const char* directory) {
    const auto listing = std::filesystem::directory_iterator(directory);
    return static_cast<std::size_t>(std::distance(begin(listing), end(listing)));
  }
};

// Descriptors and threads come back to what the first cycle left; memory within 2 MB of it.
inline void expectFlat(const ProcessFootprint& first, const ProcessFootprint& last) {
  EXPECT_EQ(last.descriptors, first.descriptors);
  EXPECT_EQ(last.threads, first.threads);
  // AddressSanitizer keeps freed memory in quarantine, so resident memory grows there whatever
  // the program does; its leak checker covers that build instead.
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_LT(last.residentMegabytes - first.residentMegabytes, 2.0);
#endif
}

}  // namespace pipewire_test
