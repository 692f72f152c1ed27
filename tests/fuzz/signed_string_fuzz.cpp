// Signed compressed strings from anywhere, with and without scrambling.
#include "UCompressor.h"

#include <cstddef>
#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (uint8_t key : {uint8_t(0), uint8_t(0x5A)}) {
        try {
            DeCompressString(bytes, key);
        } catch (const std::exception&) {
        }
    }
    return 0;
}
