#include "StorageTestUtil.h"
#include "UCompressor.h"

#include <gtest/gtest.h>

namespace {

const int kStyles[] = {scRAW, scLZRW1, scUCL, scUCLHigh, scBest, scLZ};

QString errorOf(const QByteArray& data, uint8_t key = 0) {
    try {
        DeCompressString(data, key);
    } catch (const Exception& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

} // namespace

TEST(CompressString, ShortAndEmptyDataAreStoredRaw) {
    const QByteArray fifteen("0123456789ABCDE");
    for (int style : kStyles) {
        EXPECT_EQ(CompressString(fifteen, 0, style), "RAW" + fifteen) << style;
        EXPECT_EQ(CompressString(QByteArray(), 0, style), QByteArray()) << style;
    }
    EXPECT_EQ(DeCompressString(QByteArray()), QByteArray());
    EXPECT_EQ(DeCompressString("RAW"), QByteArray());
}

TEST(CompressString, EachStyleProducesItsSignatureAndRoundTrips) {
    const QByteArray text = textLikeBytes(20000);
    struct Case {
        int style;
        const char* signature;
    };
    const Case cases[] = {{scRAW, "RAW"}, {scLZRW1, "RW1"}, {scUCL, "UCL"}, {scUCLHigh, "UCL"}, {scLZ, "SLZ"}};
    for (const Case& c : cases) {
        for (uint8_t key : {0, 1, 0x80, 0xFF}) {
            const QByteArray packed = CompressString(text, key, c.style);
            if (key == 0) {
                EXPECT_EQ(packed.left(3), c.signature) << c.style;
            }
            EXPECT_EQ(DeCompressString(packed, key), text) << c.style << " key " << int(key);
        }
    }
    EXPECT_TRUE(CompressString(QByteArray(1000, '\0'), 0, scLZRW1).startsWith("RW1"));
    // The UCL payload starts with the uncompressed length.
    EXPECT_EQ(CompressString(text, 0, scUCL).mid(3, 4).toHex(), "204e0000");
    EXPECT_LE(CompressString(text, 0, scUCLHigh).size(), CompressString(text, 0, scUCL).size());
}

TEST(CompressString, IncompressibleDataFallsBackToRaw) {
    const QByteArray noise = noiseBytes(5000);
    for (int style : kStyles) {
        const QByteArray packed = CompressString(noise, 0, style);
        EXPECT_EQ(packed, "RAW" + noise) << style;
    }
    // Compression must save more than 16 bytes (the signature included for RW1).
    const QByteArray barely = QByteArray(20, 'a');
    EXPECT_EQ(CompressString(barely, 0, scLZRW1), "RAW" + barely);
}

TEST(CompressString, BestKeepsTheShortestForm) {
    for (const QByteArray& data : {textLikeBytes(3000), QByteArray(50000, 'x'), noiseBytes(300) + QByteArray(300, 'y')}) {
        qsizetype shortest = -1;
        for (int style : {scRAW, scLZRW1, scUCL, scUCLHigh, scLZ}) {
            const qsizetype n = CompressString(data, 9, style).size();
            if (shortest < 0 || n < shortest) shortest = n;
        }
        const QByteArray best = CompressString(data, 9, scBest);
        EXPECT_EQ(best.size(), shortest);
        EXPECT_EQ(DeCompressString(best, 9), data);
    }
}

TEST(CompressString, ScramblingIsARunningXorOverTheWholeString) {
    // key 0xFE: the running key wraps from 0xFF to 0x00 on the signature's last byte.
    const QByteArray data("abcdefghijklmnopqrst");
    const QByteArray packed = CompressString(data, 0xFE, scRAW);
    EXPECT_EQ(packed.toHex(), "acbe576060606060606060606060606060606060606060");
    EXPECT_EQ(DeCompressString(packed, 0xFE), data);
}

TEST(CompressString, StylesHaveTheirDisplayNames) {
    const char* names[] = {"RAW", "LZRW1", "UCL", "UCL_High", "Best", "LZ"};
    for (int style = 0; style < 6; ++style) EXPECT_EQ(CompressionStyleName(style), names[style]);
    EXPECT_EQ(CompressionStyleName(6), QString());
    try {
        CompressString(textLikeBytes(100), 0, 6);
        FAIL() << "style 6 accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Invalid compression format");
    }
}

TEST(CompressString, DamagedStringsGiveTheirErrors) {
    const QByteArray ucl = CompressString(textLikeBytes(4000), 0, scUCL);
    QByteArray uclFlipped = ucl;
    uclFlipped[uclFlipped.size() / 2] = char(uclFlipped[uclFlipped.size() / 2] ^ 0x55);
    QByteArray uclLonger = ucl;
    uclLonger[3] = char(uclLonger[3] + 1); // claims one more byte than it holds
    struct Case {
        QByteArray data;
        const char* error;
    };
    const Case cases[] = {
        {"AB", "DeCompressString : invalid data."},
        {"XYZ1234", "DeCompressString : unknown compression."},
        {"UCL", "UCL decompression failed"},
        {"UCL\x01\x00\x00", "UCL decompression failed"},
        {QByteArray("UCL\x05\x00\x00\x00", 7), "UCL decompression failed"}, // length without data
        {QByteArray("UCL\xff\xff\xff\x7f\x00\x00", 10), "UCL decompression failed"}, // 2 GB from 2 bytes
        {ucl.left(ucl.size() - 3), "UCL decompression failed"},
        {ucl + "trailing", "UCL decompression failed"},
        {uclFlipped, "UCL decompression failed"},
        {uclLonger, "UCL decompression failed"},
        {"SLZ", "SynLZ decompression failed"},
        {QByteArray("RW1\xff\xff\xff\xff", 7), "DeCompressStream : data corrupt, failed total size test !"},
    };
    for (const Case& c : cases) EXPECT_EQ(errorOf(c.data), c.error) << c.data.toHex().constData();
    // The stored-bytes UCL form: length 0, then the bytes unchanged.
    EXPECT_EQ(DeCompressString(QByteArray("UCL\0\0\0\0xyz", 10)), "xyz");
    EXPECT_EQ(DeCompressString(QByteArray("UCL\0\0\0\0", 7)), QByteArray());
    // A wrong key unscrambles into an unknown signature.
    EXPECT_EQ(errorOf(CompressString(textLikeBytes(100), 3, scLZRW1), 4), "DeCompressString : unknown compression.");
}
