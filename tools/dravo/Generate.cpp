// dravo generate: a realistic, deterministic synthetic cube.
#include "Dravo.h"

#include "UCompressor.h"
#include "UPivotCubeSample.h"

namespace {

int runGenerate(const dravo::Args& args) {
    if (!args.has(QStringLiteral("--items"))) throw dravo::UsageError{QStringLiteral("--items N is required")};
    const QString output = dravo::outputPath(args, QStringLiteral("-o FILE.pvc"));
    const qint64 items = args.integer(QStringLiteral("--items"), 0, 0, 100000000);
    const qint64 seed = args.integer(QStringLiteral("--seed"), 1, 0, std::numeric_limits<qint64>::max());

    std::unique_ptr<TPivotCubeData> cube;
    {
        dravo::Progress progress(QStringLiteral("generating"));
        cube = GenerateSampleCube(items, uint64_t(seed), [&](qint64 done, qint64 total) { progress.update(done, total); });
    }
    TMemoryStream file;
    {
        dravo::Progress progress(QStringLiteral("compressing"));
        file.WriteBytes(TPivotCubeData::FileHeader());
        TBlockStringStream content;
        {
            TBinaryWriter writer(content, 65536);
            cube->WriteToFiler(writer);
        }
        CompressStream(&content, &file, [&](TStream&, qint64 size, qint64, qint64 done) { progress.update(done, size); });
    }
    dravo::writeFileAtomically(output, file.Data());
    return 0;
}

dravo::Subcommand makeGenerate() {
    dravo::Subcommand c;
    c.name = QStringLiteral("generate");
    c.summary = QStringLiteral("write a synthetic sales cube (.pvc) for demos, tests and benchmarks");
    c.synopsis = QStringLiteral("generate --items N [--seed S] -o FILE.pvc");
    c.description = QStringLiteral(
        "Writes a realistic, deterministic cube of N data items: the same seed gives the\n"
        "same bytes. Axes \"Région\" (13), \"Ville\" (100, parent-linked to \"Région\"),\n"
        "\"Produit\" (50), \"Mois\" (2023-01 to 2025-12) and \"Canal\" (4); values \"Montant\"\n"
        "(Somme), \"Quantité\" (Somme), \"Prix\" (Moyenne) and \"Remise\" (Maximum). Some\n"
        "combinations never occur (two towns without sales, limited editions only from\n"
        "2025, no web sales before 2023-07, no wholesale in Corse).");
    c.options = {{QStringLiteral("--items"), QString(), QStringLiteral("N"), QStringLiteral("number of data items (0 to 100000000)")},
                 {QStringLiteral("--seed"), QString(), QStringLiteral("S"), QStringLiteral("seed of the generator (default 1)")},
                 {QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("FILE.pvc"), QStringLiteral("the cube file to write (replaced atomically)")}};
    c.run = runGenerate;
    return c;
}

} // namespace

DRAVO_SUBCOMMAND(makeGenerate());
