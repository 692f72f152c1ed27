// The translation dictionary: its file forms, its entries and the text rules.
#include "UMultiLang.h"
#include "UMultiLangInternal.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {

const QByteArray kBom("\xEF\xBB\xBF");
constexpr QChar kMacron(0x00AF);
constexpr QChar kNoBreakSpace(0x00A0);
const QString kLineBreakMark = QStringLiteral("^%");

[[noreturn]] void invalidFileFormat() { throw Exception(QStringLiteral("Invalid file format")); }

// Windows-1252, the code page the keys of the older file forms were written in.
QString decodeAnsi(QByteArrayView bytes) {
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(high[b - 0x80]) : QChar(b);
    }
    return text;
}

bool isBlank(char c) { return static_cast<unsigned char>(c) < 33; }

// The language id of a header text: hexadecimal digits, "$" or "0x" allowed
// in front. Raises EConvertError when it is not a number.
int parseHeaderId(QByteArrayView raw) {
    qsizetype begin = 0, end = raw.size();
    while (begin < end && isBlank(raw[begin])) ++begin;
    while (end > begin && isBlank(raw[end - 1])) --end;
    const QString text = QString::fromLatin1(raw.sliced(begin, end - begin));
    if (text.startsWith(QLatin1Char('$')) || text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        return StrToInt(text);
    return StrToInt(QLatin1Char('$') + text);
}

// The hexadecimal digits between the first "-" of a file name and the "." after it.
int idFromFileName(const QString& fileName) {
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dash = name.indexOf(QLatin1Char('-'));
    if (dash < 0) return 0;
    const qsizetype dot = name.indexOf(QLatin1Char('.'), dash + 1);
    if (dot < 0) return 0;
    return StrToIntDef(QLatin1Char('$') + name.mid(dash + 1, dot - dash - 1), 0);
}

QString escapeLineBreaks(QString s) {
    s.replace(QLatin1String("\r\n"), kLineBreakMark);
    s.replace(QLatin1Char('\r'), kLineBreakMark);
    s.replace(QLatin1Char('\n'), kLineBreakMark);
    return s;
}

}  // namespace

// ---------------------------------------------------------------------------
// Text rules

QString EscapeLanguageKey(const QString& text) {
    // A lone LF is a line break too: left as it is, it would split the entry
    // into two lines of the file.
    QString key = escapeLineBreaks(text);
    key.replace(QLatin1String(" !"), QLatin1String("!"));
    key.replace(QLatin1String(" ?"), QLatin1String("?"));
    key.replace(QLatin1Char('='), kMacron);
    return key;
}

QString UnescapeLanguageValue(const QString& value, bool frenchSpacing) {
    QString text = value;
    text.replace(kLineBreakMark, QLatin1String("\r\n"));
    text.replace(kMacron, QLatin1Char('='));
    if (!frenchSpacing) return text;
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if ((c == QLatin1Char('!') || c == QLatin1Char(':') || c == QLatin1Char('?')) && !out.isEmpty()) {
            const QChar before = out.back();
            const bool endsWord = i + 1 == text.size() || text.at(i + 1).unicode() <= 32;
            if (before == QLatin1Char(' ')) {
                out.back() = kNoBreakSpace;
            } else if (endsWord && before.unicode() >= 32 && before != kNoBreakSpace &&
                       !(before >= QLatin1Char('0') && before <= QLatin1Char('9'))) {
                out += kNoBreakSpace;
            }
        }
        out += c;
    }
    return out;
}

// ---------------------------------------------------------------------------
// TLanguageDictionary

LORVANE_IMPLEMENT_CLASS(TLanguageDictionary, TClipBoardAble)
LORVANE_REGISTER_CLASS(TLanguageDictionary)

TLanguageDictionary::TLanguageDictionary() = default;

TLanguageDictionary::TLanguageDictionary(int languageID, TDictionaryType dictionaryType, const QString& fileName)
    : FLanguageID(languageID), FDictionaryType(dictionaryType), FFileName(fileName) {}

TLanguageDictionary::~TLanguageDictionary() {
    try {
        SaveDictionaryFile();
    } catch (...) {
        // Nothing may escape a destructor; callers that care save first.
    }
}

void TLanguageDictionary::WriteToFiler(TVirtualWriter& writer) const {
    std::lock_guard<std::recursive_mutex> lock(FLock);
    writer.WriteVersion(0);
    writer.WriteInteger("LanguageID", FLanguageID);
    writer.WriteInteger("DictionaryType", static_cast<int32_t>(FDictionaryType));
    writer.WriteString("FileName", FFileName);
    writer.WriteBoolean("ReadOnly", FReadOnly);
    TStringList lines;
    for (const auto& [key, value] : FEntries) lines.Add(key + QLatin1Char('=') + value);
    for (const QString& line : FBareLines) lines.Add(line);
    WriteStringsToFiler(writer, "Entries", lines, false);
    writer.WriteVersionEnd();
}

void TLanguageDictionary::ReadFromFiler(TVirtualReader& reader) {
    const int version = reader.ReadVersion();
    if (version != 0) RaiseFilerException(version);
    const int languageID = reader.ReadInteger("LanguageID");
    const int type = reader.ReadInteger("DictionaryType");
    if (type < dtApplication || type > dtImport)
        throw EFilerException(
            QStringLiteral("%1.ReadFromFiler : unknown dictionary type %2").arg(ClassName()).arg(type));
    const QString fileName = reader.ReadString("FileName");
    const bool readOnly = reader.ReadBoolean("ReadOnly");
    TStringList lines;
    ReadStringsFromFiler(reader, "Entries", lines);
    reader.ReadVersionEnd();

    std::map<QString, QString> entries;
    QStringList bare;
    for (const QString& line : lines.StringList()) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) bare.append(line);
        else entries.emplace(line.left(eq), line.mid(eq + 1));
    }
    std::lock_guard<std::recursive_mutex> lock(FLock);
    FLanguageID = languageID;
    FDictionaryType = static_cast<TDictionaryType>(type);
    FFileName = fileName;
    FReadOnly = readOnly;
    FEntries = std::move(entries);
    FBareLines = std::move(bare);
    FModified = false;
}

bool TLanguageDictionary::Modified() const {
    std::lock_guard<std::recursive_mutex> lock(FLock);
    return FModified;
}

bool TLanguageDictionary::ReadOnly() const {
    std::lock_guard<std::recursive_mutex> lock(FLock);
    return FReadOnly;
}

void TLanguageDictionary::SetReadOnly(bool value) {
    std::lock_guard<std::recursive_mutex> lock(FLock);
    FReadOnly = value;
}

void TLanguageDictionary::LoadDictionaryFile() {
    QFile file(FFileName);
    if (!file.exists()) {
        std::lock_guard<std::recursive_mutex> lock(FLock);
        FEntries.clear();
        FBareLines.clear();
        FModified = false;
        return;
    }
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("%1: %2").arg(FFileName, file.errorString()));
    LoadDictionaryBytes(file.readAll(), FFileName);
}

void TLanguageDictionary::LoadDictionaryBytes(const QByteArray& bytes, const QString& fileName) {
    // Header forms: "040C" CR LF (no mark); mark + "u0409" CR LF (written form);
    // mark + seven bytes starting with "0"; mark + "$" and the id.
    qsizetype start = 0, width = 6;
    bool wholeLinesUtf8 = false;
    if (bytes.startsWith(kBom)) {
        if (bytes.size() < kBom.size() + 7) invalidFileFormat();
        const char first = bytes.at(kBom.size());
        if (first == 'u') {
            start = kBom.size() + 1;
            wholeLinesUtf8 = true;
        } else if (first == '0') {
            start = kBom.size();
            width = 7;
        } else if (first == '$') {
            start = kBom.size();
        } else {
            invalidFileFormat();
        }
    } else if (bytes.isEmpty()) {
        // A file made empty to start a translation: nothing learned yet.
        std::lock_guard<std::recursive_mutex> lock(FLock);
        FEntries.clear();
        FBareLines.clear();
        FModified = false;
        return;
    }
    // The header ends at its window's end or at a line break inside it.
    QByteArrayView window = QByteArrayView(bytes).sliced(start, std::min(width, bytes.size() - start));
    qsizetype headerLength = window.size();
    for (qsizetype i = 0; i < window.size(); ++i)
        if (window[i] == '\r' || window[i] == '\n') {
            headerLength = i;
            break;
        }
    int id = parseHeaderId(window.first(headerLength));
    if (id == 0 && wholeLinesUtf8) id = idFromFileName(fileName);

    std::map<QString, QString> entries;
    QStringList bare;
    const QByteArrayView rest = QByteArrayView(bytes).sliced(start + headerLength);
    qsizetype pos = 0;
    while (pos < rest.size()) {
        qsizetype end = pos;
        while (end < rest.size() && rest[end] != '\r' && rest[end] != '\n') ++end;
        QByteArrayView line = rest.sliced(pos, end - pos);
        pos = end;
        // Byte-order marks at the start of a line are what joining two files
        // leaves there, never text: dropped, so the file is written back as read.
        while (line.startsWith(kBom)) line = line.sliced(kBom.size());
        if (pos < rest.size() && rest[pos] == '\r') ++pos;
        if (pos < rest.size() && rest[pos] == '\n') ++pos;
        if (line.isEmpty()) continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) {
            bare.append(QString::fromUtf8(line));
            continue;
        }
        QString key, value;
        if (wholeLinesUtf8) {
            const QString text = QString::fromUtf8(line);
            const qsizetype split = text.indexOf(QLatin1Char('='));
            key = text.left(split);
            value = text.mid(split + 1);
        } else {
            key = decodeAnsi(line.first(eq));
            value = QString::fromUtf8(line.sliced(eq + 1));
        }
        entries.emplace(std::move(key), std::move(value));  // the first of duplicate keys wins
    }

    std::lock_guard<std::recursive_mutex> lock(FLock);
    if (FLanguageID == 0) FLanguageID = id;
    FEntries = std::move(entries);
    FBareLines = std::move(bare);
    FModified = false;
}

QByteArray TLanguageDictionary::DictionaryBytes() const {
    std::lock_guard<std::recursive_mutex> lock(FLock);
    QByteArray out = kBom + 'u' + IntToHex(FLanguageID & 0xFFFF, 4).toLatin1() + "\r\n";
    for (const auto& [key, value] : FEntries) out += (key + QLatin1Char('=') + value).toUtf8() + "\r\n";
    for (const QString& line : FBareLines) out += line.toUtf8() + "\r\n";
    return out;
}

void TLanguageDictionary::SaveDictionaryFile(bool force) {
    std::lock_guard<std::recursive_mutex> lock(FLock);
    if (!force && (!FModified || FReadOnly)) return;
    if (FFileName.isEmpty()) return;
    const QByteArray bytes = DictionaryBytes();
    QSaveFile file(FFileName);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) {
        FModified = false;
        return;
    }
    QString folder = MultiLangInternal::tempFolder();
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    const QString copy = folder + QFileInfo(FFileName).fileName();
    QSaveFile copyFile(copy);
    if (copyFile.open(QIODevice::WriteOnly) && copyFile.write(bytes) == bytes.size()) copyFile.commit();
    throw Exception(Format(QStringLiteral(
                               "Echec de l'enregistrement du fichier de traduction \"%0:s\"\r\n"
                               "Enregistrement d'une copie à l'emplacement \"%1:s\"\r\n"
                               "Vous devez disposer de droits d'accès en écriture sur ce fichier.\r\n"
                               "Contactez votre administrateur réseau pour la résolution de ce problème."),
                           {FFileName, copy}));
}

QString TLanguageDictionary::Lookup(const QString& text) {
    const QString key = EscapeLanguageKey(text);
    std::lock_guard<std::recursive_mutex> lock(FLock);
    const auto it = FEntries.find(key);
    if (it == FEntries.end()) {
        if (!FReadOnly) {
            FEntries.emplace(key, key);
            FModified = true;
        }
        return text;
    }
    QString value = it->second;
    // The no-break space before "!", ":" and "?" is French typography: an
    // English "Title:" keeps its sign against the word, while an entry still
    // holding its French source (learnt, not yet translated) gets it back.
    const bool french = UsesFrenchSpacing(FLanguageID) || value == it->first;
    if (value.startsWith(QLatin1Char('!'))) value.remove(0, 1);
    return UnescapeLanguageValue(value, french);
}

bool TLanguageDictionary::Find(const QString& key, QString& value) const {
    std::lock_guard<std::recursive_mutex> lock(FLock);
    const auto it = FEntries.find(key);
    if (it == FEntries.end()) return false;
    value = it->second;
    return true;
}

void TLanguageDictionary::SetEntry(const QString& key, const QString& value) {
    const QString storedKey = EscapeLanguageKey(key);
    const QString storedValue = escapeLineBreaks(value);
    std::lock_guard<std::recursive_mutex> lock(FLock);
    auto [it, added] = FEntries.emplace(storedKey, storedValue);
    if (!added) {
        if (it->second == storedValue) return;
        it->second = storedValue;
    }
    FModified = true;
}

QStringList TLanguageDictionary::Lines() const {
    std::lock_guard<std::recursive_mutex> lock(FLock);
    QStringList lines;
    for (const auto& [key, value] : FEntries) lines.append(key + QLatin1Char('=') + value);
    return lines;
}

int TLanguageDictionary::Count() const {
    std::lock_guard<std::recursive_mutex> lock(FLock);
    return static_cast<int>(FEntries.size());
}

void MergeImportEntries(TLanguageDictionary& from, TLanguageDictionary& into) {
    if (&from == &into) return;
    std::map<QString, QString> entries;
    {
        std::lock_guard<std::recursive_mutex> lock(from.FLock);
        entries = from.FEntries;
    }
    for (const auto& [key, value] : entries) into.SetEntry(key, EscapeLanguageKey(value));
}
