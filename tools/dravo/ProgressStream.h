#pragma once
// A reading stream that tells a progress bar how far into its source it got.

#include "Dravo.h"
#include "XClasses.h"

namespace dravo {

class ProgressStream : public TStream {
public:
    ProgressStream(TStream& source, Progress& progress) : FSource(source), FProgress(progress), FSize(source.Size()) {}
    qint64 Read(void* buffer, qint64 count) override {
        const qint64 n = FSource.Read(buffer, count);
        FProgress.update(FSource.Position(), FSize);
        return n;
    }
    qint64 Write(const void*, qint64) override { return 0; }
    qint64 Seek(qint64 offset, TSeekOrigin origin) override { return FSource.Seek(offset, origin); }
    qint64 Size() override { return FSize; }
    void SetSize(qint64) override {}

private:
    TStream& FSource;
    Progress& FProgress;
    qint64 FSize;
};

} // namespace dravo
