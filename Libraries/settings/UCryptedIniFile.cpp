#include "UCryptedIniFile.h"

#include "USettings.h"
#include "USysUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QSysInfo>

#include <fcntl.h>
#include <pwd.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

// Larger files are not settings: refuse them before reading them whole.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;
// The text inside a protected file is bounded the same way, whatever its zlib stream claims.
constexpr qsizetype kMaxInflatedBytes = 16 * 1024 * 1024;
constexpr int kBase64LineLength = 76;
const QByteArray kProtectedMark("!CP");

bool isTrimmed(QChar c) { return c.unicode() <= 32; }

QString trimControls(const QString& s) {
    qsizetype begin = 0, end = s.size();
    while (begin < end && isTrimmed(s.at(begin))) ++begin;
    while (end > begin && isTrimmed(s.at(end - 1))) --end;
    return s.mid(begin, end - begin);
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The name part of an entry line, or a null string for a bare line.
QString entryName(const QString& entry) {
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : entry.left(eq);
}

QString withoutLineBreaks(QString s) {
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

QString decodeStrict(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return QString();
    return text;
}

// Plain file bytes to text: a byte-order mark selects UTF-8 or UTF-16, no mark
// means UTF-8; bytes that do not decode give no text.
QString decodePlain(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return decodeStrict(QStringConverter::Utf8, QByteArrayView(bytes).sliced(3));
    if (bytes.startsWith("\xFF\xFE")) {
        if (bytes.size() % 2) return QString();
        return decodeStrict(QStringConverter::Utf16LE, QByteArrayView(bytes).sliced(2));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        if (bytes.size() % 2) return QString();
        return decodeStrict(QStringConverter::Utf16BE, QByteArrayView(bytes).sliced(2));
    }
    return decodeStrict(QStringConverter::Utf8, bytes);
}

// ---------------------------------------------------------------------------
// Protection primitives

void ensureSodium() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = sodium_init() >= 0; });
    if (!ready) throw ECryptedIniError(QStringLiteral("the protection library could not be initialised"));
}

// The 32-byte key, wiped when it goes.
struct SecretKey {
    std::array<unsigned char, crypto_secretbox_KEYBYTES> bytes{};
    ~SecretKey() { sodium_memzero(bytes.data(), bytes.size()); }
};

QByteArray osError(int err) { return QByteArray(std::strerror(err)); }

// Reads the key file; false when there is none. Raises on a damaged one.
bool readKeyFile(const QString& path, SecretKey& key) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (errno == ENOENT) return false;
        throw ECryptedIniError(QStringLiteral("cannot open the protection key \"%1\": %2")
                                   .arg(path, QString::fromLocal8Bit(osError(errno))));
    }
    struct stat st {};
    bool good = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                st.st_size == static_cast<off_t>(key.bytes.size());
    if (good && (st.st_mode & 077) != 0) ::fchmod(fd, S_IRUSR | S_IWUSR);  // keep the secret to its owner
    ssize_t got = good ? ::read(fd, key.bytes.data(), key.bytes.size()) : -1;
    ::close(fd);
    if (!good || got != static_cast<ssize_t>(key.bytes.size()))
        throw ECryptedIniError(QStringLiteral("the protection key \"%1\" is damaged").arg(path));
    return true;
}

// Makes the key file when there is none. Two processes racing here agree on
// one key: the file is written under a private name and linked into place,
// and the loser reads the winner's key.
void loadOrCreateKey(const QString& path, SecretKey& key) {
    if (readKeyFile(path, key)) return;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw ECryptedIniError(QStringLiteral("cannot create the folder \"%1\"").arg(folder));
    QByteArray pattern = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());  // mode 0600
    if (fd < 0)
        throw ECryptedIniError(QStringLiteral("cannot create the protection key \"%1\": %2")
                                   .arg(path, QString::fromLocal8Bit(osError(errno))));
    SecretKey fresh;
    randombytes_buf(fresh.bytes.data(), fresh.bytes.size());
    const bool written = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 &&
                         ::write(fd, fresh.bytes.data(), fresh.bytes.size()) ==
                             static_cast<ssize_t>(fresh.bytes.size()) &&
                         ::fsync(fd) == 0;
    ::close(fd);
    int linkError = 0;
    if (written && ::link(pattern.constData(), QFile::encodeName(path).constData()) != 0) linkError = errno;
    ::unlink(pattern.constData());
    if (!written || (linkError != 0 && linkError != EEXIST))
        throw ECryptedIniError(QStringLiteral("cannot create the protection key \"%1\"").arg(path));
    if (!readKeyFile(path, key))
        throw ECryptedIniError(QStringLiteral("the protection key \"%1\" vanished").arg(path));
}

QByteArray deflate9(const QByteArray& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.constData()),
                  static_cast<uLong>(data.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw ECryptedIniError(QStringLiteral("compression failed"));
    out.truncate(static_cast<qsizetype>(size));
    return out;
}

QByteArray inflateBounded(const QByteArray& data) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) throw ECryptedIniError(QStringLiteral("decompression failed"));
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    zs.avail_in = static_cast<uInt>(data.size());
    QByteArray out;
    char chunk[16384];
    int rc = Z_OK;
    while (rc == Z_OK) {
        zs.next_out = reinterpret_cast<Bytef*>(chunk);
        zs.avail_out = sizeof chunk;
        rc = inflate(&zs, Z_NO_FLUSH);
        const qsizetype produced = static_cast<qsizetype>(sizeof chunk - zs.avail_out);
        if ((rc == Z_OK || rc == Z_STREAM_END) && out.size() + produced > kMaxInflatedBytes) rc = Z_MEM_ERROR;
        else if (rc == Z_OK || rc == Z_STREAM_END) out.append(chunk, produced);
        if (rc == Z_OK && produced == 0 && zs.avail_in == 0) rc = Z_BUF_ERROR;  // truncated stream
    }
    const bool complete = rc == Z_STREAM_END && zs.avail_in == 0;
    inflateEnd(&zs);
    if (!complete) throw ECryptedIniError(QStringLiteral("the protected data is damaged"));
    return out;
}

QString userName() {
    QString name = qEnvironmentVariable("USER");
    if (!name.isEmpty()) return name;
    struct passwd pw {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &pw, buffer, sizeof buffer, &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return QString::number(::getuid());
}

}  // namespace

// ---------------------------------------------------------------------------

QString IniProtection::keyFilePath() {
    QString folder = settingsPaths().userConfigFolder;
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder + QLatin1String("Veltrano/ini-protection.key");
}

QByteArray IniProtection::base64Lines(const QByteArray& data) {
    const QByteArray plain = data.toBase64();
    QByteArray out;
    out.reserve(plain.size() + plain.size() / kBase64LineLength * 2);
    for (qsizetype i = 0; i < plain.size(); i += kBase64LineLength) {
        if (i > 0) out += "\r\n";
        out += plain.mid(i, kBase64LineLength);
    }
    return out;
}

QByteArray IniProtection::protect(const QString& text) {
    ensureSodium();
    SecretKey key;
    loadOrCreateKey(keyFilePath(), key);
    const QByteArray packed = deflate9(text.toUtf8());
    QByteArray payload(static_cast<qsizetype>(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES) + packed.size(),
                       Qt::Uninitialized);
    auto* nonce = reinterpret_cast<unsigned char*>(payload.data());
    randombytes_buf(nonce, crypto_secretbox_NONCEBYTES);
    crypto_secretbox_easy(nonce + crypto_secretbox_NONCEBYTES, reinterpret_cast<const unsigned char*>(packed.constData()),
                          static_cast<unsigned long long>(packed.size()), nonce, key.bytes.data());
    const QString header = QStringLiteral("!CP %1 on %2").arg(userName(), QSysInfo::machineHostName());
    return header.toUtf8() + "\r\n" + base64Lines(payload);
}

QString IniProtection::unprotect(const QByteArray& fileBytes) {
    if (!fileBytes.startsWith(kProtectedMark)) throw ECryptedIniError(QStringLiteral("not a protected INI file"));
    qsizetype bodyStart = fileBytes.indexOf("\r\n");
    if (bodyStart >= 0) bodyStart += 2;
    else if ((bodyStart = fileBytes.indexOf('\n')) >= 0) bodyStart += 1;
    else throw ECryptedIniError(QStringLiteral("the protected data is missing"));
    QByteArray base64 = fileBytes.mid(bodyStart);
    base64.replace("\r", "").replace("\n", "");
    const auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) throw ECryptedIniError(QStringLiteral("the protected data is not valid Base64"));
    const QByteArray& payload = *decoded;
    constexpr qsizetype overhead = crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES;
    if (payload.size() < overhead) throw ECryptedIniError(QStringLiteral("the protected data is truncated"));

    ensureSodium();
    SecretKey key;
    if (!readKeyFile(keyFilePath(), key))
        throw ECryptedIniError(QStringLiteral("no protection key for this user"));
    const auto* nonce = reinterpret_cast<const unsigned char*>(payload.constData());
    QByteArray packed(payload.size() - overhead, Qt::Uninitialized);
    if (crypto_secretbox_open_easy(reinterpret_cast<unsigned char*>(packed.data()), nonce + crypto_secretbox_NONCEBYTES,
                                   static_cast<unsigned long long>(payload.size() - crypto_secretbox_NONCEBYTES), nonce,
                                   key.bytes.data()) != 0)
        throw ECryptedIniError(QStringLiteral("the protected data belongs to another user or is damaged"));
    const QByteArray utf8 = inflateBounded(packed);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(utf8);
    if (decoder.hasError()) throw ECryptedIniError(QStringLiteral("the protected text is not UTF-8"));
    return text;
}

// ---------------------------------------------------------------------------
// TCustomIniFile

int TCustomIniFile::ReadInteger(const QString& section, const QString& name, int defaultValue) const {
    return StrToIntDef(ReadString(section, name, QString()), defaultValue);
}

void TCustomIniFile::WriteInteger(const QString& section, const QString& name, int value) {
    WriteString(section, name, IntToStr(value));
}

double TCustomIniFile::ReadFloat(const QString& section, const QString& name, double defaultValue) const {
    return StrToFloatDef(ReadString(section, name, QString()), defaultValue);
}

void TCustomIniFile::WriteFloat(const QString& section, const QString& name, double value) {
    WriteString(section, name, FloatToStr(value));
}

bool TCustomIniFile::ReadBool(const QString& section, const QString& name, bool defaultValue) const {
    return ReadInteger(section, name, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const QString& section, const QString& name, bool value) {
    WriteString(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TCustomIniFile::SectionExists(const QString& section) const {
    QStringList names;
    ReadSections(names);
    for (const QString& n : names)
        if (sameName(n, section)) return true;
    return false;
}

bool TCustomIniFile::ValueExists(const QString& section, const QString& name) const {
    QStringList names;
    ReadSection(section, names);
    for (const QString& n : names)
        if (sameName(n, name)) return true;
    return false;
}

// ---------------------------------------------------------------------------
// TCryptedIniFile

TCryptedIniFile::TCryptedIniFile(const QString& fileName) : TCustomIniFile(fileName) {
    QFile file(fileName);
    if (!file.exists()) return;
    if (!file.open(QIODevice::ReadOnly))
        throw ECryptedIniError(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    if (file.size() > kMaxFileBytes)
        throw ECryptedIniError(QStringLiteral("%1: the file is too large for a settings file").arg(fileName));
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes)
        throw ECryptedIniError(QStringLiteral("%1: the file is too large for a settings file").arg(fileName));
    try {
        LoadFromBytes(bytes);
    } catch (const ECryptedIniError& e) {
        throw ECryptedIniError(QStringLiteral("%1: %2").arg(fileName, e.message()));
    }
}

void TCryptedIniFile::LoadFromBytes(const QByteArray& bytes) {
    if (bytes.startsWith(kProtectedMark)) {
        const QString text = IniProtection::unprotect(bytes);
        LoadFromText(text);
        FProtected = true;
    } else {
        LoadFromText(decodePlain(bytes));
        FProtected = false;
    }
}

void TCryptedIniFile::LoadFromText(const QString& text) {
    FSections.clear();
    Section* current = nullptr;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && text.at(end) != QLatin1Char('\r') && text.at(end) != QLatin1Char('\n')) ++end;
        const QString line = trimControls(text.mid(pos, end - pos));
        pos = end;
        if (pos < n && text.at(pos) == QLatin1Char('\r')) ++pos;
        if (pos < n && text.at(pos) == QLatin1Char('\n')) ++pos;

        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            FSections.push_back(Section{trimControls(line.mid(1, line.size() - 2)), {}});
            current = &FSections.back();
            continue;
        }
        if (!current) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) current->entries.append(line);
        else current->entries.append(trimControls(line.left(eq)) + QLatin1Char('=') + trimControls(line.mid(eq + 1)));
    }
}

const TCryptedIniFile::Section* TCryptedIniFile::findSection(const QString& name) const {
    for (const Section& s : FSections)
        if (sameName(s.name, name)) return &s;
    return nullptr;
}

TCryptedIniFile::Section* TCryptedIniFile::findSection(const QString& name) {
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

QString TCryptedIniFile::ReadString(const QString& section, const QString& name, const QString& defaultValue) const {
    const Section* s = findSection(section);
    if (!s) return defaultValue;
    for (const QString& entry : s->entries) {
        const QString key = entryName(entry);
        if (!key.isNull() && sameName(key, name)) return entry.mid(key.size() + 1);
    }
    return defaultValue;
}

void TCryptedIniFile::WriteString(const QString& section, const QString& name, const QString& value) {
    // A line break would split the entry into lines of its own when the file is read again.
    const QString cleanName = withoutLineBreaks(name);
    const QString line = cleanName + QLatin1Char('=') + withoutLineBreaks(value);
    Section* s = findSection(section);
    if (!s) {
        FSections.push_back(Section{withoutLineBreaks(section), {}});
        s = &FSections.back();
    }
    for (QString& entry : s->entries) {
        const QString key = entryName(entry);
        if (!key.isNull() && sameName(key, cleanName)) {
            entry = key + line.mid(cleanName.size());
            return;
        }
    }
    s->entries.append(line);
}

void TCryptedIniFile::ReadSection(const QString& section, QStringList& names) const {
    names.clear();
    if (const Section* s = findSection(section))
        for (const QString& entry : s->entries) {
            const QString key = entryName(entry);
            if (!key.isNull()) names.append(key);
        }
}

void TCryptedIniFile::ReadSections(QStringList& names) const {
    names.clear();
    for (const Section& s : FSections) {
        bool seen = false;
        for (const QString& n : names) seen = seen || sameName(n, s.name);
        if (!seen) names.append(s.name);
    }
}

void TCryptedIniFile::ReadSectionValues(const QString& section, QStringList& lines) const {
    lines.clear();
    if (const Section* s = findSection(section)) lines = s->entries;
}

void TCryptedIniFile::EraseSection(const QString& section) {
    std::erase_if(FSections, [&](const Section& s) { return sameName(s.name, section); });
}

void TCryptedIniFile::DeleteKey(const QString& section, const QString& name) {
    Section* s = findSection(section);
    if (!s) return;
    for (qsizetype i = 0; i < s->entries.size(); ++i) {
        const QString key = entryName(s->entries.at(i));
        if (!key.isNull() && sameName(key, name)) {
            s->entries.removeAt(i);
            return;
        }
    }
}

QString TCryptedIniFile::PlainText() const {
    QString text;
    for (const Section& s : FSections) {
        text += QLatin1Char('[') + s.name + QLatin1String("]\n");
        for (const QString& entry : s.entries) text += entry + QLatin1Char('\n');
        text += QLatin1Char('\n');
    }
    return text;
}

void TCryptedIniFile::UpdateFile() {
    QByteArray bytes;
    try {
        bytes = FProtected ? IniProtection::protect(PlainText()) : PlainText().toUtf8();
    } catch (const ECryptedIniError& e) {
        throw ECryptedIniError(QStringLiteral("%1: %2").arg(FileName(), e.message()));
    }
    QSaveFile file(FileName());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw ECryptedIniError(QStringLiteral("%1: %2").arg(FileName(), file.errorString()));
}
