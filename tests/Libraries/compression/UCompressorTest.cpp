// The compressed stream form and the LZRW1-KH codec.
#include "TestBytes.h"
#include "UCompressor.h"

#include <gtest/gtest.h>

#include <random>

namespace {

QByteArray compress(const QByteArray& data) {
    TReadOnlyStream source(data);
    TMemoryStream dest;
    CompressStream(&source, &dest);
    return dest.Data();
}

QByteArray decompress(const QByteArray& packed) {
    TReadOnlyStream source(packed);
    TMemoryStream dest;
    DeCompressStream(&source, &dest);
    return dest.Data();
}

std::string errorOf(const QByteArray& packed) {
    try {
        decompress(packed);
    } catch (const Exception& e) {
        return e.what();
    }
    return "no error";
}

QByteArray randomBytes(int n, uint32_t seed) {
    std::mt19937 rng(seed);
    QByteArray b(n, Qt::Uninitialized);
    for (auto& c : b) c = char(rng());
    return b;
}

// Text-like data with repeats, runs and noise.
QByteArray mixedBytes(int n, uint32_t seed) {
    std::mt19937 rng(seed);
    QByteArray b;
    const char* words[] = {"Montant ", "Quantit\xc3\xa9 ", "Prix ", "2024-03 ", "Lyon ", "Nord-Est "};
    while (b.size() < n) {
        switch (rng() % 4) {
        case 0: b += words[rng() % 6]; break;
        case 1: b += QByteArray(int(rng() % 5000), char(rng())); break;
        case 2: b += randomBytes(int(rng() % 40), rng()); break;
        default: b += b.right(int(rng() % 30)); break;
        }
    }
    return b.left(n);
}

uint16_t chunkLength(const QByteArray& packed, int at) { return uint8_t(packed[at]) | (uint8_t(packed[at + 1]) << 8); }

TEST(CompressStream, EmptySourceIsFourZeroBytes) {
    EXPECT_EQ(toHex(compress(QByteArray())), "00 00 00 00");
    EXPECT_EQ(decompress(hexBytes("00 00 00 00")), QByteArray());
}

TEST(CompressStream, ChunkBoundaries) {
    QByteArray exact = randomBytes(32768, 1);
    QByteArray packed = compress(exact);
    EXPECT_EQ(packed.size(), 4 + 2 + 32769 + 4);   // one copied chunk
    EXPECT_EQ(chunkLength(packed, 4), 32769);
    EXPECT_EQ(uint8_t(packed[6]), 0x80);
    EXPECT_EQ(decompress(packed), exact);

    QByteArray more = exact + "Z";
    packed = compress(more);
    ASSERT_EQ(packed.size(), 4 + (2 + 32769 + 4) + (2 + 2 + 4));
    EXPECT_EQ(toHex(packed.right(8)), "02 00 80 5a 5a 00 00 00");   // second chunk holds 1 byte
    EXPECT_EQ(decompress(packed), more);
}

TEST(CompressStream, RunsLiteralsAndReferences) {
    struct Case { QByteArray input; const char* chunk; } cases[] = {
        // literal, then a run of 16 as one 4-byte run item
        {"a" + QByteArray(16, 'b'), "40 40 00 61 00 00 00 62"},
        // 15 equal bytes are no run: literal, literal, back reference (distance 1, length 13), literal
        {"a" + QByteArray(15, 'b'), "40 20 00 61 62 00 1a 62"},
        // a run longer than the 16 items of one control word
        {QByteArray(20, 'x'), "40 80 00 00 00 04 78"},
    };
    for (const auto& c : cases) {
        QByteArray packed = compress(c.input);
        QByteArray chunk = packed.mid(6, chunkLength(packed, 4));
        EXPECT_EQ(toHex(chunk), toHex(hexBytes(c.chunk)));
        EXPECT_EQ(decompress(packed), c.input);
    }
    // Seventeen items need a second control word.
    QByteArray many;
    for (int i = 0; i < 8; ++i) many += "abcdefgh" + QByteArray(1, char('0' + i));
    EXPECT_EQ(decompress(compress(many)), many);
}

TEST(CompressStream, DecoderTakesTheLongestRunAndSixteenLiterals) {
    // a run item of 4111 and 15 literals, then a zero control word with sixteen literals
    QByteArray chunk = hexBytes("40 80 00 00 0f ff 41") + "ABCDEFGHIJKLMNO" + hexBytes("00 00") + "0123456789abcdef";
    QByteArray expected = QByteArray(4111, 'A') + "ABCDEFGHIJKLMNO" + "0123456789abcdef";
    QByteArray packed = hexBytes("2e 10 00 00");
    packed += char(chunk.size());
    packed += char(0);
    packed += chunk;
    uint32_t sum = ByteSum(reinterpret_cast<const uint8_t*>(expected.constData()), expected.size());
    for (int i = 0; i < 4; ++i) packed += char(sum >> (8 * i));
    EXPECT_EQ(decompress(packed), expected);
}

TEST(CompressStream, RoundTripsGeneratedData) {
    for (int n : {1, 2, 3, 17, 4095, 4096, 4097, 32767, 32768, 32769, 100000, 300001}) {
        for (uint32_t seed : {1u, 2u}) {
            QByteArray data = seed == 1 ? mixedBytes(n, n) : randomBytes(n, n);
            QByteArray packed = compress(data);
            ASSERT_EQ(decompress(packed), data) << n;
            if (seed == 1 && n > 1000) {
                EXPECT_LT(packed.size(), data.size()) << n;
            }
        }
    }
    QByteArray runs = QByteArray(5000, 'r') + QByteArray(4097, 's') + QByteArray(4096, 't');
    EXPECT_EQ(decompress(compress(runs)), runs);
}

TEST(CompressStream, CorruptInputGivesTheDocumentedErrors) {
    QByteArray good = compress(mixedBytes(40000, 9));
    QByteArray badSum = good;
    badSum[4 + 2 + chunkLength(good, 4)] = char(badSum[4 + 2 + chunkLength(good, 4)] ^ 1);
    EXPECT_EQ(errorOf(badSum), "DeCompressStream : data corrupt, failed CRC test !");
    EXPECT_EQ(errorOf(hexBytes("ff ff ff ff")), "DeCompressStream : data corrupt, failed total size test !");
    // A total that the remaining input could never hold is refused before allocating.
    EXPECT_EQ(errorOf(hexBytes("ff ff ff 7f 02 00 80 41 41 00 00 00")), "DeCompressStream : data corrupt, failed total size test !");
    // A chunk that yields nothing while bytes are still due.
    EXPECT_EQ(errorOf(hexBytes("05 00 00 00 00 00 00 00 00 00 00 00")), "DeCompressStream : data corrupt, failed size test !");
    // A back reference before the start of the output.
    EXPECT_EQ(errorOf(hexBytes("05 00 00 00 05 00 40 80 00 00 13 00 00 00 00")), "DeCompressStream : data corrupt, failed size test !");
    // More than 32768 bytes from one chunk.
    QByteArray tooLong = hexBytes("00 00 01 00 27 00 40 ff ff");
    for (int i = 0; i < 9; ++i) tooLong += hexBytes("00 0f ff 41");
    tooLong += hexBytes("00 00 00 00");
    EXPECT_EQ(errorOf(tooLong + QByteArray(40, 0)), "DeCompressStream : data corrupt, failed size test !");
}

TEST(CompressStream, EveryTruncationFailsCleanly) {
    QByteArray good = compress(mixedBytes(70000, 3));
    for (qsizetype n = 0; n < good.size(); n += (n < 200 ? 1 : 997)) {
        std::string message = errorOf(good.left(n));
        EXPECT_EQ(message.rfind("DeCompressStream : data corrupt", 0), 0u) << n << ": " << message;
    }
}

TEST(CompressStream, DestinationAndProgress) {
    QByteArray data = mixedBytes(70000, 4);
    TReadOnlyStream source(data);
    source.SetPosition(500);   // the whole source is compressed, whatever its position
    TMemoryStream packed;
    packed.WriteBytes("HEAD");
    std::vector<qint64> consumed;
    CompressStream(&source, &packed, [&](TStream& dest, qint64 size, qint64 destSize, qint64 done) {
        EXPECT_EQ(&dest, &packed);
        EXPECT_EQ(size, 70000);
        EXPECT_EQ(destSize, dest.Size());
        consumed.push_back(done);
    });
    EXPECT_EQ(consumed, (std::vector<qint64>{32768, 65536, 70000}));
    packed.WriteBytes("TAIL");
    packed.SetPosition(4);
    TMemoryStream out;
    out.WriteBytes("xy");
    DeCompressStream(&packed, &out);
    EXPECT_EQ(out.Data(), "xy" + data);
    EXPECT_EQ(packed.ReadToEnd(), QByteArray("TAIL"));   // source left after the last chunk
    EXPECT_THROW(CompressStream(nullptr, &out), Exception);
    try {
        DeCompressStream(&packed, nullptr);
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "CompressStream got nil TStream");
    }
}

} // namespace
