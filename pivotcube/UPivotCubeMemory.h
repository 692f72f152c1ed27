#pragma once
// Large buffers of the data items (item lists of a million entries).

#include <cstdint>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

// Asks the system to back the reserved, not yet touched part of a large
// buffer with huge pages: first touching a million items then costs a few
// page faults instead of thousands. A hint only; nothing changes otherwise.
template <class T> void AdviseHugePages(T* data, size_t count) {
#ifdef __linux__
    constexpr uintptr_t huge = uintptr_t(2) << 20;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + huge - 1) & ~(huge - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(data + count) & ~(huge - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)count;
#endif
}

template <class T> void AdviseHugePages(std::vector<T>& buffer) {
    AdviseHugePages(buffer.data() + buffer.size(), buffer.capacity() - buffer.size());
}
