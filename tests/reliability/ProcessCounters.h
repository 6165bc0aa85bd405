#pragma once
// What the process holds, read from /proc/self: resident memory, threads and
// open descriptors. The fault tests compare them before and after.

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define LEMNAR_SANITIZER_HEAP 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LEMNAR_SANITIZER_HEAP 1
#endif
#ifdef LEMNAR_SANITIZER_HEAP
// From the sanitizer runtime, which every compiler's sanitizers share.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace lemnar {

// VmRSS in KiB; 0 when /proc/self/status cannot be read.
inline long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

// Bytes the program holds on the heap. Under a sanitizer this leaves out the
// freed blocks it keeps in quarantine, which make VmRSS climb by design.
inline std::size_t LiveHeapBytes() {
#ifdef LEMNAR_SANITIZER_HEAP
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

inline std::size_t EntriesIn(const char* dir) {
    std::size_t n = 0;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(dir, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
        ++n;
    return n;
}

inline std::size_t ThreadCount() {
    return EntriesIn("/proc/self/task");
}

// Includes the descriptor the count itself opens.
inline std::size_t OpenFdCount() {
    return EntriesIn("/proc/self/fd");
}

} // namespace lemnar
