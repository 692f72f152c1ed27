#pragma once
// Large buffers of the data items (item lists of a million entries).

#include <cstdint>
#include <system_error>
#include <thread>
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

// Faults in fresh memory on helper threads while the caller fills it: on a
// large load the first touch of every page (the system zeroing it) costs as
// much as the decoding. The pages are made present without being written
// (MADV_POPULATE_WRITE), so the caller may fill them at the same time. A hint
// only: where the system cannot, nothing happens.
class TPageWarmer {
public:
    TPageWarmer() = default;
    TPageWarmer(const TPageWarmer&) = delete;
    TPageWarmer& operator=(const TPageWarmer&) = delete;
    ~TPageWarmer() { Wait(); }

    template <class T> void Warm(T* data, size_t count) { warmBytes(data, count * sizeof(T)); }
    // Returns once every range given so far is done.
    void Wait() {
        for (std::thread& t : FThreads) t.join();
        FThreads.clear();
    }

private:
    void warmBytes(void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
        constexpr uintptr_t page = 4096;
        const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
        const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(page - 1);
        if (end <= begin || end - begin < (uintptr_t(1) << 24)) return;   // below 16 MB it is not worth a thread
        try {
            FThreads.emplace_back([begin, end] { ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE); });
        } catch (const std::system_error&) {
            // no thread to spare: the pages fault in as they are filled
        }
#else
        (void)data;
        (void)bytes;
#endif
    }
    std::vector<std::thread> FThreads;
};
