// XML writing, parsing and serializing on a table-export-like document:
// rows of cells with attributes and texts.
#include "UXMLParser.h"

#include <benchmark/benchmark.h>

namespace {

void buildTable(THierarchicalWriter* root, int rows) {
    THierarchicalWriter* table = root->AddChild(QStringLiteral("table"));
    table->SetAttribute(QStringLiteral("class"), QStringLiteral("PivotCube"));
    for (int r = 0; r < rows; ++r) {
        THierarchicalWriter* tr = table->AddChild(QStringLiteral("tr"));
        tr->AddChild(QStringLiteral("th"), QStringLiteral("Membre n°%1 & co").arg(r))
            ->SetAttribute(QStringLiteral("class"), QStringLiteral("Row"));
        for (int c = 0; c < 8; ++c)
            tr->AddChildFloat(QStringLiteral("td"), r * 8.25 + c)->SetAttribute(QStringLiteral("class"), QStringLiteral("Data"));
    }
}

QString tableText(int rows) {
    TXMLHierarchicalWriter root;
    buildTable(&root, rows);
    return root.ToText();
}

void BM_WriterBuildAndToText(benchmark::State& state) {
    const int rows = int(state.range(0));
    qint64 bytes = 0;
    for (auto _ : state) {
        TXMLHierarchicalWriter root;
        buildTable(&root, rows);
        const QString text = root.ToText();
        bytes += text.size() * 2;
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_WriterBuildAndToText)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_LoadXML(benchmark::State& state) {
    const QString text = tableText(int(state.range(0)));
    for (auto _ : state) {
        TXMLDOMDocument doc;
        doc.LoadXML(text);
        benchmark::DoNotOptimize(doc.DocumentElement());
    }
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_LoadXML)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_LoadFromBytesUtf8(benchmark::State& state) {
    TXMLHierarchicalWriter root;
    buildTable(&root, int(state.range(0)));
    const QByteArray bytes = root.ToDocument();
    for (auto _ : state) {
        TXMLDOMDocument doc;
        doc.LoadFromBytes(bytes);
        benchmark::DoNotOptimize(doc.DocumentElement());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_LoadFromBytesUtf8)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_MarkupAndText(benchmark::State& state) {
    TXMLDOMDocument doc;
    doc.LoadXML(tableText(int(state.range(0))));
    qint64 bytes = 0;
    for (auto _ : state) {
        const QString markup = Xml(&doc);
        const QString text = Text(&doc);
        bytes += (markup.size() + text.size()) * 2;
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_MarkupAndText)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_DeepNesting(benchmark::State& state) {
    const int depth = int(state.range(0));
    const QString text = QString(QStringLiteral("<n>")).repeated(depth) + QString(QStringLiteral("</n>")).repeated(depth);
    for (auto _ : state) {
        TXMLDOMDocument doc;
        doc.LoadXML(text);
        benchmark::DoNotOptimize(Xml(&doc).size());
    }
}
BENCHMARK(BM_DeepNesting)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
