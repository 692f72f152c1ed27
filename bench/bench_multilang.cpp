// Translation lookups run whenever a caption is painted: measure a found
// entry, a text in the source language and a checked, formatted message.
#include "UMultiLang.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kEntries = 5000;

QString sourceText(int i) { return QStringLiteral("Libellé numéro %1 de la fenêtre ?").arg(i); }

// A dictionary of kEntries translations beside a program in a temporary folder.
struct TranslatedProgram {
    QTemporaryDir folder;
    TranslatedProgram() {
        QByteArray bytes("\xEF\xBB\xBFu0409\r\n");
        for (int i = 0; i < kEntries; ++i)
            bytes += (EscapeLanguageKey(sourceText(i)) + '=' + QStringLiteral("Caption number %1 of the window?").arg(i))
                         .toUtf8() + "\r\n";
        bytes += "%0:s de %1:d=%1:d of %0:s\r\n";
        QFile file(folder.filePath("lorvane-0409.LAND"));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.close();
        InitializeMultiLang({folder.filePath("lorvane"), folder.filePath("temp")});
    }
    ~TranslatedProgram() {
        SetCurrentLanguage(SourceLanguage);
        try {
            FinalizeMultiLang();
        } catch (...) {
        }
        InitializeMultiLang({folder.filePath("lorvane"), folder.filePath("temp")});
    }
};

void BM_TranslateFound(benchmark::State& state) {
    TranslatedProgram program;
    SetCurrentLanguage(0x0409);
    QStringList texts;
    for (int i = 0; i < 64; ++i) texts << sourceText(i * 71 % kEntries);
    int i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(Translate(texts[i++ & 63]));
}
BENCHMARK(BM_TranslateFound);

void BM_TranslateSourceLanguage(benchmark::State& state) {
    TranslatedProgram program;
    const QString text = sourceText(42);
    for (auto _ : state) benchmark::DoNotOptimize(Translate(text));
}
BENCHMARK(BM_TranslateSourceLanguage);

void BM_TranslateFormat(benchmark::State& state) {
    TranslatedProgram program;
    SetCurrentLanguage(0x0409);
    const QString view = QStringLiteral("Ventes");
    for (auto _ : state) benchmark::DoNotOptimize(TranslateFormat(QStringLiteral("%0:s de %1:d"), {view, 12}));
}
BENCHMARK(BM_TranslateFormat);

}  // namespace

BENCHMARK_MAIN();
