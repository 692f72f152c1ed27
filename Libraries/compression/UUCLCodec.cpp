#include "UUCLCodec.h"

#include <ucl/ucl.h>

#include <mutex>

namespace {

void ensureInitialised() {
    static std::once_flag once;
    std::call_once(once, [] { ucl_init(); });
}

} // namespace

QByteArray uclNrv2eCompress(const char* src, qsizetype size, int level) {
    ensureInitialised();
    QByteArray out(uclCompressBound(size), Qt::Uninitialized);
    ucl_uint outLen = ucl_uint(out.size());
    const int rc = ucl_nrv2e_99_compress(reinterpret_cast<const ucl_bytep>(src), ucl_uint(size),
                                         reinterpret_cast<ucl_bytep>(out.data()), &outLen, nullptr, level,
                                         nullptr, nullptr);
    if (rc != UCL_E_OK || outLen > ucl_uint(out.size())) return {};
    out.truncate(qsizetype(outLen));
    return out;
}

bool uclNrv2eDecompress(const char* src, qsizetype size, char* out, qsizetype outSize) {
    ensureInitialised();
    if (size <= 0 || outSize <= 0) return false;
    ucl_uint outLen = ucl_uint(outSize);
    const int rc = ucl_nrv2e_decompress_safe_8(reinterpret_cast<const ucl_bytep>(src), ucl_uint(size),
                                               reinterpret_cast<ucl_bytep>(out), &outLen, nullptr);
    return rc == UCL_E_OK && outLen == ucl_uint(outSize);
}
