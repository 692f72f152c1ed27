// The tagged binary filer: golden bytes of every tag form and width boundary,
// 80-bit floats, read errors and hostile input.
#include "TestBytes.h"
#include "XClasses.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>

namespace {

QByteArray written(const std::function<void(TBinaryWriter&)>& body) {
    TBlockStringStream stream;
    TBinaryWriter writer(stream);
    body(writer);
    return stream.GetDataString();
}

template <class F> auto readBack(const QByteArray& bytes, F body) {
    TReadOnlyStream stream(bytes);
    TBinaryReader reader(stream);
    return body(reader);
}

std::string errorOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const Exception& e) {
        return e.what();
    }
    return "no error";
}

TEST(BinaryFiler, IntegerWidths) {
    struct Case { int32_t value; const char* bytes; } cases[] = {
        {0, "02 00"}, {-128, "02 80"}, {127, "02 7f"}, {-129, "03 7f ff"}, {128, "03 80 00"},
        {-32768, "03 00 80"}, {32767, "03 ff 7f"}, {-32769, "04 ff 7f ff ff"}, {32768, "04 00 80 00 00"},
        {INT32_MIN, "04 00 00 00 80"}, {INT32_MAX, "04 ff ff ff 7f"},
    };
    for (const auto& c : cases) {
        QByteArray bytes = written([&](TBinaryWriter& w) { w.WriteInteger("I", c.value); });
        EXPECT_EQ(toHex(bytes), toHex(hexBytes(c.bytes))) << c.value;
        EXPECT_EQ(readBack(bytes, [](TBinaryReader& r) { return r.ReadInteger(); }), c.value);
        EXPECT_EQ(readBack(bytes, [](TBinaryReader& r) { return r.ReadInt64(); }), c.value);
    }
}

TEST(BinaryFiler, Int64Widths) {
    struct Case { int64_t value; const char* bytes; } cases[] = {
        {5, "02 05"}, {2147483647LL, "04 ff ff ff 7f"}, {2147483648LL, "13 00 00 00 80 00 00 00 00"},
        {-2147483648LL, "04 00 00 00 80"}, {-2147483649LL, "13 ff ff ff 7f ff ff ff ff"},
        {INT64_MIN, "13 00 00 00 00 00 00 00 80"},
    };
    for (const auto& c : cases) {
        QByteArray bytes = written([&](TBinaryWriter& w) { w.WriteInt64("I", c.value); });
        EXPECT_EQ(toHex(bytes), toHex(hexBytes(c.bytes))) << c.value;
        EXPECT_EQ(readBack(bytes, [](TBinaryReader& r) { return r.ReadInt64(); }), c.value);
    }
}

TEST(BinaryFiler, StringForms) {
    const QString eAcute = QString(QChar(0xE9));
    struct Case { QString text; QByteArray bytes; } cases[] = {
        {QString(), hexBytes("06 00")},
        {QStringLiteral("abc"), hexBytes("06 03 61 62 63")},
        {QString(255, QLatin1Char('x')), hexBytes("06 ff") + QByteArray(255, 'x')},
        {QString(256, QLatin1Char('x')), hexBytes("0c 00 01 00 00") + QByteArray(256, 'x')},
        // one code unit, two UTF-8 bytes: 2 is not less than 2, so UTF-16
        {eAcute, hexBytes("12 01 00 00 00 e9 00")},
        {eAcute + eAcute, hexBytes("12 02 00 00 00 e9 00 e9 00")},
        {QStringLiteral("a") + eAcute, hexBytes("14 03 00 00 00 61 c3 a9")},
        {QString::fromUtf8("\xe2\x82\xac"), hexBytes("12 01 00 00 00 ac 20")},   // 3 UTF-8 bytes, 1 unit
        {QString::fromUtf8("R\xc3\xa9gion"), hexBytes("14 07 00 00 00 52 c3 a9 67 69 6f 6e")},
        // not valid UTF-16 (lone surrogates): the code units as they are
        {QStringLiteral("ab") + QChar(0xD800) + QStringLiteral("cdef"), hexBytes("12 07 00 00 00 61 00 62 00 00 d8 63 00 64 00 65 00 66 00")},
        {QStringLiteral("abcdef") + QChar(0xDC01), hexBytes("12 07 00 00 00 61 00 62 00 63 00 64 00 65 00 66 00 01 dc")},
    };
    for (const auto& c : cases) {
        QByteArray bytes = written([&](TBinaryWriter& w) { w.WriteString("S", c.text); });
        EXPECT_EQ(toHex(bytes), toHex(c.bytes)) << c.text.toStdString();
        EXPECT_EQ(readBack(bytes, [](TBinaryReader& r) { return r.ReadString(); }), c.text);
        EXPECT_EQ(readBack(bytes, [](TBinaryReader& r) { return r.ReadWideString(); }), c.text);
    }
}

TEST(BinaryFiler, DataStringForms) {
    struct Case { int size; const char* head; } cases[] = {{0, "06 00"}, {255, "06 ff"}, {256, "0c 00 01 00 00"}};
    for (const auto& c : cases) {
        QByteArray payload(c.size, '\xC7');
        QByteArray bytes = written([&](TBinaryWriter& w) { w.WriteDataString("D", payload); });
        EXPECT_EQ(toHex(bytes), toHex(hexBytes(c.head) + payload));
        EXPECT_EQ(readBack(bytes, [](TBinaryReader& r) { return r.ReadDataString(); }), payload);
    }
    // ReadDataString takes the UTF-8 form's bytes unconverted; a stream source writes from its position.
    EXPECT_EQ(readBack(hexBytes("14 02 00 00 00 c3 a9"), [](TBinaryReader& r) { return r.ReadDataString(); }), hexBytes("c3 a9"));
    TReadOnlyStream source(QByteArrayLiteral("xyz"));
    source.SetPosition(1);
    EXPECT_EQ(toHex(written([&](TBinaryWriter& w) { w.WriteDataString("D", source); })), "06 02 79 7a");
    // The short forms are read through the 8-bit code page.
    EXPECT_EQ(readBack(hexBytes("06 02 80 e9"), [](TBinaryReader& r) { return r.ReadString(); }),
              QString::fromUtf8("\xe2\x82\xac\xc3\xa9"));
}

TEST(BinaryFiler, ExtendedFloatBytes) {
    struct Case { double value; const char* bytes; } cases[] = {
        {0.0, "05 00 00 00 00 00 00 00 00 00 00"},
        {-0.0, "05 00 00 00 00 00 00 00 00 00 80"},
        {1.0, "05 00 00 00 00 00 00 00 80 ff 3f"},
        {-2.5, "05 00 00 00 00 00 00 00 a0 00 c0"},
        {0.1, "05 00 d0 cc cc cc cc cc cc fb 3f"},
        {HUGE_VAL, "05 00 00 00 00 00 00 00 80 ff 7f"},
        {4.9406564584124654e-324, "05 00 00 00 00 00 00 00 80 cd 3b"},   // smallest subnormal, normalised
        {DBL_MAX, "05 00 f8 ff ff ff ff ff ff fe 43"},
    };
    for (const auto& c : cases) {
        QByteArray bytes = written([&](TBinaryWriter& w) { w.WriteFloat("F", c.value); });
        EXPECT_EQ(toHex(bytes), toHex(hexBytes(c.bytes))) << c.value;
        double back = readBack(bytes, [](TBinaryReader& r) { return r.ReadFloat(); });
        EXPECT_EQ(std::bit_cast<uint64_t>(back), std::bit_cast<uint64_t>(c.value));
    }
    double nan = readBack(written([](TBinaryWriter& w) { w.WriteFloat("F", std::nan("")); }),
                          [](TBinaryReader& r) { return r.ReadFloat(); });
    EXPECT_TRUE(std::isnan(nan));
}

TEST(BinaryFiler, ExtendedNarrowingRounds) {
    // Values beyond double precision and range, read from hand-made extended bytes.
    struct Case { const char* bytes; double value; } cases[] = {
        {"00 04 00 00 00 00 00 80 ff 3f", 1.0},                        // half an ulp, even: down
        {"00 0c 00 00 00 00 00 80 ff 3f", 1.0 + 2 * DBL_EPSILON},       // half an ulp, odd: up
        {"01 04 00 00 00 00 00 80 ff 3f", 1.0 + DBL_EPSILON},           // just above half: up
        {"00 00 00 00 00 00 00 80 00 50", HUGE_VAL},                   // 2^4097 overflows
        {"00 00 00 00 00 00 00 80 00 80", -0.0},                       // negative zero
        {"00 00 00 00 00 00 00 80 00 3b", 0.0},                        // far below the subnormals
        {"00 00 00 00 00 00 00 c0 cc 3b", 4.9406564584124654e-324},    // 0.75 of the smallest: up
    };
    for (const auto& c : cases) {
        QByteArray b = hexBytes(c.bytes);
        double v = ExtendedToDouble(reinterpret_cast<const uint8_t*>(b.constData()));
        EXPECT_EQ(std::bit_cast<uint64_t>(v), std::bit_cast<uint64_t>(c.value)) << c.bytes;
    }
}

#if defined(__x86_64__) && LDBL_MANT_DIG == 64
TEST(BinaryFiler, ExtendedMatchesTheHardwareFormat) {
    std::mt19937_64 rng(42);
    for (int i = 0; i < 20000; ++i) {
        double d = std::bit_cast<double>(rng());
        if (std::isnan(d)) continue;
        long double wide = d;
        uint8_t hw[16] = {};
        std::memcpy(hw, &wide, 10);
        auto ours = DoubleToExtended(d);
        ASSERT_EQ(0, std::memcmp(hw, ours.data(), 10)) << d;
        // Random valid extended patterns narrow exactly like the FPU does.
        uint8_t ext[16] = {};
        uint64_t mant = rng();
        uint16_t se = uint16_t(rng());
        if ((se & 0x7FFF) == 0x7FFF) continue;
        mant = (se & 0x7FFF) == 0 ? (mant & ~(uint64_t(1) << 63)) : (mant | (uint64_t(1) << 63));
        std::memcpy(ext, &mant, 8);
        std::memcpy(ext + 8, &se, 2);
        long double x;
        std::memcpy(&x, ext, 10);
        ASSERT_EQ(std::bit_cast<uint64_t>(ExtendedToDouble(ext)), std::bit_cast<uint64_t>(double(x)));
    }
}
#endif

TEST(BinaryFiler, OtherTaggedValues) {
    TGUID g{0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};
    QByteArray bytes = written([&](TBinaryWriter& w) {
        w.WriteBoolean("B", false);
        w.WriteBoolean("B", true);
        w.WriteSingle("S", 1.5f);
        w.WriteCurrency("C", 12345678);
        w.WriteDate("D", 45000.5);
        w.WriteGUID("G", g);
        w.WriteListBegin("L");
        w.WriteListEnd();
        w.WriteChar("C", QLatin1Char('z'));
        w.WriteVersion(3);
        w.WriteRect("R", TRect{1, 2, 300, -4});
        w.Write("raw", "\x01\x02", 2);
    });
    EXPECT_EQ(toHex(bytes), toHex(hexBytes("08 09 0f 00 00 c0 3f 10 4e 61 bc 00 00 00 00 00 11 00 00 00 00 10 f9 e5 40"
                                           " 0a 04 03 02 01 06 05 08 07 09 0a 0b 0c 0d 0e 0f 10 01 00 06 01 7a 02 03"
                                           " 02 01 02 02 03 2c 01 02 fc 01 02")));
    readBack(bytes, [&](TBinaryReader& r) {
        EXPECT_FALSE(r.ReadBoolean());
        EXPECT_TRUE(r.ReadBoolean());
        EXPECT_EQ(r.ReadSingle(), 1.5f);
        EXPECT_EQ(r.ReadCurrency(), 12345678);
        EXPECT_EQ(r.ReadDate(), 45000.5);
        EXPECT_EQ(r.ReadGUID(), g);
        r.ReadListBegin();
        EXPECT_TRUE(r.EndOfList());
        r.ReadListEnd();
        EXPECT_EQ(r.ReadChar(), QLatin1Char('z'));
        EXPECT_EQ(r.ReadVersion(), 3);
        EXPECT_EQ(r.ReadRect(), (TRect{1, 2, 300, -4}));
        char raw[2];
        r.Read(raw, 2);
        EXPECT_EQ(raw[1], 2);
        return 0;
    });
    // ReadFloat also takes singles and plain doubles; ReadNumeric takes every numeric form.
    EXPECT_EQ(readBack(hexBytes("0f 00 00 c0 3f"), [](TBinaryReader& r) { return r.ReadFloat(); }), 1.5);
    EXPECT_EQ(readBack(hexBytes("15 00 00 00 00 00 00 f8 3f"), [](TBinaryReader& r) { return r.ReadFloat(); }), 1.5);
    EXPECT_EQ(readBack(hexBytes("13 00 00 00 80 00 00 00 00 03 ff 7f 11 00 00 00 00 00 00 f8 3f"), [](TBinaryReader& r) {
                  return r.ReadNumeric() + r.ReadNumeric() + r.ReadNumeric();
              }), 2147483648.0 + 32767 + 1.5);
}

TEST(BinaryFiler, TypeErrorsNameBothTags) {
    struct Case { const char* bytes; std::function<void(TBinaryReader&)> read; const char* message; } cases[] = {
        {"13 00 00 00 80 00 00 00 00", [](TBinaryReader& r) { r.ReadInteger(); }, "expected vaInt32, encountered vaInt64"},
        {"05 00 00 00 00 00 00 00 80 ff 3f", [](TBinaryReader& r) { r.ReadInt64(); }, "expected vaInt64, encountered vaExtended"},
        {"02 01", [](TBinaryReader& r) { r.ReadBoolean(); }, "expected vaTrue, encountered vaInt8"},
        {"02 01", [](TBinaryReader& r) { r.ReadString(); }, "expected vaString, encountered vaInt8"},
        {"12 00 00 00 00", [](TBinaryReader& r) { r.ReadDataString(); }, "expected vaString, encountered vaWString"},
        {"09", [](TBinaryReader& r) { r.ReadWideString(); }, "expected vaWString, encountered vaTrue"},
        {"11 00 00 00 00 00 00 00 00", [](TBinaryReader& r) { r.ReadFloat(); }, "expected vaExtended, encountered vaDate"},
        {"06 00", [](TBinaryReader& r) { r.ReadNumeric(); }, "expected vaExtended, encountered vaString"},
        {"05 00 00 00 00 00 00 00 00 00 00", [](TBinaryReader& r) { r.ReadSingle(); }, "expected vaSingle, encountered vaExtended"},
        {"02 00", [](TBinaryReader& r) { r.ReadCurrency(); }, "expected vaCurrency, encountered vaInt8"},
        {"02 00", [](TBinaryReader& r) { r.ReadDate(); }, "expected vaDate, encountered vaInt8"},
        {"02 00", [](TBinaryReader& r) { r.ReadGUID(); }, "expected vaBinary, encountered vaInt8"},
        {"00", [](TBinaryReader& r) { r.ReadListBegin(); }, "expected vaList, encountered vaNull"},
        {"01", [](TBinaryReader& r) { r.ReadListEnd(); }, "expected vaNull, encountered vaList"},
        {"06 02 61 62", [](TBinaryReader& r) { r.ReadChar(); }, "expected vaInt8, encountered vaString"},
        {"07", [](TBinaryReader& r) { r.ReadInteger(); }, "expected vaInt32, encountered vaIdent"},
        {"63", [](TBinaryReader& r) { r.ReadInteger(); }, "expected vaInt32, encountered unknown tag 99"},
    };
    for (const auto& c : cases) {
        std::string message = errorOf([&] { readBack(hexBytes(c.bytes), [&](TBinaryReader& r) { c.read(r); return 0; }); });
        EXPECT_EQ(message, std::string("TBinaryReader, read type error: ") + c.message) << c.bytes;
    }
    try {
        readBack(hexBytes("0a"), [](TBinaryReader& r) { return r.ReadInteger(); });
    } catch (const Exception& e) {
        EXPECT_EQ(e.className(), QStringLiteral("EReadError"));
    }
}

TEST(BinaryFiler, ShortAndHostileInputFailsCleanly) {
    // Every prefix of a stream of mixed values fails with a read error, never a crash.
    QByteArray full = written([](TBinaryWriter& w) {
        w.WriteInteger("I", 100000);
        w.WriteString("S", QString::fromUtf8("caf\xc3\xa9 cr\xc3\xa8me"));
        w.WriteString("S", QString(300, QLatin1Char('q')));
        w.WriteFloat("F", 3.25);
        w.WriteInt64("L", INT64_MAX);
        w.WriteGUID("G", TGUID{});
    });
    auto readAll = [](TBinaryReader& r) {
        r.ReadInteger();
        r.ReadString();
        r.ReadString();
        r.ReadFloat();
        r.ReadInt64();
        r.ReadGUID();
        return 0;
    };
    readBack(full, readAll);
    for (qsizetype n = 0; n < full.size(); ++n)
        EXPECT_THROW(readBack(full.left(n), readAll), EReadError) << n;
    // Stored lengths larger than the input are refused before allocating.
    for (const char* bytes : {"0c ff ff ff 7f", "0c 00 00 00 80", "12 ff ff ff 3f 00", "14 10 00 00 00 61", "06 05 61"})
        EXPECT_EQ(errorOf([&] { readBack(hexBytes(bytes), [](TBinaryReader& r) { return r.ReadString(); }); }).rfind("TBinaryReader, read error", 0), 0u)
            << bytes;
}

TEST(BinaryFiler, DebugDumpRestoresThePosition) {
    QByteArray bytes = written([](TBinaryWriter& w) {
        w.WriteInteger("I", 7);
        w.WriteString("S", QStringLiteral("hi"));
        w.WriteGUID("G", TGUID{});
    });
    TReadOnlyStream stream(bytes);
    TBinaryReader reader(stream);
    QStringList lines = reader.DebugDump(5);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("vaInt8: 7"), QStringLiteral("vaString: hi"), QStringLiteral("vaBinary:  ***abort***")}));
    EXPECT_EQ(reader.Position(), 0);
}

} // namespace
