// Formula engine: parse + optimize of typical cell formulas, and evaluation of
// an optimized numeric tree. The evaluation benchmark also counts heap
// allocations per evaluation (expected: 0).
#include "UFormulaParser.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <vector>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> gAllocations{0};

} // namespace

void* operator new(std::size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

// A cell-context number, as the pivot formulas read them.
class TFEBenchVar : public TFEExpression {
    FE_CLASS(TFEBenchVar, TFEExpression)
public:
    const double* Slot = nullptr;
    QString Name;
    TFEResultKind ResultKind() const override { return rkNumber; }
    Variant Evaluate() override { return Variant(*Slot); }
    double EvaluateNum() override { return *Slot; }
    QString ToText() const override { return Name; }
};

class BenchParser : public TBaseFormulaParser {
public:
    double Values[5] = {1200.5, 300.25, 1.196, 45, 3};

protected:
    TFENodePtr ResolveIdentifier(const TFEWorkList&, const QString& name, QChar) override {
        if (name.size() != 1 || name[0] < QLatin1Char('a') || name[0] > QLatin1Char('e'))
            return nullptr;
        auto v = std::make_unique<TFEBenchVar>();
        v->Name = name;
        v->Slot = &Values[name[0].unicode() - 'a'];
        return v;
    }
};

const char* const kCellFormulas[] = {
    "a / b",
    "(a - b) / b * 100",
    "a * c + d",
    "(a + b + d) / 3",
    "a / (b + 0.0001) ?? 0",
    "a > b And d <> 0",
    "'Total: ' + a",
    "a * (1 + 19.6 / 100) - e ^ 2",
    "FormatFloat('%.2f', a)",
    "If(a > b, a - b, 0)",
    "Round(a / b * 100, 2)",
    "IntToStr(a, 3) + ' ' + Left('abcdef', 3)",
};

void BM_ParseOptimizeCellFormulas(benchmark::State& state) {
    BenchParser parser;
    std::vector<QString> formulas;
    for (const char* f : kCellFormulas)
        formulas.push_back(QString::fromLatin1(f));
    for (auto _ : state) {
        for (const QString& f : formulas) {
            auto root = parser.Parse(f);
            root->Optimize();
            benchmark::DoNotOptimize(root.get());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(std::size(formulas)));
}
BENCHMARK(BM_ParseOptimizeCellFormulas);

// About ten nodes once optimized: n-ary sum of (a+b)*c, -(d/2) ... and e^2.
void BM_EvaluateOptimizedNumericTree(benchmark::State& state) {
    BenchParser parser;
    auto root = parser.Parse(QStringLiteral("(a + b) * c - d / 2 + e ^ 2 + 10 * 1.5"));
    root->Optimize();
    int nodes = 0;
    root->ForEach([](TFEExpression*, void* n) { ++*static_cast<int*>(n); }, &nodes);
    double sink = 0;
    const long before = gAllocations.load();
    for (auto _ : state) {
        parser.Values[0] += 1;
        sink += root->EvaluateNum();
    }
    const long allocations = gAllocations.load() - before;
    benchmark::DoNotOptimize(sink);
    state.counters["nodes"] = nodes;
    state.counters["allocs_per_eval"] =
        static_cast<double>(allocations) / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
}
BENCHMARK(BM_EvaluateOptimizedNumericTree);

// The same tree through the variant path (Evaluate), for comparison.
void BM_EvaluateOptimizedTreeAsVariant(benchmark::State& state) {
    BenchParser parser;
    auto root = parser.Parse(QStringLiteral("(a + b) * c - d / 2 + e ^ 2 + 10 * 1.5"));
    root->Optimize();
    for (auto _ : state) {
        parser.Values[0] += 1;
        benchmark::DoNotOptimize(root->Evaluate());
    }
}
BENCHMARK(BM_EvaluateOptimizedTreeAsVariant);

} // namespace

BENCHMARK_MAIN();
