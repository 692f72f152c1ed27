#include "USynLZ.h"
#include "StorageTestUtil.h"
#include "SysExceptions.h"

#include <gtest/gtest.h>

namespace {

QByteArray compress(const QByteArray& data) { return synLZCompress1(data.constData(), data.size()); }
QByteArray decompress(const QByteArray& data) { return synLZDecompress1(data.constData(), data.size()); }

QByteArray periodic(const char* pattern, int n) {
    QByteArray out;
    while (out.size() < n) out += pattern;
    out.truncate(n);
    return out;
}

} // namespace

// Streams worked out by hand from the format: a short and a long match item
// whose slot is the hash of "abc" (0x457), literals under one control word.
TEST(SynLZ, GoldenStreams) {
    struct Case {
        QByteArray input;
        QByteArray stream;
    };
    const Case cases[] = {
        // literals a b c, then a 16-byte match from slot 0x457 (nibble 14), then literal b
        {periodic("abc", 20), hexBytes("1400" "08000000" "616263" "7E45" "62")},
        // the 36-byte match needs the 3-byte item: nibble 0, then 36 - 18
        {periodic("abc", 40), hexBytes("2800" "08000000" "616263" "7045" "12" "61")},
        // a run of one byte never matches: the newest slot entry is always 1 byte back
        {QByteArray(12, 'z'), hexBytes("0C00" "00000000") + QByteArray(12, 'z')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(compress(c.input).toHex(), c.stream.toHex());
        EXPECT_EQ(decompress(c.stream), c.input);
    }
}

TEST(SynLZ, HeaderFormsAndControlWords) {
    // Short header below 32768, long form (low 15 bits with the top bit, then size >> 15) from there on.
    EXPECT_EQ(compress(noiseBytes(32767)).left(2).toHex(), "ff7f");
    EXPECT_EQ(compress(noiseBytes(32768)).left(4).toHex(), "00800100");
    EXPECT_EQ(compress(noiseBytes(40000)).left(4).toHex(), "409c0100");
    // 32 literals fill one control word; the next one is reserved all the same.
    const QByteArray lit32 = compress(noiseBytes(32, 3));
    EXPECT_EQ(lit32.size(), 2 + 4 + 32 + 4);
    EXPECT_EQ(lit32.right(4).toHex(), "00000000");
    EXPECT_EQ(compress(noiseBytes(33, 3)).size(), 2 + 4 + 32 + 4 + 1);
}

TEST(SynLZ, RoundTripsAndStaysWithinItsBound) {
    const QByteArray inputs[] = {
        QByteArray("x"), QByteArray(10, 'q'), noiseBytes(11), periodic("ab", 11), periodic("abcd", 300),
        textLikeBytes(5000), noiseBytes(70000), textLikeBytes(32768), periodic("0123456789", 100000),
        QByteArray(100000, '\0'), textLikeBytes(300000, 3) + noiseBytes(5000) + textLikeBytes(70000, 4),
    };
    for (const QByteArray& in : inputs) {
        const QByteArray packed = compress(in);
        EXPECT_LE(packed.size(), synLZCompressBound(in.size()));
        ASSERT_EQ(decompress(packed), in) << "size " << in.size();
    }
    EXPECT_LT(compress(textLikeBytes(50000)).size(), 50000 / 2);
    EXPECT_EQ(decompress(hexBytes("0000")), QByteArray());
}

TEST(SynLZ, DamagedStreamsAreRefused) {
    const QByteArray good = hexBytes("1400" "08000000" "616263" "7E45" "62");
    const QByteArray bad[] = {
        hexBytes(""), hexBytes("14"), hexBytes("0080"),     // truncated headers
        hexBytes("1400" "080000"),                          // truncated control word
        hexBytes("1400" "01000000" "7E45" "62"),            // match from a slot never filled
        hexBytes("1400" "08000000" "616263" "7E"),          // truncated match item
        hexBytes("1400" "08000000" "616263" "7045"),        // long item without its length byte
        hexBytes("1300" "08000000" "616263" "7E45" "62"),   // output beyond the stored size
        hexBytes("1500" "08000000" "616263" "7E45" "62"),   // output short of the stored size
        hexBytes("ffff" "ffff" "00000000" "61"),            // a size the input cannot hold
        good.left(good.size() - 1),
    };
    for (const QByteArray& b : bad) {
        try {
            decompress(b);
            ADD_FAILURE() << "accepted " << b.toHex().constData();
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), "SynLZ decompression failed");
        }
    }
}
