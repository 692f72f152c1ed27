// The tagged binary filer: TBinaryWriter, TBinaryReader and the reader/writer helpers.
#include "XClasses.h"

#include <QDebug>

#include <bit>
#include <cstring>

namespace {

const char* const kValueTypeNames[] = {
    "vaNull", "vaList", "vaInt8", "vaInt16", "vaInt32", "vaExtended", "vaString", "vaIdent",
    "vaFalse", "vaTrue", "vaBinary", "vaSet", "vaLString", "vaNil", "vaCollection", "vaSingle",
    "vaCurrency", "vaDate", "vaWString", "vaInt64", "vaUTF8String", "vaDouble"};

template <class T> void putLE(uint8_t* out, T value) {
    auto u = static_cast<std::make_unsigned_t<T>>(value);
    for (size_t i = 0; i < sizeof(T); ++i) out[i] = uint8_t(u >> (8 * i));
}

template <class T> T getLE(const uint8_t* in) {
    std::make_unsigned_t<T> u = 0;
    for (size_t i = 0; i < sizeof(T); ++i) u |= std::make_unsigned_t<T>(in[i]) << (8 * i);
    return static_cast<T>(u);
}

// The 8-bit code page of the short string forms: Windows-1252.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromCodePage(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        uint8_t b = uint8_t(bytes[i]);
        out[i] = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

} // namespace

QString ValueTypeName(int tag) {
    if (tag >= 0 && tag <= vaDouble) return QString::fromLatin1(kValueTypeNames[tag]);
    return QStringLiteral("unknown tag %1").arg(tag);
}

TVirtualFiler::TVirtualFiler(TStream& stream, int bufferSize) : FStream(&stream) { (void)bufferSize; }

// --- TBinaryWriter ---------------------------------------------------------

void TBinaryWriter::Write(const char*, const void* data, qint64 size) { put(data, size); }

void TBinaryWriter::WriteInteger(const char*, int32_t v) {
    uint8_t buf[5];
    if (v >= -128 && v <= 127) {
        buf[0] = vaInt8;
        buf[1] = uint8_t(int8_t(v));
        put(buf, 2);
    } else if (v >= -32768 && v <= 32767) {
        buf[0] = vaInt16;
        putLE<int16_t>(buf + 1, int16_t(v));
        put(buf, 3);
    } else {
        buf[0] = vaInt32;
        putLE<int32_t>(buf + 1, v);
        put(buf, 5);
    }
}

void TBinaryWriter::WriteInt64(const char* name, int64_t v) {
    if (v >= INT32_MIN && v <= INT32_MAX) return WriteInteger(name, int32_t(v));
    uint8_t buf[9] = {vaInt64};
    putLE<int64_t>(buf + 1, v);
    put(buf, 9);
}

void TBinaryWriter::WriteBoolean(const char*, bool value) {
    uint8_t tag = value ? vaTrue : vaFalse;
    put(&tag, 1);
}

void TBinaryWriter::WriteDataString(const char*, const QByteArray& bytes) {
    qsizetype n = bytes.size();
    if (n > INT32_MAX) throw EFilerException(QStringLiteral("TBinaryWriter : data string too long (%1 bytes)").arg(n));
    QByteArray out;
    if (n <= 255) {
        out.resize(2 + n);
        out[0] = char(vaString);
        out[1] = char(uint8_t(n));
        std::memcpy(out.data() + 2, bytes.constData(), size_t(n));
    } else {
        out.resize(5 + n);
        out[0] = char(vaLString);
        putLE<int32_t>(reinterpret_cast<uint8_t*>(out.data()) + 1, int32_t(n));
        std::memcpy(out.data() + 5, bytes.constData(), size_t(n));
    }
    put(out.constData(), out.size());
}

void TBinaryWriter::WriteString(const char* name, const QString& value) {
    if (value.isEmpty()) {
        const uint8_t empty[2] = {vaString, 0};
        return put(empty, 2);
    }
    bool ascii = true;
    for (QChar c : value)
        if (c.unicode() > 127) { ascii = false; break; }
    if (ascii) return WriteDataString(name, value.toLatin1());
    // UTF-8 cannot hold a lone surrogate (it would read back as "?"): text that
    // is not valid UTF-16 keeps its code units.
    const bool valid = value.isValidUtf16();
    QByteArray utf8 = valid ? value.toUtf8() : QByteArray();
    QByteArray out;
    if (valid && utf8.size() < 2 * value.size()) {
        out.resize(5 + utf8.size());
        out[0] = char(vaUTF8String);
        putLE<int32_t>(reinterpret_cast<uint8_t*>(out.data()) + 1, int32_t(utf8.size()));
        std::memcpy(out.data() + 5, utf8.constData(), size_t(utf8.size()));
    } else {
        out.resize(5 + 2 * value.size());
        uint8_t* p = reinterpret_cast<uint8_t*>(out.data());
        p[0] = vaWString;
        putLE<int32_t>(p + 1, int32_t(value.size()));
        for (qsizetype i = 0; i < value.size(); ++i) putLE<uint16_t>(p + 5 + 2 * i, value[i].unicode());
    }
    put(out.constData(), out.size());
}

void TBinaryWriter::WriteCurrency(const char*, int64_t value) {
    uint8_t buf[9] = {vaCurrency};
    putLE<int64_t>(buf + 1, value);
    put(buf, 9);
}

void TBinaryWriter::WriteSingle(const char*, float value) {
    uint8_t buf[5] = {vaSingle};
    putLE<uint32_t>(buf + 1, std::bit_cast<uint32_t>(value));
    put(buf, 5);
}

void TBinaryWriter::WriteFloat(const char*, double value) {
    uint8_t buf[11] = {vaExtended};
    auto ext = DoubleToExtended(value);
    std::memcpy(buf + 1, ext.data(), 10);
    put(buf, 11);
}

void TBinaryWriter::WriteDate(const char*, double value) {
    uint8_t buf[9] = {vaDate};
    putLE<uint64_t>(buf + 1, std::bit_cast<uint64_t>(value));
    put(buf, 9);
}

void TBinaryWriter::WriteGUID(const char*, const TGUID& g) {
    uint8_t buf[17] = {vaBinary};
    putLE<uint32_t>(buf + 1, g.D1);
    putLE<uint16_t>(buf + 5, g.D2);
    putLE<uint16_t>(buf + 7, g.D3);
    std::memcpy(buf + 9, g.D4.data(), 8);
    put(buf, 17);
}

void TBinaryWriter::WriteListBegin(const char*) {
    uint8_t tag = vaList;
    put(&tag, 1);
}

void TBinaryWriter::WriteListEnd() {
    uint8_t tag = vaNull;
    put(&tag, 1);
}

void TVirtualWriter::WriteRect(const char* rectName, const TRect& r) {
    WriteObjectBegin(rectName);
    WriteInteger("Left", r.Left);
    WriteInteger("Top", r.Top);
    WriteInteger("Right", r.Right);
    WriteInteger("Bottom", r.Bottom);
    WriteObjectEnd();
}

// --- TBinaryReader ---------------------------------------------------------

void TBinaryReader::RaiseTypeError(int expected, int encountered) const {
    throw EReadError(QStringLiteral("%1, read type error: expected %2, encountered %3")
                         .arg(ClassName(), ValueTypeName(expected), ValueTypeName(encountered)));
}

void TBinaryReader::readRaw(void* buf, qint64 count) {
    if (count <= 0) return;
    if (FStream->Read(buf, count) != count)
        throw EReadError(QStringLiteral("%1, read error: unexpected end of data").arg(ClassName()));
}

uint8_t TBinaryReader::readTag() {
    uint8_t tag;
    readRaw(&tag, 1);
    return tag;
}

QByteArray TBinaryReader::readBytes(qint64 count) {
    // A stored length is trusted only as far as the input can hold it.
    if (count < 0 || count > FStream->Remaining())
        throw EReadError(QStringLiteral("%1, read error: stored length %2 exceeds the remaining data").arg(ClassName()).arg(count));
    QByteArray bytes(count, Qt::Uninitialized);
    readRaw(bytes.data(), count);
    return bytes;
}

qint64 TBinaryReader::readLength32() {
    uint8_t b[4];
    readRaw(b, 4);
    return getLE<int32_t>(b);
}

void TBinaryReader::Read(const char*, void* buf, qint64 count) { readRaw(buf, count); }

TValueType TBinaryReader::NextValue() {
    uint8_t tag;
    if (FStream->Read(&tag, 1) != 1)
        throw EReadError(QStringLiteral("%1, read error: unexpected end of data").arg(ClassName()));
    FStream->Seek(-1, TSeekOrigin::soCurrent);
    return TValueType(tag);
}

int32_t TBinaryReader::ReadInteger(const char*) {
    uint8_t tag = readTag();
    uint8_t b[4];
    switch (tag) {
    case vaInt8: readRaw(b, 1); return int8_t(b[0]);
    case vaInt16: readRaw(b, 2); return getLE<int16_t>(b);
    case vaInt32: readRaw(b, 4); return getLE<int32_t>(b);
    default: RaiseTypeError(vaInt32, tag);
    }
}

int64_t TBinaryReader::ReadInt64(const char*) {
    uint8_t tag = readTag();
    uint8_t b[8];
    switch (tag) {
    case vaInt8: readRaw(b, 1); return int8_t(b[0]);
    case vaInt16: readRaw(b, 2); return getLE<int16_t>(b);
    case vaInt32: readRaw(b, 4); return getLE<int32_t>(b);
    case vaInt64: readRaw(b, 8); return getLE<int64_t>(b);
    default: RaiseTypeError(vaInt64, tag);
    }
}

bool TBinaryReader::ReadBoolean(const char*) {
    uint8_t tag = readTag();
    if (tag == vaTrue) return true;
    if (tag == vaFalse) return false;
    RaiseTypeError(vaTrue, tag);
}

QString TBinaryReader::readTextAfterTag(uint8_t tag) {
    switch (tag) {
    case vaString: {
        uint8_t n;
        readRaw(&n, 1);
        return fromCodePage(readBytes(n));
    }
    case vaLString: return fromCodePage(readBytes(readLength32()));
    case vaUTF8String: return QString::fromUtf8(readBytes(readLength32()));
    case vaWString: {
        qint64 units = readLength32();
        if (units < 0 || units > FStream->Remaining() / 2)
            throw EReadError(QStringLiteral("%1, read error: stored length %2 exceeds the remaining data").arg(ClassName()).arg(units));
        QByteArray bytes = readBytes(units * 2);
        QString text(units, Qt::Uninitialized);
        const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.constData());
        for (qint64 i = 0; i < units; ++i) text[i] = QChar(getLE<uint16_t>(p + 2 * i));
        return text;
    }
    default: return {};
    }
}

QString TBinaryReader::ReadString(const char*) {
    uint8_t tag = readTag();
    if (tag != vaString && tag != vaLString && tag != vaWString && tag != vaUTF8String) RaiseTypeError(vaString, tag);
    return readTextAfterTag(tag);
}

QString TBinaryReader::ReadWideString(const char*) {
    uint8_t tag = readTag();
    if (tag != vaString && tag != vaLString && tag != vaWString && tag != vaUTF8String) RaiseTypeError(vaWString, tag);
    return readTextAfterTag(tag);
}

QChar TBinaryReader::ReadChar(const char*) {
    uint8_t tag = readTag();
    if (tag != vaString && tag != vaLString && tag != vaWString && tag != vaUTF8String) RaiseTypeError(vaString, tag);
    QString s = readTextAfterTag(tag);
    if (s.size() != 1) RaiseTypeError(vaInt8, vaString);
    return s[0];
}

QByteArray TBinaryReader::ReadDataString(const char*) {
    uint8_t tag = readTag();
    if (tag == vaString) {
        uint8_t n;
        readRaw(&n, 1);
        return readBytes(n);
    }
    if (tag == vaLString || tag == vaUTF8String) return readBytes(readLength32());
    RaiseTypeError(vaString, tag);
}

int64_t TBinaryReader::ReadCurrency(const char*) {
    uint8_t tag = readTag();
    if (tag != vaCurrency) RaiseTypeError(vaCurrency, tag);
    uint8_t b[8];
    readRaw(b, 8);
    return getLE<int64_t>(b);
}

float TBinaryReader::ReadSingle(const char*) {
    uint8_t tag = readTag();
    if (tag != vaSingle) RaiseTypeError(vaSingle, tag);
    uint8_t b[4];
    readRaw(b, 4);
    return std::bit_cast<float>(getLE<uint32_t>(b));
}

double TBinaryReader::ReadFloat(const char*) {
    uint8_t tag = readTag();
    uint8_t b[10];
    switch (tag) {
    case vaExtended: readRaw(b, 10); return ExtendedToDouble(b);
    case vaSingle: readRaw(b, 4); return std::bit_cast<float>(getLE<uint32_t>(b));
    case vaDouble: readRaw(b, 8); return std::bit_cast<double>(getLE<uint64_t>(b));
    default: RaiseTypeError(vaExtended, tag);
    }
}

double TBinaryReader::ReadDate(const char*) {
    uint8_t tag = readTag();
    if (tag != vaDate) RaiseTypeError(vaDate, tag);
    uint8_t b[8];
    readRaw(b, 8);
    return std::bit_cast<double>(getLE<uint64_t>(b));
}

TGUID TBinaryReader::ReadGUID(const char*) {
    uint8_t tag = readTag();
    if (tag != vaBinary) RaiseTypeError(vaBinary, tag);
    uint8_t b[16];
    readRaw(b, 16);
    TGUID g;
    g.D1 = getLE<uint32_t>(b);
    g.D2 = getLE<uint16_t>(b + 4);
    g.D3 = getLE<uint16_t>(b + 6);
    std::memcpy(g.D4.data(), b + 8, 8);
    return g;
}

void TBinaryReader::ReadListBegin(const char*) {
    uint8_t tag = readTag();
    if (tag != vaList) RaiseTypeError(vaList, tag);
}

void TBinaryReader::ReadListEnd() {
    uint8_t tag = readTag();
    if (tag != vaNull) RaiseTypeError(vaNull, tag);
}

bool TBinaryReader::EndOfList() { return NextValue() == vaNull; }

// --- TVirtualReader helpers ------------------------------------------------

double TVirtualReader::ReadNumeric(const char* name) {
    TValueType tag = NextValue();
    switch (tag) {
    case vaInt8: case vaInt16: case vaInt32: return ReadInteger(name);
    case vaInt64: return double(ReadInt64(name));
    case vaExtended: case vaSingle: case vaDouble: return ReadFloat(name);
    case vaDate: return ReadDate(name);
    default:
        throw EReadError(QStringLiteral("%1, read type error: expected %2, encountered %3")
                             .arg(ClassName(), ValueTypeName(vaExtended), ValueTypeName(tag)));
    }
}

TRect TVirtualReader::ReadRect(const char* rectName) {
    ReadObjectBegin(rectName);
    TRect r;
    r.Left = ReadInteger("Left");
    r.Top = ReadInteger("Top");
    r.Right = ReadInteger("Right");
    r.Bottom = ReadInteger("Bottom");
    ReadObjectEnd();
    return r;
}

QStringList TVirtualReader::DebugDump(int nb) {
    QStringList lines;
    qint64 start = Position();
    try {
        for (int i = 0; i < nb && FStream->Remaining() > 0; ++i) {
            TValueType tag = NextValue();
            QString line = ValueTypeName(tag) + QStringLiteral(": ");
            switch (tag) {
            case vaNull: ReadListEnd(); break;
            case vaList: ReadListBegin(); break;
            case vaInt8: case vaInt16: case vaInt32: case vaInt64: line += QString::number(ReadInt64()); break;
            case vaExtended: case vaSingle: case vaDouble: line += QString::number(ReadFloat(), 'g', 17); break;
            case vaString: case vaLString: case vaWString: case vaUTF8String: line += ReadString(); break;
            case vaFalse: case vaTrue: line += ReadBoolean() ? QStringLiteral("True") : QStringLiteral("False"); break;
            case vaCurrency: line += QString::number(double(ReadCurrency()) / 10000.0, 'g', 17); break;
            case vaDate: line += QString::number(ReadDate(), 'g', 17); break;
            default: line += QStringLiteral(" ***abort***"); lines << line; i = nb; continue;
            }
            lines << line;
        }
    } catch (const Exception&) {
        lines << QStringLiteral(" ***abort***");
    }
    SetPosition(start);
    for (const QString& l : lines) qDebug().noquote() << l;
    return lines;
}
