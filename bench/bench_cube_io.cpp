// Loading and saving raw cube files of 1 000 000 generated items (5 axes, 4 values).
// Reports the throughput in decompressed filer bytes and the memory a loaded
// cube holds against its raw payload (4 bytes per axis ID + 8 per value).
#include "UCompressor.h"
#include "UPivotCubeSample.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

constexpr qint64 kItems = 1000000;

struct Fixture {
    QByteArray filerBytes;   // the object as the filer writes it
    QByteArray fileBytes;    // header + compressed form: the .pvc file
    double rawPayload = 0;
    Fixture() {
        auto cube = GenerateSampleCube(kItems, 1);
        filerBytes = cube->SaveToString();
        TMemoryStream file;
        cube->WriteFileContent(file);
        fileBytes = file.Data();
        rawPayload = double(kItems) * (4.0 * cube->Axises().Count() + 8.0 * cube->Values().Count());
    }
};

const Fixture& fixture() {
    static Fixture f;
    return f;
}

size_t heapInUse() {
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

void BM_LoadPvc(benchmark::State& state) {
    const Fixture& f = fixture();
    double ratio = 0;
    for (auto _ : state) {
        size_t before = heapInUse();
        TPivotCubeData cube;
        TReadOnlyStream stream(f.fileBytes);
        cube.ReadFileContent(stream);
        ratio = double(heapInUse() - before) / f.rawPayload;
        benchmark::DoNotOptimize(cube.DataItems().Count());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * f.filerBytes.size());
    state.counters["memory_ratio"] = ratio;
    state.counters["file_MB"] = double(f.fileBytes.size()) / 1e6;
    state.counters["filer_MB"] = double(f.filerBytes.size()) / 1e6;
}

void BM_SavePvc(benchmark::State& state) {
    const Fixture& f = fixture();
    TPivotCubeData cube;
    cube.LoadFromString(f.filerBytes);
    for (auto _ : state) {
        TMemoryStream file;
        cube.WriteFileContent(file);
        benchmark::DoNotOptimize(file.Size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * f.filerBytes.size());
}

// The two halves of a load, to see where the time goes.
void BM_DecompressOnly(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        TReadOnlyStream stream(f.fileBytes);
        stream.SetPosition(TPivotCubeData::FileHeader().size());
        TBlockStringStream content(TBlockBufferedStream::DefaultBlockSize * 4);
        DeCompressStream(&stream, &content);
        benchmark::DoNotOptimize(content.Size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * f.filerBytes.size());
}

void BM_ReadFilerOnly(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        TPivotCubeData cube;
        cube.LoadFromString(f.filerBytes);
        benchmark::DoNotOptimize(cube.DataItems().Count());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * f.filerBytes.size());
}

} // namespace

BENCHMARK(BM_LoadPvc)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SavePvc)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecompressOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadFilerOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
