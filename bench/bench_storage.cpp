// Storage codecs and the container: RC5 string encryption, SynLZ, the signed
// string styles and the SFS container on text-like data.
#include "RC5.h"
#include "UCompressor.h"
#include "USFSObject.h"
#include "USynLZ.h"

#include <QRandomGenerator>

#include <benchmark/benchmark.h>

namespace {

QByteArray textLike(qsizetype n) {
    static const char* words[] = {"Somme ", "Moyenne ", "Paris ", "Lyon ", "2024 ", "Nombre ", "axe ",
                                  "valeur;", "\r\n", "Région ", "0.25 ", "Total "};
    QRandomGenerator gen(7);
    QByteArray out;
    while (out.size() < n) out += words[gen.bounded(12)];
    out.truncate(n);
    return out;
}

const QByteArray& data() {
    static const QByteArray d = textLike(1 << 20);
    return d;
}

void BM_RC5EncryptCBC(benchmark::State& state) {
    const std::string plain(data().constData(), size_t(data().size()));
    for (auto _ : state) benchmark::DoNotOptimize(RC5EncryptString(plain, "password", rc5CBC));
    state.SetBytesProcessed(state.iterations() * int64_t(plain.size()));
}
BENCHMARK(BM_RC5EncryptCBC)->Unit(benchmark::kMillisecond);

void BM_SynLZCompress(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(synLZCompress1(data().constData(), data().size()));
    state.SetBytesProcessed(state.iterations() * data().size());
}
BENCHMARK(BM_SynLZCompress)->Unit(benchmark::kMillisecond);

void BM_SynLZDecompress(benchmark::State& state) {
    const QByteArray packed = synLZCompress1(data().constData(), data().size());
    for (auto _ : state) benchmark::DoNotOptimize(synLZDecompress1(packed.constData(), packed.size()));
    state.SetBytesProcessed(state.iterations() * data().size());
}
BENCHMARK(BM_SynLZDecompress)->Unit(benchmark::kMillisecond);

// Arg: the style of CompressString (0 RAW, 1 LZRW1, 2 UCL, 3 UCL_High, 5 LZ).
void BM_CompressString(benchmark::State& state) {
    const int style = int(state.range(0));
    qsizetype size = 0;
    for (auto _ : state) size = CompressString(data(), 0, style).size();
    state.SetBytesProcessed(state.iterations() * data().size());
    state.counters["ratio"] = double(data().size()) / double(size);
}
BENCHMARK(BM_CompressString)->Arg(1)->Arg(2)->Arg(3)->Arg(5)->Unit(benchmark::kMillisecond);

void BM_DeCompressString(benchmark::State& state) {
    const QByteArray packed = CompressString(data(), 0, int(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(DeCompressString(packed, 0));
    state.SetBytesProcessed(state.iterations() * data().size());
}
BENCHMARK(BM_DeCompressString)->Arg(1)->Arg(2)->Arg(3)->Arg(5)->Unit(benchmark::kMillisecond);

// Arg: the entry style (1 LZRW1, 3 encrypted, 4 signed UCL).
void BM_SFSWriteRead(benchmark::State& state) {
    const int style = int(state.range(0));
    for (auto _ : state) {
        TBlockBufferedStream stream;
        {
            auto c = TSFSObject::CreateForWriting(stream, sfsoVersion100);
            c->SetPassword("pw");
            TSFSFile* f = c->AddFile(nullptr, "PCD");
            f->Compression = style;
            f->SetData(data());
            c->Close();
        }
        auto r = TSFSObject::CreateForReadingString(stream.GetDataString());
        r->SetPassword("pw");
        benchmark::DoNotOptimize(r->FindFile("PCD")->GetData());
    }
    state.SetBytesProcessed(state.iterations() * data().size());
}
BENCHMARK(BM_SFSWriteRead)->Arg(1)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
