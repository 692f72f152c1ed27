#pragma once
// Small helpers shared by the storage tests: hex literals and generated data.

#include <QByteArray>
#include <QRandomGenerator>

inline QByteArray hexBytes(const char* hex) { return QByteArray::fromHex(QByteArray(hex)); }

// Repeatable pseudo-random bytes (incompressible).
inline QByteArray noiseBytes(qsizetype n, quint32 seed = 1) {
    QRandomGenerator gen(seed);
    QByteArray out(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i) out[i] = char(gen.generate() & 0xFF);
    return out;
}

// Text-like data with many short repeats, as compressors meet in practice.
inline QByteArray textLikeBytes(qsizetype n, quint32 seed = 7) {
    static const char* words[] = {"Somme ", "Moyenne ", "Paris ", "Lyon ", "2024 ", "Nombre ", "axe ",
                                  "valeur;", "\r\n", "Région ", "0.25 ", "Total "};
    QRandomGenerator gen(seed);
    QByteArray out;
    while (out.size() < n) out += words[gen.bounded(int(sizeof words / sizeof *words))];
    out.truncate(n);
    return out;
}
